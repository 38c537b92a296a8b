// ovrloader.dll as a host built with Microsoft's compiler reaches it: loaded with LoadLibraryA and
// its functions resolved by their Microsoft-decorated names with GetProcAddress.
#pragma once

#include "loader/api/IOvr.h"
#include "parallel/ThreadManager.h"

#include <windows.h>

// One exported function: its Microsoft-decorated name and its GCC name.
struct ExportNames {
    const char* microsoft;
    const char* gcc;
};

// Every export of the library, in the order of LoaderExports below.
extern const ExportNames kLoaderExports[15];

struct LoaderExports {
    unsigned int (*FumaraSDKGetVersionNumber)();
    int (*initalizeOvraLoader)(const char*, const char*, int);
    int (*initalizeOvraLoaderWithManager)(const char*, const char*, int, ZUtils::ThreadManager*);
    void (*finalizeOvraLoader)();
    IOvr* (*newIOvr)(const char*);
    IOvr* (*newIOvrMaxVox)(const char*, long long, bool);
    IOvr* (*newIOvrWithChannelsMapping)(const char*, const char*);
    IOvr* (*newIOvrWithChannelsMappingMaxVox)(const char*, const char*, long long, bool);
    void (*deleteIOvr)(IOvr*);
    ZUtils::ThreadManager* (*createDefaultThreadManager)();
    void (*destroyDefaultThreadManager)(ZUtils::ThreadManager*);
    int (*ovrGet3rdPartyChannelName)(char*, int, int*, const char*, int);
    int (*ovrComposeChannelMappingsString)(char*, int, int*, const char* const*, int);
    int (*ovrDecomposeChannelMappingsString)(int*, char*, int, const char*, int);
    int (*ovrGenerateDefaultChannelMappings)(char*, int, const char*);
};

// The library freshly loaded from the test programs' folder for the lifetime of the object, and
// freed (with the plug-ins it loaded) at its end.
class LoaderLibrary {
public:
    LoaderLibrary();
    ~LoaderLibrary();
    LoaderLibrary(const LoaderLibrary&) = delete;
    LoaderLibrary& operator=(const LoaderLibrary&) = delete;

    HMODULE module() const { return module_; }
    // True when the library loaded and every Microsoft-decorated name resolved.
    bool complete() const { return complete_; }
    const LoaderExports& operator*() const { return exports_; }
    const LoaderExports* operator->() const { return &exports_; }

private:
    HMODULE module_ = nullptr;
    LoaderExports exports_{};
    bool complete_ = false;
};
