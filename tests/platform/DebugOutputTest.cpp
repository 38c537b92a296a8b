// The debugger output and dynamic libraries.
#include "platform/DebugOutput.h"
#include "platform/DynamicLibrary.h"
#include "tests/platform/ScratchDirectory.h"

#include <vector>

TEST(DebugOutput, GoesToTheHookOrTheChosenDestinationUnchanged) {
    ScratchDirectory dir;
    const std::string path = dir.write("debug.txt", "earlier\n");
    std::vector<std::string> hooked;
    testing::internal::CaptureStderr();
    for (const char* setting : {"", static_cast<const char*>(nullptr), "/missing/dir/file", "stderr"}) {
        Platform::configureDebugOutput(setting);
        Platform::outputDebugString(setting ? setting : "null");
    }
    Platform::setDebugOutputHook([&hooked](const char* text) { hooked.emplace_back(text); });
    for (const char* text : {"first\n", static_cast<const char*>(nullptr), "second"}) Platform::outputDebugString(text);
    Platform::setDebugOutputHook(nullptr);
    Platform::configureDebugOutput(path.c_str());
    Platform::outputDebugString("[WinThreadManager] Constructor.\n");
    Platform::outputDebugString("no newline");
    Platform::configureDebugOutput(nullptr);
    Platform::outputDebugString("after\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "stderr");
    EXPECT_EQ(hooked, (std::vector<std::string>{"first\n", "second"}));
    EXPECT_EQ(readFile(path), "earlier\n[WinThreadManager] Constructor.\nno newline");
}

TEST(DynamicLibrary, LoadsResolvesAndFreesOnlyRealLibraries) {
    Platform::LibraryHandle library = Platform::loadLibrary(OVR_TEST_LIBRARY);  // built beside the tests
    ASSERT_NE(library, nullptr);
    auto answer = reinterpret_cast<int (*)()>(Platform::findSymbol(library, "ovrTestAnswer"));
    ASSERT_TRUE(answer != nullptr && answer() == 42);
    EXPECT_FALSE(Platform::findSymbol(library, "Initialize") || Platform::findSymbol(library, nullptr));
    EXPECT_TRUE(Platform::freeLibrary(library));
    for (const char* path : {"/nonexistent/vdbbridge_x64.so", "no_such_library_name.so", __FILE__})
        EXPECT_EQ(Platform::loadLibrary(path), nullptr) << path;
    EXPECT_EQ(Platform::loadLibrary(nullptr), nullptr);
    EXPECT_FALSE(Platform::findSymbol(nullptr, "ovrTestAnswer") != nullptr || Platform::freeLibrary(nullptr));
}
