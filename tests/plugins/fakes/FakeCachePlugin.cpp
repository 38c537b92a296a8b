// A cache plug-in for tests that serves as "f3dbridge" or "vdbbridge", built in variants (see
// CMakeLists.txt). Its files are text: it lists their "name flag" lines as channels, and imports
// each mapping record as a channel of a 2 x 2 x 2 frame whose voxels hold the channel number times
// the record's scale; a path containing "refuse" fails with 42.
#include "loader/format/FumaraFrameData.h"
#include "loader/plugins/CachePluginInterface.h"
#include "tests/plugins/fakes/FakePluginCalls.h"

#include <algorithm>
#include <cstring>
#include <fstream>

static FakePluginCalls calls;

OVR_PLUGIN_ENTRY int ImportFrameF3D(const char* path, FumaraFrameData* frame, bool headerOnly,
                                    CacheIO::GridMapping* mappings, int count, long long) {
    if (std::strstr(path, "refuse")) return 42;
    const int32_t resolution[3] = {2, 2, 2};
    std::memcpy(frame->description.gridResolution, resolution, sizeof resolution);
    for (int i = 0; i < count; ++i) {
        const int channel = mappings[i].channel;
        if (channel < 0 || channel > 31) continue;
        frame->description.channelFlags |= 1u << channel;
        CacheIO::GridChannelRecord& record = frame->channelRecord(channel);
        if (headerOnly) continue;
        if (!frame->AllocateChannelGrid(record, resolution, 0)) return 7;
        std::fill_n(record.grid->values.data(), 8, static_cast<float>(channel) * mappings[i].scale);
    }
    return 0;
}

OVR_PLUGIN_ENTRY FakePluginCalls* FakePluginCalls() { return &calls; }

OVR_PLUGIN_ENTRY int Initialize() { return ++calls.initialize, FAKE_INITIALIZE_RESULT; }

OVR_PLUGIN_ENTRY int SetThreadManager(ZUtils::ThreadManager* manager) {
    return calls.threadManager = manager, FAKE_THREAD_MANAGER_RESULT;
}

OVR_PLUGIN_ENTRY int ReleaseThreadManager() { return calls.threadManager = nullptr, 0; }

OVR_PLUGIN_ENTRY int ImportFrameVDB(const char* path, FumaraFrameData* frame, int*, bool headerOnly,
                                    CacheIO::GridMapping* mappings, int count, long long voxelLimit) {
    return ImportFrameF3D(path, frame, headerOnly, mappings, count, voxelLimit);
}

#ifndef FAKE_WITHOUT_CHANNEL_LISTING
OVR_PLUGIN_ENTRY int GetAvailableChannels(const char* path, CacheIO::AvailableChannelList* channels) {
    std::ifstream file(path);
    CacheIO::AvailableChannels record;
    for (int flag = 0; file >> record.name >> flag; channels->Append(record))
        record.flag = static_cast<unsigned char>(flag);
    return 0;
}
#endif

OVR_PLUGIN_ENTRY void ExportFrame() {}
