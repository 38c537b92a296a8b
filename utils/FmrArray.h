// FmrArray: the growable array behind nearly every buffer and list of the loader. Operations report an
// allocation failure with `false` (leaving the array empty) and never throw.
#pragma once

#include "utils/Log.h"

#include <cstddef>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>
#include <utility>

namespace FMRUtils {

template <class T, class I, int N>
class FmrArrayBase;
template <class T, class I = int, int A = 0, int B = 1>
class FmrArray;

// Whether elements of T may move to a new buffer as raw bytes. True for trivially copyable types and
// for the arrays themselves (they hold no pointer into their own object). Other element types are
// moved by move construction followed by destruction, which is what a type such as std::string, whose
// short-text buffer lives inside the object, needs. Specialise it for a type that is safe to move as
// bytes but is not trivially copyable, to get one block copy per reallocation.
template <class T>
struct BitwiseRelocatable : std::is_trivially_copyable<T> {};
template <class T, class I, int N>
struct BitwiseRelocatable<FmrArrayBase<T, I, N>> : std::true_type {};
template <class T, class I, int A, int B>
struct BitwiseRelocatable<FmrArray<T, I, A, B>> : std::true_type {};

template <class T, class I, int N>
class FmrArrayBase {
    static_assert(std::is_integral<I>::value && std::is_signed<I>::value, "the index type is a signed integer");

public:
    // An empty array with the growth divisor 4; allocates nothing.
    FmrArrayBase() = default;

    // An empty array. With an initial capacity of 1 or more that many slots are allocated; when that
    // fails the array stays empty (capacity 0), which the caller can test.
    explicit FmrArrayBase(I initialCapacity, I growthDivisor = 4) : m_growthDivisor(growthDivisor) {
        if (initialCapacity > 0) {
            m_data = allocate(initialCapacity);
            if (m_data != nullptr) m_capacity = initialCapacity;
        }
    }

    // Capacity exactly the source's count, divisor 4, elements copied in index order.
    FmrArrayBase(const FmrArrayBase& other) : m_growthDivisor(4) {
        if (other.m_count <= 0) return;
        m_data = allocate(other.m_count);
        if (m_data == nullptr) return;
        m_capacity = other.m_count;
        for (I i = 0; i < other.m_count; ++i) new (m_data + i) T(other.m_data[i]);
        m_count = other.m_count;
    }

    // Takes over the source's buffer and divisor; the source is left empty.
    FmrArrayBase(FmrArrayBase&& other) noexcept
        : m_data(other.m_data), m_count(other.m_count), m_capacity(other.m_capacity),
          m_growthDivisor(other.m_growthDivisor) {
        other.m_data = nullptr;
        other.m_count = 0;
        other.m_capacity = 0;
    }

    // Resizes exactly to the source's count and assigns element by element; keeps this divisor. After
    // an allocation failure the array is empty.
    FmrArrayBase& operator=(const FmrArrayBase& other) {
        if (this == &other) return *this;
        if (SetSize(other.m_count, nullptr, true)) {
            for (I i = 0; i < other.m_count; ++i) m_data[i] = other.m_data[i];
        }
        return *this;
    }

    virtual ~FmrArrayBase() {
        destroyRange(0, m_count);
        release(m_data);
        m_data = nullptr;
        m_count = 0;
        m_capacity = 0;
    }

    // Reserved virtual operation; always 0. Kept so that the table of virtual operations has the
    // layout that binaries built against this class expect.
    virtual int reserved() const { return 0; }

    // Sets the count. A negative size logs an error and returns false with nothing changed. Shrinking
    // destroys the elements past the new count and keeps the buffer. Growing past the capacity
    // reallocates to exactly newSize slots when `exact` is set, otherwise with headroom (a
    // growth-divisor-th of the new size, at least 8 slots); if that allocation fails, the old contents
    // are lost, the array is empty and the call returns false. New elements are copies of *fill when
    // given, otherwise default-initialised (numbers and pointers are left as they are).
    bool SetSize(I newSize, const T* fill = nullptr, bool exact = false) {
        if (newSize < 0) {
            logMessage("[ERROR] FmrArray SetSize() with a negative newsz!\n");
            return false;
        }
        if (newSize <= m_count) {
            destroyRange(newSize, m_count);
            m_count = newSize;
            return true;
        }
        if (newSize > m_capacity && !reallocate(exact ? newSize : grownCapacity(newSize))) return false;
        for (I i = m_count; i < newSize; ++i) {
            if (fill != nullptr) {
                new (m_data + i) T(*fill);
            } else {
                new (m_data + i) T;
            }
        }
        m_count = newSize;
        return true;
    }

    // Adds a copy of the value at the end; false (storing nothing) when the array cannot grow.
    bool Append(const T& value) {
        // The value may live in this array's own buffer, which growing can move.
        if (m_count < m_capacity) return SetSize(m_count + 1, &value);
        const T copy(value);
        return SetSize(m_count + 1, &copy);
    }

    // Removes `run` elements starting at `index`. With keepOrder the later elements move down in
    // ascending order; otherwise the last `run` elements (or all after the run, if fewer) fill the gap. Elements move by assignment.
    // With `resize` the count then drops by `run`; without it the count stays. A range that does not
    // lie within the array is ignored.
    void Remove(I index, I run, bool keepOrder, bool resize) {
        if (index < 0 || run <= 0 || index > m_count || run > m_count - index) return;
        if (keepOrder) {
            for (I i = index; i < m_count - run; ++i) m_data[i] = m_data[i + run];
        } else {
            // Only elements past the run can fill the gap: when fewer than `run` follow it, the gap and
            // the last `run` elements overlap, and those of the run itself must not be kept.
            const I survivors = m_count - index - run;
            const I moved = survivors < run ? survivors : run;
            for (I k = 0; k < moved; ++k) m_data[index + k] = m_data[m_count - moved + k];
        }
        if (resize) SetSize(m_count - run);
    }

    // Unchecked element access.
    T& operator[](I index) { return m_data[index]; }
    const T& operator[](I index) const { return m_data[index]; }

    I count() const { return m_count; }
    I capacity() const { return m_capacity; }
    I growthDivisor() const { return m_growthDivisor; }
    T* data() { return m_data; }
    const T* data() const { return m_data; }

protected:
    T* m_data = nullptr;
    I m_count = 0;
    I m_capacity = 0;
    I m_growthDivisor = 4;

private:
    static constexpr I kMaxIndex = std::numeric_limits<I>::max();

    // newSize plus max(8, newSize / divisor), limited to the largest index. A divisor below 1 gives
    // the minimum headroom.
    I grownCapacity(I newSize) const {
        I headroom = m_growthDivisor > 0 ? newSize / m_growthDivisor : 0;
        if (headroom < 8) headroom = 8;
        return newSize > kMaxIndex - headroom ? kMaxIndex : newSize + headroom;
    }

    // Raw, uninitialised storage for `slots` elements, or null.
    static T* allocate(I slots) {
        using Size = typename std::make_unsigned<I>::type;
        if (static_cast<Size>(slots) > std::numeric_limits<size_t>::max() / sizeof(T)) return nullptr;
        const size_t bytes = static_cast<size_t>(slots) * sizeof(T);
        if constexpr (alignof(T) > __STDCPP_DEFAULT_NEW_ALIGNMENT__) {
            return static_cast<T*>(::operator new[](bytes, std::align_val_t(alignof(T)), std::nothrow));
        } else {
            return static_cast<T*>(::operator new[](bytes, std::nothrow));
        }
    }

    static void release(T* data) {
        if (data == nullptr) return;
        if constexpr (alignof(T) > __STDCPP_DEFAULT_NEW_ALIGNMENT__) {
            ::operator delete[](data, std::align_val_t(alignof(T)));
        } else {
            ::operator delete[](data);
        }
    }

    void destroyRange(I from, I to) {
        if constexpr (!std::is_trivially_destructible<T>::value) {
            for (I i = from; i < to; ++i) m_data[i].~T();
        }
    }

    // Moves the live elements into a buffer of `newCapacity` slots. On failure the old elements are
    // destroyed and the array is left empty.
    bool reallocate(I newCapacity) {
        T* fresh = allocate(newCapacity);
        if (fresh == nullptr) {
            destroyRange(0, m_count);
        } else if constexpr (BitwiseRelocatable<T>::value) {
            if (m_count > 0) std::memcpy(static_cast<void*>(fresh), static_cast<const void*>(m_data),
                                         static_cast<size_t>(m_count) * sizeof(T));
        } else {
            for (I i = 0; i < m_count; ++i) {
                new (fresh + i) T(std::move(m_data[i]));
                m_data[i].~T();
            }
        }
        release(m_data);
        m_data = fresh;
        if (fresh == nullptr) {
            m_count = 0;
            m_capacity = 0;
            return false;
        }
        m_capacity = newCapacity;
        return true;
    }
};

// The array type the system instantiates (always with A = 0 and B = 1); it adds nothing to its base.
template <class T, class I, int A, int B>
class FmrArray : public FmrArrayBase<T, I, B> {
public:
    FmrArray() = default;
    explicit FmrArray(I initialCapacity, I growthDivisor = 4) : FmrArrayBase<T, I, B>(initialCapacity, growthDivisor) {}
};

}  // namespace FMRUtils
