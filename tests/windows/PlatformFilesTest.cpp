// Files on Windows: UTF-8 names through the wide calls and listings, status and times, the shared
// lock, copies and moves, error texts, directories, the debug output file and dynamic libraries.
#include "platform/DebugOutput.h"
#include "platform/Directories.h"
#include "platform/DynamicLibrary.h"
#include "platform/FileLock.h"
#include "platform/FileOpen.h"
#include "platform/FileSystem.h"
#include "platform/FileSystemListing.h"
#include "tests/windows/WindowsTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <set>

namespace {

// "ü€" in UTF-8, and a byte that is no UTF-8 at all.
const std::string kUnicodeName = "f\xC3\xBC\xE2\x82\xAC.ovr";
const std::string kByteName = "raw\xE9.ovr";

// The UTF-16 names the system holds in a folder.
std::set<std::wstring> systemNames(const std::string& folder) {
    std::set<std::wstring> names;
    std::string pattern = folder + "\\*";
    WIN32_FIND_DATAW entry;
    const std::wstring widePattern(pattern.begin(), pattern.end());  // the scratch path is ASCII
    HANDLE search = FindFirstFileW(widePattern.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.insert(entry.cFileName);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return names;
}

}  // namespace

TEST(WindowsFiles, Utf8NamesReachTheSystemAsUtf16AndComeBackUnchanged) {
    ScratchFolder scratch;
    std::FILE* unicode = Platform::openFile((scratch / kUnicodeName).c_str(), "wb");
    std::FILE* bytes = Platform::openFile((scratch / kByteName).c_str(), "wb");
    ASSERT_NE(unicode, nullptr);
    ASSERT_NE(bytes, nullptr);
    std::fputs("12345", unicode);
    std::fclose(unicode);
    std::fclose(bytes);

    const std::set<std::wstring> held = systemNames(scratch.path());
    EXPECT_EQ(held.count(L"f\u00FC\u20AC.ovr"), 1u);
    // A byte outside UTF-8 travels as the code point U+100000 + byte.
    EXPECT_EQ(held.count(std::wstring(L"raw") + wchar_t(0xDBC0) + wchar_t(0xDCE9) + L".ovr"), 1u);

    std::multiset<std::string> listed;
    Platform::DirectoryListing listing;
    std::string name;
    for (bool more = listing.first((scratch / "*.ovr").c_str(), name); more; more = listing.next(name)) listed.insert(name);
    EXPECT_EQ(listed, (std::multiset<std::string>{kUnicodeName, kByteName}));

    Platform::FileStatus status;
    ASSERT_TRUE(Platform::fileStatus((scratch / kUnicodeName).c_str(), status));
    EXPECT_EQ(status.size, 5);
    EXPECT_EQ(status.attributes & Platform::fileAttributeDirectory, 0u);
    ASSERT_TRUE(Platform::fileStatus(scratch.path().c_str(), status));
    EXPECT_NE(status.attributes & Platform::fileAttributeDirectory, 0u);
    EXPECT_FALSE(Platform::fileStatus((scratch / "missing.ovr").c_str(), status));
}

TEST(WindowsFiles, TimesAreSetAndReadInSecondsSince1970) {
    ScratchFolder scratch;
    const std::string path = scratch.write(kUnicodeName, "x");
    const int64_t modified = 1520413503;  // 2018-03-07 09:05:03 UTC
    const int64_t accessed = 1600000000;
    ASSERT_EQ(Platform::setFileTimes(path.c_str(), &accessed, &modified), 0);
    Platform::FileStatus status;
    ASSERT_TRUE(Platform::fileStatus(path.c_str(), status));
    EXPECT_EQ(status.modificationTime, modified);
    EXPECT_EQ(status.accessTime, accessed);
    const int64_t later = modified + 3600;
    ASSERT_EQ(Platform::setFileTimes(path.c_str(), nullptr, &later), 0);
    ASSERT_TRUE(Platform::fileStatus(path.c_str(), status));
    EXPECT_EQ(status.modificationTime, later);
    EXPECT_EQ(status.accessTime, accessed);
    EXPECT_EQ(Platform::setFileTimes((scratch / "missing").c_str(), nullptr, &later), ERROR_FILE_NOT_FOUND);
}

TEST(WindowsFiles, SharedLocksCoexistAndAnExclusiveOneExcludesThem) {
    ScratchFolder scratch;
    const std::string path = scratch.write("locked.ovr", "data");
    std::FILE* first = Platform::openFile(path.c_str(), "rb");
    std::FILE* second = Platform::openFile(path.c_str(), "rb");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(Platform::lockFileShared(first));
    EXPECT_TRUE(Platform::lockFileShared(second));
    char byte = 0;
    EXPECT_EQ(std::fread(&byte, 1, 1, first), 1u);  // a shared lock keeps the file readable
    EXPECT_TRUE(Platform::unlockFile(first));
    EXPECT_TRUE(Platform::unlockFile(second));
    EXPECT_FALSE(Platform::unlockFile(second));

    // A writer's exclusive lock through its own handle, as another program would take it.
    const std::wstring widePath(path.begin(), path.end());
    HANDLE writer = CreateFileW(widePath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    OVERLAPPED start{};
    ASSERT_TRUE(LockFileEx(writer, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &start));
    EXPECT_FALSE(Platform::lockFileShared(first));
    UnlockFileEx(writer, 0, MAXDWORD, MAXDWORD, &start);
    CloseHandle(writer);
    EXPECT_TRUE(Platform::lockFileShared(first));
    EXPECT_TRUE(Platform::unlockFile(first));
    std::fclose(first);
    std::fclose(second);
    EXPECT_FALSE(Platform::lockFileShared(nullptr));
}

TEST(WindowsFiles, CopiesMovesAndRemovalsReportSystemCodes) {
    ScratchFolder scratch;
    const std::string source = scratch.write(kUnicodeName, "content");
    const std::string copy = scratch / "copy.ovr";
    EXPECT_EQ(Platform::copyFile(source.c_str(), copy.c_str(), true), 0);
    EXPECT_EQ(readAll(copy), "content");
    EXPECT_EQ(Platform::copyFile(source.c_str(), copy.c_str(), true), ERROR_FILE_EXISTS);
    EXPECT_EQ(Platform::copyFile(source.c_str(), source.c_str(), false), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(readAll(source), "content");
    EXPECT_TRUE(Platform::isSameFile(source.c_str(), (scratch.path() + "/./" + kUnicodeName).c_str()));
    EXPECT_FALSE(Platform::isSameFile(source.c_str(), copy.c_str()));

    const std::string moved = scratch / "moved.ovr";
    EXPECT_EQ(Platform::moveFile(copy.c_str(), source.c_str()), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(Platform::moveFile(copy.c_str(), moved.c_str()), 0);
    EXPECT_EQ(readAll(moved), "content");
    EXPECT_EQ(Platform::removeFile(moved.c_str()), 0);
    EXPECT_EQ(Platform::removeFile(moved.c_str()), ERROR_FILE_NOT_FOUND);

    const std::string folder = scratch / ("sub\xE2\x82\xAC");
    EXPECT_EQ(Platform::makeDirectory(folder.c_str()), 0);
    EXPECT_EQ(Platform::makeDirectory(folder.c_str()), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(Platform::removeDirectory(folder.c_str()), 0);
    EXPECT_EQ(Platform::removeFile(nullptr), ERROR_INVALID_PARAMETER);
}

TEST(WindowsFiles, ErrorTextsCarryTheCodeAndTheSystemsMessage) {
    const std::string text = Platform::systemErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(text.rfind("(2) ", 0), 0u) << text;
    EXPECT_GT(text.size(), 4u);
    EXPECT_NE(text.back(), '\n');
    EXPECT_EQ(Platform::systemErrorText(0), "");
    EXPECT_EQ(Platform::runtimeErrorText(ENOENT).rfind("(2) ", 0), 0u);
}

TEST(WindowsFiles, ThePluginSearchsExistenceTestSeesFilesAndFolders) {
    ScratchFolder scratch;
    const std::string file = scratch.write("vdbbridge_x64.dll", "");
    EXPECT_TRUE(Platform::pathExists(file.c_str()));
    EXPECT_TRUE(Platform::pathExists(scratch.path().c_str()));
    EXPECT_FALSE(Platform::pathExists((scratch / "f3dbridge_x64.dll").c_str()));
    EXPECT_FALSE(Platform::pathExists(nullptr));
}

TEST(WindowsDirectories, CurrentAndTemporaryDirectoriesAreUtf8) {
    ScratchFolder scratch;
    const std::string folder = scratch / "cwd\xC3\xBC";
    ASSERT_EQ(Platform::makeDirectory(folder.c_str()), 0);
    const std::string before = Platform::currentDirectory();
    ASSERT_FALSE(before.empty());
    ASSERT_TRUE(SetCurrentDirectoryW((std::wstring(scratch.path().begin(), scratch.path().end()) + L"\\cwd\u00FC").c_str()));
    const std::string inside = Platform::currentDirectory();
    SetCurrentDirectoryW(std::wstring(before.begin(), before.end()).c_str());
    EXPECT_EQ(inside, folder);
    const std::string temp = Platform::temporaryDirectory();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_EQ(scratch.path().rfind(temp, 0), 0u);
}

TEST(WindowsDebugOutput, AFileDestinationReceivesEachTextWhole) {
    ScratchFolder scratch;
    const std::string log = scratch / "debug \xE2\x82\xAC.log";
    Platform::configureDebugOutput(log.c_str());
    Platform::outputDebugString("[WinThreadManager] Constructor.\n");
    Platform::outputDebugString(nullptr);
    Platform::outputDebugString("second");
    Platform::configureDebugOutput(nullptr);
    Platform::outputDebugString("silent\n");
    EXPECT_EQ(readAll(log), "[WinThreadManager] Constructor.\nsecond");
}

TEST(WindowsDynamicLibrary, LoadsResolvesAndFreesAModule) {
    const std::string path = programDirectory() + "ovr_test_library.dll";
    Platform::LibraryHandle library = Platform::loadLibrary(path.c_str());
    ASSERT_NE(library, nullptr) << path;
    using Answer = int (*)();
    const auto answer = reinterpret_cast<Answer>(Platform::findSymbol(library, "ovrTestAnswer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(Platform::findSymbol(library, "missing"), nullptr);
    EXPECT_EQ(Platform::findSymbol(library, nullptr), nullptr);
    EXPECT_TRUE(Platform::freeLibrary(library));
    EXPECT_EQ(Platform::loadLibrary((programDirectory() + "missing.dll").c_str()), nullptr);
    EXPECT_EQ(Platform::loadLibrary(nullptr), nullptr);
    EXPECT_FALSE(Platform::freeLibrary(nullptr));
}
