#include "platform/DebugOutput.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using Platform::configureDebugOutput;
using Platform::outputDebugString;

namespace {

std::string scratchFile(const char* stem) {
    return testing::TempDir() + stem + "_" + std::to_string(getpid());
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Restores the silent default after each test.
class DebugOutputTest : public testing::Test {
protected:
    void TearDown() override {
        Platform::setDebugOutputHook(nullptr);
        configureDebugOutput(nullptr);
    }
};

}  // namespace

TEST_F(DebugOutputTest, AHookReceivesEachTextInsteadOfTheDestination) {
    testing::internal::CaptureStderr();
    configureDebugOutput("stderr");
    std::vector<std::string> texts;
    Platform::setDebugOutputHook([&texts](const char* text) { texts.emplace_back(text); });
    outputDebugString("first\n");
    outputDebugString(nullptr);
    outputDebugString("second");
    Platform::setDebugOutputHook(nullptr);
    outputDebugString("to stderr\n");
    EXPECT_EQ(texts, (std::vector<std::string>{"first\n", "second"}));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "to stderr\n");
}

TEST_F(DebugOutputTest, SilentUnlessADestinationIsChosen) {
    testing::internal::CaptureStderr();
    configureDebugOutput("");
    outputDebugString("unseen\n");
    configureDebugOutput(nullptr);
    outputDebugString("unseen\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(DebugOutputTest, AFileDestinationIsAppendedTo) {
    const std::string path = scratchFile("debug_output");
    {
        std::ofstream existing(path, std::ios::binary);
        existing << "earlier\n";
    }
    configureDebugOutput(path.c_str());
    outputDebugString("[WinThreadManager] Constructor.\n");
    outputDebugString("no newline");
    configureDebugOutput(nullptr);
    outputDebugString("after\n");
    EXPECT_EQ(readFile(path), "earlier\n[WinThreadManager] Constructor.\nno newline");
    std::remove(path.c_str());

    // A file that cannot be opened silences the output.
    configureDebugOutput((path + "/missing/dir").c_str());
    testing::internal::CaptureStderr();
    outputDebugString("dropped\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(DebugOutputTest, ConcurrentTextsArriveWhole) {
    const std::string path = scratchFile("debug_threads");
    std::remove(path.c_str());
    configureDebugOutput(path.c_str());
    constexpr int kThreads = 4;
    constexpr int kTexts = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            const std::string text = "thread " + std::to_string(t) + " " + std::string(100, 'a' + t) + "\n";
            for (int i = 0; i < kTexts; ++i) outputDebugString(text.c_str());
        });
    }
    for (std::thread& thread : threads) thread.join();
    configureDebugOutput(nullptr);

    std::istringstream lines(readFile(path));
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ASSERT_EQ(line.size(), 109u) << line;
        const char fill = line[7] - '0' + 'a';
        ASSERT_EQ(line.substr(9), std::string(100, fill)) << line;
        ++count;
    }
    EXPECT_EQ(count, kThreads * kTexts);
    std::remove(path.c_str());
}
