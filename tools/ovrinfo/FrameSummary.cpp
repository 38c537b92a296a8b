#include "tools/ovrinfo/FrameSummary.h"

namespace OvrInfo {

bool FrameSummary::failed() const {
    if (!loaded()) return true;
    for (const GridChannelInfo& channel : channels)
        if (channel.decode == DecodeState::Failed) return true;
    for (const ParticleGroupInfo& group : groups)
        for (const ParticleChannelInfo& channel : group.stats)
            if (channel.decode == DecodeState::Failed) return true;
    return false;
}

namespace {

// What a load result code means.
const char* loadCodeMeaning(int code) {
    switch (code) {
    case 0:
        return "loaded";
    case 2:
        return "no plug-in reads this file type (ovrinfo reads .ovr cache files)";
    case 3:
        return "the file cannot be opened or locked, or is not an .ovr file";
    case 4:
        return "broken file";
    case 9:
        return "no channel mappings for this file";
    case 12:
        return "no cache footer: the file is damaged, incomplete or not a cache file";
    case FrameNotCreatedCode:
        return "out of memory";
    default:
        return "load failed";
    }
}

}  // namespace

std::string loadFailureReason(int code, bool fileExists) {
    return std::string(loadCodeMeaning(code)) + " (code " + std::to_string(code) + ")" + (fileExists ? "" : ": no such file");
}

}  // namespace OvrInfo
