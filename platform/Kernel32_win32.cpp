#include "platform/Kernel32_win32.h"

#include <cstddef>
#include <new>

namespace Platform {

namespace {

// GetProcAddress hands out a generic function pointer; `void (*)()` converts to any function type.
template <class Function>
void resolve(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

Kernel32Functions lookUp() {
    Kernel32Functions functions;
    HMODULE module = GetModuleHandleW(L"kernel32.dll");
    if (module == nullptr) return functions;
    resolve(module, "GetNumaHighestNodeNumber", functions.getNumaHighestNodeNumber);
    resolve(module, "GetNumaNodeProcessorMask", functions.getNumaNodeProcessorMask);
    resolve(module, "GetLogicalProcessorInformationEx", functions.getLogicalProcessorInformationEx);
    resolve(module, "SetThreadGroupAffinity", functions.setThreadGroupAffinity);
    resolve(module, "GetThreadGroupAffinity", functions.getThreadGroupAffinity);
    resolve(module, "SetThreadDescription", functions.setThreadDescription);
    return functions;
}

}  // namespace

const Kernel32Functions& kernel32() {
    static const Kernel32Functions functions = lookUp();
    return functions;
}

bool logicalProcessorRecords(LOGICAL_PROCESSOR_RELATIONSHIP relationship, std::vector<unsigned char>& buffer,
                             std::vector<const SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*>& records) {
    records.clear();
    const auto query = kernel32().getLogicalProcessorInformationEx;
    if (query == nullptr) return false;
    DWORD length = 0;
    if (query(relationship, nullptr, &length) || GetLastError() != ERROR_INSUFFICIENT_BUFFER || length == 0)
        return false;
    try {
        buffer.assign(length, 0);
        auto* first = reinterpret_cast<PSYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX>(buffer.data());
        if (!query(relationship, first, &length)) return false;
        const DWORD headerSize = offsetof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX, Processor);
        for (DWORD offset = 0; offset + headerSize <= length;) {
            const auto* record = reinterpret_cast<const SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*>(buffer.data() + offset);
            if (record->Size < headerSize || record->Size > length - offset) break;
            records.push_back(record);
            offset += record->Size;
        }
    } catch (const std::bad_alloc&) {
        records.clear();
        return false;
    }
    return !records.empty();
}

}  // namespace Platform
