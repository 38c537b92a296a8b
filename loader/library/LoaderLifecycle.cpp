// The exported functions that start and stop the library's plug-ins and thread manager.
#include "loader/api/IOvr.h"

#include "loader/api/ThirdPartyChannels.h"
#include "loader/plugins/CachePlugins.h"
#include "loader/plugins/ForeignFileImports.h"
#include "loader/plugins/ThirdPartyChannelEnum.h"
#include "parallel/FmrParallel.h"

namespace {

constexpr int BothPlugins = CacheIO::PluginBitField3D | CacheIO::PluginBitOpenVDB;

} // namespace

int initalizeOvraLoader(const char* pluginDirectories, const char* pluginSuffix, int option) {
    try {
        // From now on foreign files are listed and imported through the plug-in table; without a
        // complete plug-in both find nothing, as before.
        CacheIO::setThirdPartyChannelLister(CacheIO::FindThirdPartyChannels);
        CacheIO::installForeignFileImports();
        return CacheIO::cachePlugins().LoadCachePlugins(BothPlugins, pluginDirectories, pluginSuffix, option);
    } catch (...) {
        return 0;
    }
}

int initalizeOvraLoader(const char* pluginDirectories, const char* pluginSuffix, int option,
                        ZUtils::ThreadManager* threadManager) {
    const int loaded = initalizeOvraLoader(pluginDirectories, pluginSuffix, option);
    if (loaded == 0 || !threadManager) return loaded;
    if (!FMRUtils::pushThreadManager(threadManager)) return 0;
    return CacheIO::cachePlugins().handOverThreadManager(threadManager) ? loaded : 0;
}

void finalizeOvraLoader() {
    FMRUtils::popThreadManager();
    CacheIO::cachePlugins().releaseThreadManager();
}
