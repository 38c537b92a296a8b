#include "platform/CriticalSection.h"

#include <pthread.h>

#include <new>

namespace Platform {

namespace {

pthread_mutex_t& mutexIn(unsigned char* storage) { return *reinterpret_cast<pthread_mutex_t*>(storage); }

inline void spinPause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

}  // namespace

CriticalSection::CriticalSection(unsigned spinCount) : m_spinCount(spinCount) {
    static_assert(sizeof(pthread_mutex_t) <= sizeof(m_storage) && alignof(pthread_mutex_t) <= alignof(std::max_align_t),
                  "critical section storage too small");
    pthread_mutex_t* mutex = new (m_storage) pthread_mutex_t;
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

CriticalSection::~CriticalSection() { pthread_mutex_destroy(&mutexIn(m_storage)); }

void CriticalSection::enter() {
    pthread_mutex_t& mutex = mutexIn(m_storage);
    for (unsigned i = 0; i < m_spinCount; ++i) {
        if (pthread_mutex_trylock(&mutex) == 0) return;
        spinPause();
    }
    pthread_mutex_lock(&mutex);
}

bool CriticalSection::tryEnter() { return pthread_mutex_trylock(&mutexIn(m_storage)) == 0; }

void CriticalSection::leave() { pthread_mutex_unlock(&mutexIn(m_storage)); }

}  // namespace Platform
