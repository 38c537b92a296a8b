#include "loader/plugins/CachePlugins.h"

#include "loader/plugins/PluginFileName.h"

namespace CacheIO {

namespace {

template <class Proc>
Proc resolve(Platform::LibraryHandle module, const char* name) {
    return reinterpret_cast<Proc>(Platform::findSymbol(module, name));
}

} // namespace

CachePlugin::CachePlugin(const char* baseName, const char* importName, bool resolvesExportFrame)
    : baseName_(baseName), importName_(importName), resolvesExportFrame_(resolvesExportFrame) {}

CachePlugin::~CachePlugin() {
    clearEntryPoints();
    Platform::freeLibrary(module_);
}

bool CachePlugin::load(const char* directories, const char* suffix) {
    if (module_) return isComplete();
    const std::string file = pluginLibraryFile(baseName_, directories, suffix);
    if (file.empty()) return false;
    module_ = Platform::loadLibrary(file.c_str());
    if (!module_) return false;
    resolveEntryPoints();
    if (!isComplete() || initialize() != 0) clearEntryPoints();
    return isComplete();
}

bool CachePlugin::isComplete() const {
    return initialize && setThreadManager && releaseThreadManager && importFrame && getAvailableChannels;
}

void CachePlugin::resolveEntryPoints() {
    initialize = resolve<PluginInitializeProc>(module_, PluginInitializeName);
    setThreadManager = resolve<PluginSetThreadManagerProc>(module_, PluginSetThreadManagerName);
    releaseThreadManager = resolve<PluginReleaseThreadManagerProc>(module_, PluginReleaseThreadManagerName);
    importFrame = Platform::findSymbol(module_, importName_);
    getAvailableChannels = resolve<PluginGetAvailableChannelsProc>(module_, PluginGetAvailableChannelsName);
    if (resolvesExportFrame_) exportFrame = resolve<PluginExportFrameProc>(module_, PluginExportFrameName);
}

void CachePlugin::clearEntryPoints() {
    initialize = nullptr;
    setThreadManager = nullptr;
    releaseThreadManager = nullptr;
    importFrame = nullptr;
    getAvailableChannels = nullptr;
    exportFrame = nullptr;
}

int CachePluginTable::LoadCachePlugins(int which, const char* directories, const char* suffix, int option) {
    loaderOption_ = option;
    int loaded = 0;
    if ((which & PluginBitField3D) && field3d.load(directories, suffix)) loaded |= PluginBitField3D;
    if ((which & PluginBitOpenVDB) && openVdb.load(directories, suffix)) loaded |= PluginBitOpenVDB;
    return loaded;
}

bool CachePluginTable::handOverThreadManager(ZUtils::ThreadManager* manager) {
    bool anyComplete = false;
    bool allAccepted = true;
    for (CachePlugin* plugin : {&field3d, &openVdb}) {
        if (!plugin->isComplete()) continue;
        anyComplete = true;
        if (plugin->setThreadManager(manager) != 0) allAccepted = false;
    }
    return anyComplete && allAccepted;
}

void CachePluginTable::releaseThreadManager() {
    for (CachePlugin* plugin : {&field3d, &openVdb})
        if (plugin->isComplete()) plugin->releaseThreadManager();
}

CachePlugin* CachePluginTable::pluginForExtension(const std::string& extension) {
    CachePlugin* plugin = extension == "f3d" ? &field3d : extension == "vdb" ? &openVdb : nullptr;
    return plugin && plugin->isComplete() ? plugin : nullptr;
}

CachePluginTable& cachePlugins() {
    static CachePluginTable table;
    return table;
}

} // namespace CacheIO
