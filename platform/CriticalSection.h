// Critical sections: recursive mutual exclusion between the threads of the process.
#pragma once

#include <cstddef>

namespace Platform {

// A recursive lock: the owning thread may enter again and must leave as often as it entered.
// enter() first tries `spinCount` times without sleeping before it blocks, which pays off for locks
// that are held only briefly. The lock lives inside the object, so construction cannot fail.
class CriticalSection {
public:
    explicit CriticalSection(unsigned spinCount = 0);
    ~CriticalSection();
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void enter();
    // Enters without waiting; false when another thread owns the lock.
    bool tryEnter();
    void leave();

private:
    unsigned m_spinCount;
    alignas(std::max_align_t) unsigned char m_storage[64];
};

// Holds a critical section for the lifetime of the guard.
class ScopedLock {
public:
    explicit ScopedLock(CriticalSection& section) : m_section(section) { m_section.enter(); }
    ~ScopedLock() { m_section.leave(); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    CriticalSection& m_section;
};

}  // namespace Platform
