// Thread-local storage slots: one pointer per thread under a key allocated at run time.
#pragma once

#include <cstdint>

namespace Platform {

// A slot holds one pointer for each thread; a thread that never stored one reads null.
// Destroying the slot frees the key; the pointers it held are not touched.
class ThreadLocalSlot {
public:
    ThreadLocalSlot();
    ~ThreadLocalSlot();
    ThreadLocalSlot(const ThreadLocalSlot&) = delete;
    ThreadLocalSlot& operator=(const ThreadLocalSlot&) = delete;

    // False when the system had no key left; get() then reads null and set() fails.
    bool valid() const { return m_valid; }
    bool set(void* value);
    void* get() const;

private:
    std::uintptr_t m_key = 0;
    bool m_valid = false;
};

}  // namespace Platform
