#include "platform/CriticalSection.h"

#include <windows.h>

#include <new>

namespace Platform {

namespace {

CRITICAL_SECTION& sectionIn(unsigned char* storage) { return *reinterpret_cast<CRITICAL_SECTION*>(storage); }

}  // namespace

CriticalSection::CriticalSection(unsigned spinCount) : m_spinCount(spinCount) {
    static_assert(sizeof(CRITICAL_SECTION) <= sizeof(m_storage), "critical section storage too small");
    CRITICAL_SECTION* section = new (m_storage) CRITICAL_SECTION;
    // Cannot fail from Windows Vista on.
    InitializeCriticalSectionAndSpinCount(section, m_spinCount);
}

CriticalSection::~CriticalSection() { DeleteCriticalSection(&sectionIn(m_storage)); }

void CriticalSection::enter() { EnterCriticalSection(&sectionIn(m_storage)); }

bool CriticalSection::tryEnter() { return TryEnterCriticalSection(&sectionIn(m_storage)) != 0; }

void CriticalSection::leave() { LeaveCriticalSection(&sectionIn(m_storage)); }

}  // namespace Platform
