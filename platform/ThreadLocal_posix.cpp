#include "platform/ThreadLocal.h"

#include <pthread.h>

namespace Platform {

static_assert(sizeof(pthread_key_t) <= sizeof(std::uintptr_t), "a key fits the slot's field");

ThreadLocalSlot::ThreadLocalSlot() {
    pthread_key_t key;
    if (pthread_key_create(&key, nullptr) == 0) {
        m_key = static_cast<std::uintptr_t>(key);
        m_valid = true;
    }
}

ThreadLocalSlot::~ThreadLocalSlot() {
    if (m_valid) pthread_key_delete(static_cast<pthread_key_t>(m_key));
}

bool ThreadLocalSlot::set(void* value) {
    return m_valid && pthread_setspecific(static_cast<pthread_key_t>(m_key), value) == 0;
}

void* ThreadLocalSlot::get() const {
    return m_valid ? pthread_getspecific(static_cast<pthread_key_t>(m_key)) : nullptr;
}

}  // namespace Platform
