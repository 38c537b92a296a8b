// A chunked sequence for the thread manager's lists: elements live in a chain of fixed-size blocks,
// so their addresses stay valid while the sequence grows. Each sequence has its own lock.
#pragma once

#include "parallel/ExceptionMsg.h"
#include "platform/CriticalSection.h"

#include <new>

namespace ZUtils {

template <class T, int BlockSize>
class SequenceBlock {
public:
    SequenceBlock() = default;
    ~SequenceBlock() { clear(); }
    SequenceBlock(const SequenceBlock&) = delete;
    SequenceBlock& operator=(const SequenceBlock&) = delete;

    // A fresh default-constructed element at the end.
    // Throws ExceptionMsg when a block cannot be allocated.
    T& appendNew() {
        Platform::ScopedLock lock(m_lock);
        if (m_last == nullptr || m_last->used == BlockSize) {
            Block* block = new (std::nothrow) Block;
            if (block == nullptr) throw ExceptionMsg("[_SequenceBlock] Could not allocate memory");
            (m_last != nullptr ? m_last->next : m_first) = block;
            m_last = block;
        }
        ++m_count;
        return m_last->items[m_last->used++];
    }

    T& append(const T& value) {
        Platform::ScopedLock lock(m_lock);
        T& element = appendNew();
        element = value;
        return element;
    }

    // The first element for which `accept` returns true, walking in order; null when none does.
    template <class Predicate>
    T* find(Predicate accept) {
        Platform::ScopedLock lock(m_lock);
        for (Block* block = m_first; block != nullptr; block = block->next) {
            for (int i = 0; i < block->used; ++i) {
                if (accept(block->items[i])) return &block->items[i];
            }
        }
        return nullptr;
    }

    template <class Visitor>
    void forEach(Visitor visit) {
        find([&visit](T& element) {
            visit(element);
            return false;
        });
    }

    int count() const {
        Platform::ScopedLock lock(m_lock);
        return m_count;
    }

    // Frees every block.
    void clear() {
        Platform::ScopedLock lock(m_lock);
        while (m_first != nullptr) {
            Block* next = m_first->next;
            delete m_first;
            m_first = next;
        }
        m_last = nullptr;
        m_count = 0;
    }

    // Forgets every block without freeing it, for elements that a thread left running may still use.
    void abandon() {
        Platform::ScopedLock lock(m_lock);
        m_first = m_last = nullptr;
        m_count = 0;
    }

private:
    struct Block {
        T items[BlockSize]{};
        int used = 0;
        Block* next = nullptr;
    };

    mutable Platform::CriticalSection m_lock{2000};
    Block* m_first = nullptr;
    Block* m_last = nullptr;
    int m_count = 0;
};

}  // namespace ZUtils
