// A cache plug-in for tests, built in several variants (see CMakeLists.txt). It serves as either
// "f3dbridge" or "vdbbridge". Its files are text:
//   - listed channels: one "name flag" pair per line, in order;
//   - imported: every mapping record becomes a channel of a 2 x 2 x 2 frame whose voxels hold
//     the record's channel number times its scale; a path containing "refuse" fails with 42.
#include "loader/format/FumaraFrameData.h"
#include "loader/plugins/CachePluginInterface.h"
#include "tests/plugins/fakes/FakePluginCalls.h"

#include <cstring>
#include <fstream>
#include <string>

namespace {

FakePluginCalls calls;

int importFrame(const char* path, FumaraFrameData* frame, bool headerOnly, CacheIO::GridMapping* mappings,
                int count) {
    ++calls.imports;
    if (std::strstr(path, "refuse")) return 42;
    const int32_t resolution[3] = {2, 2, 2};
    std::memcpy(frame->description.gridResolution, resolution, sizeof resolution);
    for (int i = 0; i < count; ++i) {
        const int channel = mappings[i].channel;
        if (channel < 0 || channel > 31) continue;
        frame->description.channelFlags |= 1u << channel;
        if (headerOnly) continue;
        CacheIO::GridChannelRecord& record = frame->channelRecord(channel);
        if (!frame->AllocateChannelGrid(record, resolution, 0)) return 7;
        for (int v = 0; v < 8; ++v) record.grid->values.data()[v] = static_cast<float>(channel) * mappings[i].scale;
    }
    return 0;
}

} // namespace

OVR_PLUGIN_ENTRY FakePluginCalls* FakePluginCalls() {
    return &calls;
}

OVR_PLUGIN_ENTRY int Initialize() {
    ++calls.initialize;
#ifdef FAKE_REFUSE_INITIALIZE
    return 5;
#else
    return 0;
#endif
}

OVR_PLUGIN_ENTRY int SetThreadManager(ZUtils::ThreadManager* manager) {
    ++calls.setThreadManager;
    calls.threadManager = manager;
#ifdef FAKE_REFUSE_THREAD_MANAGER
    return 1;
#else
    return 0;
#endif
}

OVR_PLUGIN_ENTRY int ReleaseThreadManager() {
    ++calls.releaseThreadManager;
    calls.threadManager = nullptr;
    return 0;
}

OVR_PLUGIN_ENTRY int ImportFrameF3D(const char* path, FumaraFrameData* frame, bool headerOnly,
                                    CacheIO::GridMapping* mappings, int count) {
    return importFrame(path, frame, headerOnly, mappings, count);
}

OVR_PLUGIN_ENTRY int ImportFrameVDB(const char* path, FumaraFrameData* frame, int*, bool headerOnly,
                                    CacheIO::GridMapping* mappings, int count, long long) {
    return importFrame(path, frame, headerOnly, mappings, count);
}

#ifndef FAKE_WITHOUT_CHANNEL_LISTING
OVR_PLUGIN_ENTRY int GetAvailableChannels(const char* path, CacheIO::AvailableChannelList* channels) {
    ++calls.channelListings;
    std::ifstream file(path);
    CacheIO::AvailableChannels record;
    int flag = 0;
    while (file >> record.name >> flag) {
        record.flag = static_cast<unsigned char>(flag);
        channels->Append(record);
    }
    return 0;
}
#endif

#ifndef FAKE_WITHOUT_EXPORT_FRAME
OVR_PLUGIN_ENTRY void ExportFrame() {}
#endif
