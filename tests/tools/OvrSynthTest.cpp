// ovrsynth run as a process: its output, messages and exit status for each command line, and the files it writes.
#include "tests/tools/ProgramRun.h"
#include "tools/ovrsynth/PlumeFrame.h"

#include <iterator>

using namespace OvrWriter;
using namespace OvrSynth;

namespace {

FrameOptions plumeOptions(int32_t resolution, int32_t particles, int bits = 16, int32_t version = kCurrentVersion) {
    FrameOptions o;
    o.plume.resolution = resolution;
    o.plume.particlesPerFrame = particles;
    o.quantBits = bits;
    o.version = version;
    return o;
}

using OvrSynthProgram = ProgramTest;

TEST_F(OvrSynthProgram, Transcripts) {
    const std::string usage = "Usage: ovrsynth [options]\n";
    const FrameOptions small = plumeOptions(12, 12 * 12 / 32);  // the default particle count
    const FrameOptions custom = plumeOptions(10, 3, 20, 4);
    auto written = [&](int frame, const std::string& name) {
        return "frame " + std::to_string(frame) + " -> " + name + " (" +
               std::to_string(buildPlumeFrame(small, frame).size()) + " bytes)\n";
    };
    struct Case {
        std::vector<std::string> args;
        int status;
        std::vector<std::string> out, err;
        const FrameOptions* options = nullptr;
        std::vector<std::pair<std::string, int>> files = {};  // exactly the files written: name, frame
    };
    const Case cases[] = {
        {{"-help"}, 0, {usage, "  -quiet "}, {}},
        {{"-res", "12", "-frames", "3", "-start", "5", "-quiet", "-out", "p_####.ovr"}, 0, {}, {}, &small,
         {{"p_0005.ovr", 5}, {"p_0006.ovr", 6}, {"p_0007.ovr", 7}}},
        {{"-start", "5", "-res", "12", "-frames", "2", "-out", "q%03d.ovr"}, 0,
         {"ovrsynth: " + written(5, "q005.ovr") + "ovrsynth: " + written(6, "q006.ovr")}, {}, &small,
         {{"q005.ovr", 5}, {"q006.ovr", 6}}},
        {{"-res", "10", "-frames", "1", "-start", "2", "-particles", "3", "-bits", "20", "-version", "4", "-quiet", "-out",
          "f.ovr"}, 0, {}, {}, &custom, {{"f.ovr", 2}}},
        {{"-res", "4", "-frames", "1", "-out", "missing/f_#.ovr"}, 1, {}, {"ovrsynth: cannot write \"missing/f_1.ovr\"\n"}},
        {{"-res", "1"}, 2, {}, {"ovrsynth: bad value \"1\" for -res (2 to 1024)\n" + usage}},
        {{"-res", "12x"}, 2, {}, {"ovrsynth: bad value \"12x\" for -res (2 to 1024)\n" + usage}},
        {{"-bits", "21"}, 2, {}, {"ovrsynth: bad value \"21\" for -bits (1 to 20)\n" + usage}},
        {{"-start", "2147483647"}, 2, {}, {"ovrsynth: bad value \"2147483647\" for -start (-1000000000 to 1000000000)\n" + usage}},
        {{"-bogus"}, 2, {}, {"ovrsynth: unknown option \"-bogus\"\n" + usage}},
        {{"-res"}, 2, {}, {"ovrsynth: option \"-res\" needs a value\n" + usage}},
        {{"-frames", "2", "-out", "plain.ovr"}, 2, {}, {"ovrsynth: the output pattern \"plain.ovr\" has no frame placeholder\n" + usage}},
        // Only the file name's placeholder counts.
        {{"-frames", "2", "-out", "dir_##/f.ovr"}, 2, {}, {"ovrsynth: the output pattern \"dir_##/f.ovr\" has no frame placeholder\n" + usage}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        expectTranscript(OVRSYNTH_PROGRAM, c.args, c.status, c.out, c.err);
        std::set<std::string> expected;
        for (const auto& [name, frame] : c.files) {
            expected.insert(name);
            const std::string written = readFile(path(name));
            EXPECT_EQ(Bytes(written.begin(), written.end()), buildPlumeFrame(*c.options, frame)) << name;
        }
        EXPECT_EQ(takeFiles(".ovr"), expected);
    }
}

}  // namespace
