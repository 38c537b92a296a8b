#include "loader/api/ThirdPartyChannels.h"

#include <atomic>

namespace CacheIO {

namespace {
std::atomic<ThirdPartyChannelLister> installedLister{nullptr};
}

void setThirdPartyChannelLister(ThirdPartyChannelLister lister) {
    installedLister.store(lister);
}

void listThirdPartyChannels(const char* pattern, AvailableChannelList& list) {
    ThirdPartyChannelLister lister = installedLister.load();
    if (lister && pattern) lister(pattern, list);
}

} // namespace CacheIO
