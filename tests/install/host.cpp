// A host program built against an installed ovrloader: opens the frame given on the command
// line, reads its smoke channel and particles, and releases everything.
#include <IOvr.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: host FRAME.ovr PLUGIN_DIR\n");
        return 2;
    }
    const int plugins = initalizeOvraLoader(argv[2], "x64", 0);
    IOvr* frame = newIOvr(argv[1]);
    if (!frame) {
        std::fprintf(stderr, "cannot load %s\n", argv[1]);
        return 1;
    }
    int resolution[3];
    frame->getResolution(resolution);
    const float* smoke = frame->getChannelData(2);
    double sum = 0;
    for (long i = 0, n = long(resolution[0]) * resolution[1] * resolution[2]; smoke && i < n; ++i) sum += smoke[i];
    const int groups = frame->getParticleGroupCount();
    std::printf("plug-ins %d, resolution %dx%dx%d, smoke sum %g, particle groups %d\n", plugins, resolution[0],
                resolution[1], resolution[2], sum, groups);
    deleteIOvr(frame);
    finalizeOvraLoader();
    // The vdbbridge plug-in must have been found in the installed plug-in folder.
    return smoke && groups > 0 && (plugins & 2) ? 0 : 1;
}
