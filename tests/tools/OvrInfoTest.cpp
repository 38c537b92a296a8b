// ovrinfo run as a process on frames written for the purpose: its output, messages and exit status
// for each command line.
#include "tests/tools/ProgramRun.h"
#include "tests/tools/FrameParts.h"
#include "tools/ovrsynth/PlumeFrame.h"

using namespace OvrWriter;
using OvrSynth::FrameOptions;

namespace {

using OvrInfoProgram = ProgramTest;

TEST_F(OvrInfoProgram, Transcripts) {
    // 3 x 4 x 5 voxels of known statistics: smoke 0 to 1 (mean 0.5), velocity (2, 3, 6) so speed 7,
    // colour (255, 128, 0); a scaled and moved grid, recorded ranges, a group with positions and ids
    // and one without positions.
    std::vector<float> smoke(60);
    for (size_t v = 0; v < smoke.size(); ++v) smoke[v] = float(v) / 59.0f;
    const std::vector<uint32_t> colour(60, 0x00FF8000u);
    CacheWriter described = gridFrame(4, 3, 4, 5,
                                      {{2, rawZone(smoke.data(), 60)}, {10, constantZone(60, 0.25f)},
                                       {4, constantZone(60, 2.0f)}, {5, constantZone(60, 3.0f)},
                                       {6, constantZone(60, 6.0f)}, {18, packedColourPayload(colour.data(), 60)}});
    const float transform[12] = {2, 0, 0, 0, 2, 0, 0, 0, 2, 4, 6, 8};
    described.transform(transform);
    described.frameNumber(41);
    described.particles({particleGroup("sparks", 2, {floatChannel(0, {0.5f, 1, 1.5f, 2, 2.5f, 3}), {10, idWords({5, 9}), 0, 0, {}, {}, {}}}),
                         particleGroup("ghost", 3, {floatChannel(2, {1, 2, 3})})},
                        false);
    described.channelRanges({{2, -1.5f, 2.25f}, {10, 0.25f, 0.25f}});
    // Loads, but fuel and the velocity of its particles fail to decode.
    CacheWriter undecodable = gridFrame(5, 2, 3, 4, {{2, constantZone(24, 0.5f)}, {10, Bytes(64, 0xA5)}});
    undecodable.particleData({particleGroup("dust", 2, {floatChannel(0, {1, 2, 3, 4, 5, 6}), floatChannel(1, {1, 2, 3, 4, 5, 6}, 1, 0, Bytes(16, 0x5A))})});
    // Without channels: one without its footer, one whose chunks never end.
    CacheWriter noFooter = gridFrame(5, 1, 1, 1, {}), endless = gridFrame(5, 1, 1, 1, {});
    noFooter.setWriteFooter(false);
    endless.setWriteChunkEnd(false);
    for (const auto& [name, file] : {std::pair<const char*, const CacheWriter*>{"shot_0042.ovr", &described}, {"bad.ovr", &undecodable},
                                     {"nofooter.ovr", &noFooter}, {"broken.ovr", &endless}})
        ASSERT_TRUE(file->save(path(name)));
    FrameOptions plume = [] { FrameOptions o; o.plume.resolution = 12; o.plume.particlesPerFrame = 6; return o; }();
    for (const char* name : {"plume_0012.ovr", "plume_0003.ovr", "plume_0010.ovr", "plume_0009.ovr", "plume_backup.ovr",
                             "other_0005.ovr", "loose_7.ovr", "loose_8.ovr"})
        ASSERT_TRUE(writeBytes(path(name), buildPlumeFrame(plume, 2)));
    plume.version = 4;  // 3-D zones
    ASSERT_TRUE(writeBytes(path("good.ovr"), buildPlumeFrame(plume, 2)));
    const std::string usage = "\n\nUsage: ovrinfo [options] FILE|PATTERN [...]\n";

    struct Case {
        std::vector<std::string> args;
        int status;
        std::vector<std::string> out, err;  // pieces in order, each once; none: nothing printed
    };
    const Case cases[] = {
        {{"shot_0042.ovr"}, 0,
         {"shot_0042.ovr\n  Container     version 4, 923 bytes\n  Frame         41 (the file name says 42)\n"
          "  Resolution    3 x 4 x 5 (60 voxels)\n",
          "                  o  4  6  8\n                voxel size 0.5, voxel (0, 0, 0) at world (-2, -3, -4)\n",
          "  Grid channels 9 readable, 6 stored\n",
          "     2  Smoke_fmr      smoke          stored               -1.5 .. 2.25\n",
          "    10  Fuel_fmr       fuel           stored               0.25 .. 0.25\n",
          "  Particles     2 groups, 5 particles, bounds (0.5, 1, 1.5) -> (2, 2.5, 3)\n",
          "    sparks          2  0     0 position, 10 id\n    ghost           3  0     2 (no positions: hidden from hosts)\n"},
         {}},
        {{"-stats", "shot_0042.ovr"}, 0,
         {"Stored range       Min       Max      Mean\n",
          "smoke          stored               -1.5 .. 2.25         0         1       0.5\n",
          "speed          derived from 4-6     -                    7         7         7\n",
          "velocity z     stored               -                    6         6         6\n",
          "colour red     unpacked from 18     -                    1         1         1\n",
          "colour green   unpacked from 18     -             0.501961  0.501961  0.501961\n",
          "fuel           stored               0.25 .. 0.25      0.25      0.25      0.25\n",
          "    sparks  0 position  float  x          0.5    2  1.25\n"
          "                               y            1  2.5  1.75\n"
          "                               z          1.5    3  2.25\n"
          "    sparks  10 id       int64  -            5    9     7\n"
          "    ghost   2           float  -            1    3     2\n"},
         {}},
        {{"plume_####.ovr"}, 0,
         {"plume_####.ovr: 4 frames, 3 to 12\n  missing frames: 4-8, 11\n\nplume_0003.ovr\n", "\nplume_0009.ovr\n",
          "\nplume_0010.ovr\n", "\nplume_0012.ovr\n", "\n4 frames, 0 failed\n"},
         {}},
        // Cache frames numbered without padding are found when no padded name matches.
        {{"loose_####.ovr"}, 0, {"loose_####.ovr: 2 frames, 7 to 8\n\nloose_7.ovr\n", "\nloose_8.ovr\n"}, {}},
        // A single matching file is checked against the pattern like any other.
        {{"other_%02d.ovr"}, 1, {}, {"ovrinfo: no frame files match other_%02d.ovr\n"}},
        {{"absent.ovr"}, 1, {"absent.ovr\n  Load failed   the file cannot be opened or locked, or is not an .ovr file (code 3): no such file\n"},
         {"ovrinfo: cannot load absent.ovr: the file cannot be opened or locked, or is not an .ovr file (code 3): no such file\n"}},
        {{"nofooter.ovr"}, 1, {"  Load failed   no cache footer: "},
         {"ovrinfo: cannot load nofooter.ovr: no cache footer: the file is damaged, incomplete or not a cache file (code 12)\n"
          "ovrinfo:   Failed reading the ovra2 file footer!\n"}},
        // The reader's own reason comes first, then its summary line.
        {{"good.ovr", "broken.ovr"}, 1,
         {"good.ovr\n", "  Resolution    12 x 12 x 12", "\nbroken.ovr\n  Load failed   broken file (code 4)\n\n2 frames, 1 failed\n"},
         {"ovrinfo: cannot load broken.ovr: broken file (code 4)\n",
          "ovrinfo:   FumaraFrameData::ImportOvr broken file. File is: broken.ovr\n"}},
        // Without -stats neither the grid nor the particle data chunk is read.
        {{"bad.ovr"}, 0, {"  Particles     none listed (-stats reads all particle data)\n"}, {}},
        {{"-stats", "bad.ovr"}, 1,
         {"     2  Smoke_fmr  smoke    stored  -                0.5  0.5   0.5\n"
          "    10  Fuel_fmr   fuel     stored  -             FAILED\n",
          "    dust   1 velocity  float             FAILED\n"},
         {"ovrinfo: bad.ovr: grid channel 10 (Fuel_fmr) failed to decode\novrinfo:   Invalid cache file!!!\n"
          "ovrinfo: bad.ovr: particle channel 1 of group \"dust\" failed to decode (0 of 2 particles read)\n",
          "ovrinfo:   Error decompressing particle channel 1 with method 1\n"}},
        // Every channel of a frame that ovrsynth wrote decodes.
        {{"-stats", "good.ovr"}, 0, {"  Particle values\n"}, {}},
        {{"-help"}, 0, {"Usage: ovrinfo [options] FILE|PATTERN [...]\n", "  -stats  "}, {}},
        {{}, 2, {}, {"ovrinfo: no file or pattern given" + usage}},
        {{"-bogus", "x.ovr"}, 2, {}, {"ovrinfo: unknown option \"-bogus\"" + usage}},
        {{"x.ovr", "-threads"}, 2, {}, {"ovrinfo: option \"-threads\" needs a value" + usage}},
        {{"-threads", "many", "x.ovr"}, 2, {}, {"ovrinfo: bad thread count \"many\" (0 to 1024)" + usage}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        expectTranscript(OVRINFO_PROGRAM, c.args, c.status, c.out, c.err);
    }

    // Worker threads decode the same values.
    const ProgramRun threaded = run(OVRINFO_PROGRAM, {"-stats", "-threads", "2", "plume_0003.ovr"});
    EXPECT_EQ(threaded.status, 0);
    EXPECT_EQ(threaded.out, run(OVRINFO_PROGRAM, {"-stats", "plume_0003.ovr"}).out);
}

}  // namespace
