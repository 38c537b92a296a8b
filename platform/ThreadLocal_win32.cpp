#include "platform/ThreadLocal.h"

#include <windows.h>

namespace Platform {

ThreadLocalSlot::ThreadLocalSlot() {
    const DWORD index = TlsAlloc();
    if (index != TLS_OUT_OF_INDEXES) {
        m_key = index;
        m_valid = true;
    }
}

ThreadLocalSlot::~ThreadLocalSlot() {
    if (m_valid) TlsFree(static_cast<DWORD>(m_key));
}

bool ThreadLocalSlot::set(void* value) { return m_valid && TlsSetValue(static_cast<DWORD>(m_key), value) != 0; }

void* ThreadLocalSlot::get() const { return m_valid ? TlsGetValue(static_cast<DWORD>(m_key)) : nullptr; }

}  // namespace Platform
