#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

namespace {

// Built beside the tests; the build passes its path.
const char* const testLibrary = OVR_TEST_LIBRARY;

TEST(DynamicLibrary, LoadsResolvesAndFrees)
{
    ASSERT_TRUE(Platform::pathExists(testLibrary));
    Platform::LibraryHandle library = Platform::loadLibrary(testLibrary);
    ASSERT_NE(library, nullptr);

    using AnswerFunction = int (*)();
    auto answer = reinterpret_cast<AnswerFunction>(Platform::findSymbol(library, "ovrTestAnswer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(Platform::findSymbol(library, "Initialize"), nullptr);
    EXPECT_EQ(Platform::findSymbol(library, nullptr), nullptr);

    EXPECT_TRUE(Platform::freeLibrary(library));
}

TEST(DynamicLibrary, MissingOrNullLibraryGivesNull)
{
    EXPECT_FALSE(Platform::pathExists("/nonexistent/vdbbridge_x64.so"));
    EXPECT_EQ(Platform::loadLibrary("/nonexistent/vdbbridge_x64.so"), nullptr);
    EXPECT_EQ(Platform::loadLibrary("no_such_library_name.so"), nullptr);
    EXPECT_EQ(Platform::loadLibrary(nullptr), nullptr);
    EXPECT_EQ(Platform::findSymbol(nullptr, "ovrTestAnswer"), nullptr);
    EXPECT_FALSE(Platform::freeLibrary(nullptr));
    EXPECT_FALSE(Platform::pathExists(nullptr));
}

TEST(DynamicLibrary, AFileThatIsNoLibraryDoesNotLoad)
{
    ASSERT_TRUE(Platform::pathExists(__FILE__));
    EXPECT_EQ(Platform::loadLibrary(__FILE__), nullptr);
}

}  // namespace
