// A host as Microsoft's compiler builds it: compiled by clang for the MSVC ABI, without a C runtime,
// and linked by lld-link with the import library ovrloader.lib, so every call goes through a
// Microsoft-decorated name and every frame operation through the table of virtual operations that
// GCC laid out. It reads msvc_host_0001.ovr (written by ovrsynth, 16^3 voxels) from the current
// folder. Exit code 0 when every check held, otherwise the number of the first failed check.
#include "loader/api/IOvr.h"

extern "C" __declspec(dllimport) void __stdcall ExitProcess(unsigned exitCode);
// Floating-point code of this ABI refers to this symbol, which the C runtime would define.
extern "C" int _fltused = 0;

namespace {

const char* const kFrame = "msvc_host_0001.ovr";

unsigned checks() {
    if (FumaraSDKGetVersionNumber() != 201216) return 1;
    IOvr* frame = newIOvr(kFrame);
    if (frame == nullptr) return 2;
    int resolution[3] = {0, 0, 0};
    if (frame->getResolution(resolution) != 16 || resolution[1] != 16 || resolution[2] != 16) return 3;
    if (frame->hasChannel(2) != 1 || frame->hasChannel(31) != 0) return 4;
    const float* smoke = frame->getChannelData(2);
    const float* speed = frame->getChannelData(3);
    if (smoke == nullptr || speed == nullptr) return 5;
    float largest = 0.0f;
    for (int i = 0; i < 16 * 16 * 16; ++i) largest = smoke[i] > largest ? smoke[i] : largest;
    if (!(largest > 0.0f)) return 6;
    if (newIOvrWithChannelsMapping(kFrame, "") != frame) return 7;  // shared, one more reference
    deleteIOvr(frame);
    deleteIOvr(frame);
    IOvr* header = newIOvrMaxVox(kFrame, -1, true);
    if (header == nullptr || header->getResolution(resolution) != 16) return 8;
    deleteIOvr(header);
    if (newIOvrWithChannelsMappingMaxVox("missing.ovr", nullptr, 100, false) != nullptr) return 9;

    ZUtils::ThreadManager* manager = createDefaultThreadManager();
    if (manager == nullptr) return 10;
    if (initalizeOvraLoader("", "x64", 0, manager) != 0 || initalizeOvraLoader(nullptr, "x64", 0) != 0) return 11;
    finalizeOvraLoader();
    destroyDefaultThreadManager(manager);
    return 0;
}

}  // namespace

extern "C" void hostStart() { ExitProcess(checks()); }
