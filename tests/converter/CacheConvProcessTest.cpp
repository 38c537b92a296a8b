// cacheconv run as a process: its whole output and exit status for the command lines users type,
// and the files it writes.
#include "converter/CommandLine.h"
#include "tests/tools/ProgramRun.h"
#include "tools/ovrsynth/PlumeFrame.h"

namespace {

using CacheConvProcess = ProgramTest;

TEST_F(CacheConvProcess, Transcripts) {
    std::ostringstream helpText, creditsText, optionsText;
    printHelpScreen(helpText);
    printCredits(creditsText);
    printOptions(optionsText);
    const std::string help = helpText.str(), credits = creditsText.str(), options = optionsText.str();
    EXPECT_EQ(help.rfind("Cache conversion tool (Fumara SDK version 0x31200)\n", 0), 0u);
    const std::string notSet =
        "Source and destination files have not been set. Use \"-srcfile\" and \"-dstfile\" arguments\n";
    const std::string failed = "An error has been encountered while converting frame ";
    OvrSynth::FrameOptions plume;
    plume.plume.resolution = 12;
    plume.plume.particlesPerFrame = 8;
    for (const auto& [name, frame] : {std::pair<const char*, int>{"in_##.ovr", 1}, {"f_0003.ovr", 3}, {"f_0005.ovr", 5},
                                      {"f_0000.ovr", 0}, {"p_0001.ovr", 1}})
        ASSERT_TRUE(OvrWriter::writeBytes(path(name), OvrSynth::buildPlumeFrame(plume, frame)));
    const std::string range =
        "Converting f_0003.ovr to v_0003.vdb | 0......50......100 | 1/3\n"
        "Converting f_0004.ovr to v_0004.vdb | 0..." + failed + "2: Unable to load source cache \n"
        "Converting f_0005.ovr to v_0005.vdb | 0......50......100 | 3/3\n";

    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::set<std::string> written;  // exactly the files written
    } cases[] = {
        {{}, 0, help + notSet, {}},
        {{"-help"}, 0, help + notSet, {}},
        {{"-credits", "-help"}, 0, credits + help + notSet, {}},
        // A malformed or missing number ends the run at once.
        {{"-start", "x", "-help", "-srcfile", "a", "-dstfile", "b"}, 1, "A number expected after -start.\n", {}},
        {{"-end", "-3x", "-end", "q"}, 1, "A number expected after -end.\n", {}},
        {{"-srcfile", "a", "-dstfile", "b", "-end"}, 1, "A number expected after -end.\n", {}},
        // A name option standing last is ignored, and an empty number keeps the previous value.
        {{"-start", "", "-srcfile"}, 0, notSet, {}},
        // Without a frame placeholder the names are used as they stand.
        {{"-srcfile", "in_##.ovr", "-dstfile", "out_##.vdb"}, 0,
         "Converting in_##.ovr to out_##.vdb | 0......50......100 | 1/0\n", {"out_##.vdb"}},
        // A range goes on past a missing frame.
        {{"-srcfile", "f_####.ovr", "-dstfile", "v_####.vdb", "-start", "3", "-end", "5"}, 0, range,
         {"v_0003.vdb", "v_0005.vdb"}},
        // Frames in flight print what a serial run prints, in frame order.
        {{"-threads", "0", "-layout", "blender", "-sparse", "-srcfile", "f_####.ovr", "-dstfile", "v_####.vdb", "-start",
          "3", "-end", "5"}, 0, range, {"v_0003.vdb", "v_0005.vdb"}},
        // The project's options are listed apart; bad ones end the run before any frame.
        {{"-options"}, 0, options + notSet, {}},
        {{"-srcfile", "p_####.ovr", "-dstfile", "p_####.vdb", "-layout", "maya", "-end", "1"}, 1,
         "A layout expected after -layout: fumara, houdini or blender.\n", {}},
        {{"-layout", "houdini", "-layout", "blender"}, 1, "-layout is given twice.\n", {}},
        {{"-half", "-sparse", "-half", "-srcfile", "p_####.ovr", "-dstfile", "p_####.vdb", "-end", "1"}, 1,
         "-half is given twice.\n", {}},
        {{"-silent", "-srcfile", "f_####.ovr", "-dstfile", "w_####.vdb", "-start", "3", "-end", "4"}, 0,
         failed + "2: Unable to load source cache \n", {"w_0003.vdb"}},
        {{"-srcfile", "f_####.ovr", "-dstfile", "v_####.vdb", "-start", "5", "-end", "3"}, 0, "", {}},
        // With one name missing each frame fails in order.
        {{"-srcfile", "f_####.ovr", "-end", "0"}, 0,
         notSet + "Converting f_0000.ovr to  | 0......50..." + failed + "1: Unable to write to destination file\n", {}},
        {{"-silent", "-dstfile", "v_####.vdb", "-end", "0"}, 0, notSet + failed + "1: Unable to load source cache \n", {}},
        // The last frame number ends the range without wrapping.
        {{"-silent", "-srcfile", "m_#.ovr", "-dstfile", "m_#.vdb", "-start", "2147483646", "-end", "2147483647"}, 0,
         failed + "1: Unable to load source cache \n" + failed + "2: Unable to load source cache \n", {}},
        {{"-silent", "-threads", "2", "-srcfile", "p_####.ovr", "-dstfile", "p_####.vdb", "-start", "1", "-end", "1"}, 0, "",
         {"p_0001.vdb"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const ProgramRun r = run(CACHECONV_PATH, c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(takeFiles(".vdb"), c.written);
    }
}

// A frame whose file cannot be written fails alone: the destination keeps what it held, no
// temporary file stays behind, and the run goes on. The shell's file-size limit (SIGXFSZ ignored)
// makes writes fail as on a full disk.
TEST_F(CacheConvProcess, FailedWritesLeaveNoPartialFiles) {
    OvrSynth::FrameOptions options;
    options.plume.resolution = 12;
    for (int frame : {1, 2, 3})
        ASSERT_TRUE(OvrWriter::writeBytes(path("f_000" + std::to_string(frame) + ".ovr"),
                                          OvrSynth::buildPlumeFrame(options, frame)));
    std::filesystem::create_directory(dir / "v_0002.vdb");  // a name that cannot be written
    scratch.write("v_0001.vdb", "previous");
    const std::string failed = "An error has been encountered while converting frame ";
    const std::string unable = "Unable to write to destination file\n", fullDisk = "trap '' XFSZ; ulimit -f 8; ";
    const struct { std::string shellSetup, out; std::set<std::string> files; } cases[] = {
        {fullDisk, failed + "1: " + unable + failed + "2: " + unable + failed + "3: " + unable,
         {"v_0001.vdb", "v_0002.vdb"}},
        {"", failed + "2: " + unable, {"v_0001.vdb", "v_0002.vdb", "v_0003.vdb"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shellSetup);
        EXPECT_EQ(readFile(path("v_0001.vdb")), "previous");
        const ProgramRun r = run(CACHECONV_PATH, {"-silent", "-srcfile", "f_####.ovr", "-dstfile", "v_####.vdb",
                                                  "-start", "1", "-end", "3"}, c.shellSetup);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.out);
        std::set<std::string> files = namesIn(dir);
        for (const char* source : {"f_0001.ovr", "f_0002.ovr", "f_0003.ovr"}) files.erase(source);
        EXPECT_EQ(files, c.files);
    }
    EXPECT_GT(std::filesystem::file_size(dir / "v_0001.vdb"), 1000u);
}

// A run killed while it writes leaves at most its temporary file, never a partial .vdb.
TEST_F(CacheConvProcess, AKilledRunLeavesNoPartialVdb) {
    OvrSynth::FrameOptions options;
    options.plume.resolution = 96;
    ASSERT_TRUE(OvrWriter::writeBytes(path("big.ovr"), OvrSynth::buildPlumeFrame(options, 1)));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (chdir(dir.c_str()) == 0)
            execl(CACHECONV_PATH, "cacheconv", "-silent", "-srcfile", "big.ovr", "-dstfile", "big.vdb", nullptr);
        _exit(127);
    }
    bool writing = false;
    for (int wait = 0; !writing && wait < 120000 && waitpid(child, nullptr, WNOHANG) == 0; ++wait) {
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            writing = writing || entry.path().extension() == ".partial";
        if (!writing) usleep(500);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(writing) << "the temporary file never appeared";
    EXPECT_FALSE(std::filesystem::exists(dir / "big.vdb"));
}

}  // namespace
