// cacheconv run as a process: its whole standard output and exit status for the command lines
// users type, and the files it writes read back with OpenVDB.
#include "converter/CommandLine.h"
#include "loader/api/IOvr.h"
#include "tools/ovrsynth/PlumeFrame.h"

#include <gtest/gtest.h>
#include <openvdb/io/File.h>
#include <openvdb/openvdb.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct RunResult {
    std::string out;
    int status = -1;
};

std::string quoted(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs cacheconv with the arguments; standard error is not captured, so a test that compares
// the output also shows that nothing is printed there instead.
RunResult runCacheConv(const std::vector<std::string>& args, const fs::path& cwd) {
    std::string command = "cd " + quoted(cwd.string()) + " && " + quoted(CACHECONV_PATH);
    for (const std::string& a : args) command += " " + quoted(a);
    RunResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    const int raw = pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return result;
}

std::string helpScreen() {
    std::ostringstream out;
    printHelpScreen(out);
    return out.str();
}

std::string credits() {
    std::ostringstream out;
    printCredits(out);
    return out.str();
}

const char kNotSet[] =
    "Source and destination files have not been set. Use \"-srcfile\" and \"-dstfile\" arguments\n";

class CacheConvProcess : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("cacheconv_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    void writeFrame(const std::string& name, int frame) {
        OvrSynth::FrameOptions options;
        options.plume.resolution = 12;
        options.plume.particlesPerFrame = 8;
        const auto bytes = OvrSynth::buildPlumeFrame(options, frame);
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    fs::path dir;
};

TEST_F(CacheConvProcess, HelpAndCreditsPrintInArgumentOrderAndTheRunEndsQuietly) {
    const std::string help = helpScreen();
    EXPECT_EQ(help.rfind("Cache conversion tool (Fumara SDK version 0x31200)\n", 0), 0u);

    RunResult none = runCacheConv({}, dir);
    EXPECT_EQ(none.out, help + kNotSet);
    EXPECT_EQ(none.status, 0);

    RunResult helpOnly = runCacheConv({"-help"}, dir);
    EXPECT_EQ(helpOnly.out, help + kNotSet);
    EXPECT_EQ(helpOnly.status, 0);

    RunResult both = runCacheConv({"-credits", "-help"}, dir);
    EXPECT_EQ(both.out, credits() + help + kNotSet);
    EXPECT_EQ(both.status, 0);
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(CacheConvProcess, MalformedOrMissingNumbersEndTheRunAtOnce) {
    RunResult letter = runCacheConv({"-start", "x", "-help", "-srcfile", "a", "-dstfile", "b"}, dir);
    EXPECT_EQ(letter.out, "A number expected after -start.\n");
    EXPECT_EQ(letter.status, 1);

    RunResult endLetter = runCacheConv({"-end", "-3x", "-end", "q"}, dir);
    EXPECT_EQ(endLetter.out, "A number expected after -end.\n");
    EXPECT_EQ(endLetter.status, 1);

    // A number option standing last has no number.
    RunResult last = runCacheConv({"-srcfile", "a", "-dstfile", "b", "-end"}, dir);
    EXPECT_EQ(last.out, "A number expected after -end.\n");
    EXPECT_EQ(last.status, 1);

    // A name option standing last is ignored, and an empty number keeps the previous value.
    RunResult lastName = runCacheConv({"-start", "", "-srcfile"}, dir);
    EXPECT_EQ(lastName.out, kNotSet);
    EXPECT_EQ(lastName.status, 0);
}

TEST_F(CacheConvProcess, SingleFileModeConvertsTheNamesAsTheyStand) {
    writeFrame("in_##.ovr", 1);
    RunResult run = runCacheConv({"-srcfile", "in_##.ovr", "-dstfile", "out_##.vdb"}, dir);
    EXPECT_EQ(run.out, "Converting in_##.ovr to out_##.vdb | 0......50......100 | 1/0\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(fs::exists(dir / "out_##.vdb"));
}

TEST_F(CacheConvProcess, PatternRangeGoesOnPastAMissingFrame) {
    writeFrame("f_0003.ovr", 3);
    writeFrame("f_0005.ovr", 5);
    RunResult run = runCacheConv({"-srcfile", "f_####.ovr", "-dstfile", "v_####.vdb", "-start", "3", "-end", "5"}, dir);
    EXPECT_EQ(run.out,
              "Converting f_0003.ovr to v_0003.vdb | 0......50......100 | 1/3\n"
              "Converting f_0004.ovr to v_0004.vdb | 0...An error has been encountered while converting frame 2: "
              "Unable to load source cache \n"
              "Converting f_0005.ovr to v_0005.vdb | 0......50......100 | 3/3\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(fs::exists(dir / "v_0003.vdb"));
    EXPECT_FALSE(fs::exists(dir / "v_0004.vdb"));
    EXPECT_TRUE(fs::exists(dir / "v_0005.vdb"));

    RunResult silent = runCacheConv(
        {"-silent", "-srcfile", "f_####.ovr", "-dstfile", "w_####.vdb", "-start", "3", "-end", "4"}, dir);
    EXPECT_EQ(silent.out, "An error has been encountered while converting frame 2: Unable to load source cache \n");
    EXPECT_TRUE(fs::exists(dir / "w_0003.vdb"));

    RunResult backwards = runCacheConv({"-srcfile", "f_####.ovr", "-dstfile", "v_####.vdb", "-start", "5", "-end", "3"}, dir);
    EXPECT_EQ(backwards.out, "");
    EXPECT_EQ(backwards.status, 0);
}

TEST_F(CacheConvProcess, ARangeWithOneNameMissingFailsEachFrameInOrder) {
    writeFrame("f_0000.ovr", 0);
    RunResult noDestination = runCacheConv({"-srcfile", "f_####.ovr", "-end", "0"}, dir);
    EXPECT_EQ(noDestination.out,
              std::string(kNotSet) + "Converting f_0000.ovr to  | 0......50...An error has been encountered while "
                                     "converting frame 1: Unable to write to destination file\n");
    RunResult noSource = runCacheConv({"-silent", "-dstfile", "v_####.vdb", "-end", "0"}, dir);
    EXPECT_EQ(noSource.out, std::string(kNotSet) +
                                "An error has been encountered while converting frame 1: Unable to load source cache \n");
    EXPECT_FALSE(fs::exists(dir / "v_0000.vdb"));
}

TEST_F(CacheConvProcess, TheLastFrameNumberEndsTheRangeWithoutWrapping) {
    RunResult run = runCacheConv(
        {"-silent", "-srcfile", "m_#.ovr", "-dstfile", "m_#.vdb", "-start", "2147483646", "-end", "2147483647"}, dir);
    EXPECT_EQ(run.out,
              "An error has been encountered while converting frame 1: Unable to load source cache \n"
              "An error has been encountered while converting frame 2: Unable to load source cache \n");
    EXPECT_EQ(run.status, 0);
}

// Every voxel of every grid that cacheconv wrote, with or without the worker pool, holds the
// value the loader gives for the frame's channel.
TEST_F(CacheConvProcess, WrittenGridsHoldTheFrameChannelsWithAndWithoutThreads) {
    writeFrame("p_0001.ovr", 1);
    RunResult plain = runCacheConv({"-silent", "-srcfile", "p_####.ovr", "-dstfile", "a_####.vdb", "-start", "1", "-end", "1"}, dir);
    RunResult threaded = runCacheConv(
        {"-silent", "-threads", "2", "-srcfile", "p_####.ovr", "-dstfile", "b_####.vdb", "-start", "1", "-end", "1"}, dir);
    ASSERT_EQ(plain.out, "");
    ASSERT_EQ(threaded.out, "");

    IOvr* frame = newIOvr((dir / "p_0001.ovr").c_str());
    ASSERT_NE(frame, nullptr);
    int res[3];
    frame->getResolution(res);

    openvdb::initialize();
    const std::pair<const char*, int> grids[] = {{"Smoke_fmr", 2},     {"Temperature_fmr", 1}, {"Fuel_fmr", 10},
                                                 {"VelocityX_fmr", 4}, {"VelocityY_fmr", 5},   {"VelocityZ_fmr", 6},
                                                 {"ColorR_fmr", 7},    {"ColorG_fmr", 8},      {"ColorB_fmr", 9}};
    for (const char* name : {"a_0001.vdb", "b_0001.vdb"}) {
        openvdb::io::File file((dir / name).string());
        file.open();
        for (const auto& [gridName, channel] : grids) {
            auto grid = openvdb::gridPtrCast<openvdb::FloatGrid>(file.readGrid(gridName));
            ASSERT_TRUE(grid) << name << " " << gridName;
            const float* data = frame->getChannelData(channel);
            ASSERT_NE(data, nullptr);
            EXPECT_EQ(grid->activeVoxelCount(), openvdb::Index64(res[0]) * res[1] * res[2]);
            auto accessor = grid->getConstAccessor();
            size_t mismatches = 0;
            for (int z = 0, i = 0; z < res[2]; ++z)
                for (int y = 0; y < res[1]; ++y)
                    for (int x = 0; x < res[0]; ++x, ++i)
                        mismatches += accessor.getValue(openvdb::Coord(x, y, z)) != data[i];
            EXPECT_EQ(mismatches, 0u) << name << " " << gridName;
        }
        file.close();
    }
    deleteIOvr(frame);
}

}  // namespace
