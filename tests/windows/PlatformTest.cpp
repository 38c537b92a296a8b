// Files on Windows: UTF-8 names through the wide calls, times, the system's error codes and texts.
#include "platform/FileSystem.h"
#include "platform/FileSystemListing.h"
#include "tests/windows/WindowsTestSupport.h"
#include "utils/UtfConversion.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <set>

namespace {

// "ü€" in UTF-8, and a byte that is no UTF-8 at all.
const std::string kUnicodeName = "f\xC3\xBC\xE2\x82\xAC.ovr";
const std::string kByteName = "raw\xE9.ovr";

}  // namespace

TEST(WindowsFiles, Utf8NamesReachTheSystemAsUtf16AndComeBackUnchanged) {
    ScratchFolder scratch;
    scratch.write(kUnicodeName, "");
    scratch.write(kByteName, "");
    std::set<std::wstring> held;
    WIN32_FIND_DATAW entry;
    const std::u16string pattern = utf8ToWide(scratch / "*.ovr");
    HANDLE search = FindFirstFileW(reinterpret_cast<const wchar_t*>(pattern.c_str()), &entry);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &entry)) held.insert(entry.cFileName);
    FindClose(search);
    // A byte outside UTF-8 travels as the code point U+100000 + byte.
    EXPECT_EQ(held, (std::set<std::wstring>{L"f\u00FC\u20AC.ovr", L"raw\xDBC0\xDCE9.ovr"}));

    std::set<std::string> listed;
    Platform::DirectoryListing listing;
    std::string name;
    for (bool more = listing.first((scratch / "*.ovr").c_str(), name); more; more = listing.next(name)) listed.insert(name);
    EXPECT_EQ(listed, (std::set<std::string>{kUnicodeName, kByteName}));
}

TEST(WindowsFiles, TimesAreSecondsSince1970AndFailuresAreTheSystemsCodes) {
    ScratchFolder scratch;
    const std::string source = scratch.write(kUnicodeName, "content"), stamped = scratch.write("stamped", "");
    const std::string copy = scratch / "copy.ovr", moved = scratch / "moved.ovr", folder = scratch / "sub\xE2\x82\xAC";
    const int64_t accessed = 1600000000, modified = 1520413503, later = modified + 3600;
    const struct {
        const char* step;
        int code, expected;
    } steps[] = {
        {"set both times", Platform::setFileTimes(stamped.c_str(), &accessed, &modified), 0},
        {"set the modification time", Platform::setFileTimes(stamped.c_str(), nullptr, &later), 0},
        {"set the times of a missing file", Platform::setFileTimes(copy.c_str(), nullptr, &later), ERROR_FILE_NOT_FOUND},
        {"copy", Platform::copyFile(source.c_str(), copy.c_str(), true), 0},
        {"copy over", Platform::copyFile(source.c_str(), copy.c_str(), true), ERROR_FILE_EXISTS},
        {"copy onto itself", Platform::copyFile(source.c_str(), source.c_str(), false), ERROR_INVALID_PARAMETER},
        {"move over", Platform::moveFile(copy.c_str(), source.c_str()), ERROR_ALREADY_EXISTS},
        {"move", Platform::moveFile(copy.c_str(), moved.c_str()), 0},
        {"remove", Platform::removeFile(moved.c_str()), 0},
        {"remove again", Platform::removeFile(moved.c_str()), ERROR_FILE_NOT_FOUND},
        {"remove null", Platform::removeFile(nullptr), ERROR_INVALID_PARAMETER},
        {"make a folder", Platform::makeDirectory(folder.c_str()), 0},
        {"make it again", Platform::makeDirectory(folder.c_str()), ERROR_ALREADY_EXISTS},
        {"remove the folder", Platform::removeDirectory(folder.c_str()), 0},
    };
    for (const auto& s : steps) EXPECT_EQ(s.code, s.expected) << s.step;
    Platform::FileStatus status;
    ASSERT_TRUE(Platform::fileStatus(stamped.c_str(), status));
    EXPECT_EQ(status.modificationTime, later);
    EXPECT_EQ(status.accessTime, accessed);
    ASSERT_TRUE(Platform::fileStatus(source.c_str(), status));
    EXPECT_EQ(status.size, 7);  // neither the failed copy nor the failed move touched it
    const std::string text = Platform::systemErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(text.rfind("(2) ", 0), 0u) << text;
    EXPECT_GT(text.size(), 4u);
    EXPECT_NE(text.back(), '\n');
}
