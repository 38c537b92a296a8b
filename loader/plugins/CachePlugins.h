// The cache plug-ins: their library-wide table, loading, the thread manager hand-over, and the
// calls into their entry points.
#pragma once

#include "loader/plugins/CachePluginInterface.h"
#include "platform/DynamicLibrary.h"

#include <string>

namespace CacheIO {

// Bits of the plug-in sets that loading takes and reports.
enum CachePluginBit : int {
    PluginBitField3D = 1,  // "f3dbridge"
    PluginBitOpenVDB = 2,  // "vdbbridge"
};

// One plug-in library and the entry points resolved from it. The module stays loaded until the
// object is destroyed (for the library-wide table: when the loader is unloaded).
class CachePlugin {
public:
    CachePlugin(const char* baseName, const char* importName, bool resolvesExportFrame);
    ~CachePlugin();
    CachePlugin(const CachePlugin&) = delete;
    CachePlugin& operator=(const CachePlugin&) = delete;

    // Loads the plug-in's library (see pluginLibraryFile), resolves its entry points and calls
    // "Initialize". True when the plug-in is complete: now, or from an earlier call, which is not
    // repeated. A plug-in whose library lacks a required entry point or refuses "Initialize" is
    // rejected: its entry points are cleared, its library stays loaded until unload, and later
    // calls report it absent without trying again.
    bool load(const char* directories, const char* suffix);

    // All five required entry points are there; every use of a plug-in asks this first.
    bool isComplete() const;
    bool isLoaded() const { return module_ != nullptr; }

    PluginInitializeProc initialize = nullptr;
    PluginSetThreadManagerProc setThreadManager = nullptr;
    PluginReleaseThreadManagerProc releaseThreadManager = nullptr;
    Platform::ProcAddress importFrame = nullptr;  // "ImportFrameF3D" or "ImportFrameVDB"
    PluginGetAvailableChannelsProc getAvailableChannels = nullptr;
    PluginExportFrameProc exportFrame = nullptr;  // "vdbbridge" only, optional, never called

private:
    void resolveEntryPoints();
    void clearEntryPoints();

    const char* baseName_;
    const char* importName_;
    bool resolvesExportFrame_;
    Platform::LibraryHandle module_ = nullptr;
};

// The two plug-ins, in the order every operation visits them.
class CachePluginTable {
public:
    CachePlugin field3d{"f3dbridge", PluginImportFrameF3DName, false};
    CachePlugin openVdb{"vdbbridge", PluginImportFrameVDBName, true};

    // Loads the plug-ins whose bits are in `which`; returns the bits of those that are complete.
    // `option` is recorded as the loader option, which nothing reads.
    int LoadCachePlugins(int which, const char* directories, const char* suffix, int option);

    // Calls "SetThreadManager" of each complete plug-in, the second even when the first refused.
    // True when at least one plug-in is complete and every complete one returned 0.
    bool handOverThreadManager(ZUtils::ThreadManager* manager);
    // Calls "ReleaseThreadManager" of each complete plug-in.
    void releaseThreadManager();

    // The complete plug-in that reads files of a lower-case extension ("f3d", "vdb"), or null.
    CachePlugin* pluginForExtension(const std::string& extension);

    int loaderOption() const { return loaderOption_; }

private:
    int loaderOption_ = 0;
};

// The library-wide table.
CachePluginTable& cachePlugins();

} // namespace CacheIO
