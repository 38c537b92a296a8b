// File operations, queries and listings, down to the platform's file system calls.
#include "LogCapture.h"
#include "platform/FileSystem.h"
#include "platform/FileSystemListing.h"
#include "utils/FileList.h"
#include "utils/FileOps.h"
#include "utils/FileQueries.h"
#include "utils/UtfConversion.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace ZUtils;

// One operation, the function its error record names (null: success), its code and message.
#define FAILS(call, function, code, message) {[&] { return call; }, function, code, message}
#define WORKS(call) FAILS(call, nullptr, 0, "")

TEST(FileOps, EachOperationSucceedsOrReportsWhyInOneRecord) {
    ScratchDirectory d;
    std::deque<std::string> paths;
    auto at = [&](const std::string& name) { return paths.emplace_back(name[0] == '/' ? name : d / name).c_str(); };
    auto w = [&](const std::string& name) { return utf8ToWide(at(name)); };  // UTF-16 keeps bytes that are no UTF-8
    const std::string file = d.write("file", "old"), odd = "caf\xE9-\xE2\x82\xAC";
    const std::string longest(258 - d.path().size(), 'n'), shm = "/dev/shm/ovr_test_" + std::to_string(getpid());
    const int64_t modification = 1234567890;
    ASSERT_TRUE(symlink(d.write("source", std::string(204800, 's')).c_str(), at("link")) == 0 &&
                chmod(at("source"), 0640) == 0 && setFileTimes(at("source"), nullptr, &modification));
    const std::string exists = "(17) File exists", missing = "(2) No such file or directory";
    const std::string empty = "Empty string argument";
    const struct {
        std::function<ErrorChain()> call;
        const char* function;
        int code;
        std::string message;
    } script[] = {
        FAILS(createPath(""), "createPath", EINVAL, empty), FAILS(createPath(nullptr), "createPath", EINVAL, empty),
        FAILS(createPath(std::string(260, 'x').c_str()), "createPath", ENAMETOOLONG, "Path length exceeds MAX_PATH"),
        WORKS(createPath(at("a/b//c/"))), WORKS(createPath(at("a/b/c"))), WORKS(createPath(at(longest))),
        FAILS(createPath(at("file/sub/deeper")), "createPath", EEXIST, "mkdir " + file + " " + exists),
        FAILS(copyFile(at("none"), at("file")), "copyFile", ENOENT, "Open error " + d / "none"),
        FAILS(copyFile(at("source"), at("no/x")), "copyFile", ENOENT, "Open error " + d / "no/x"),
        FAILS(copyFile(at("source"), at("link")), "copyFile", EINVAL, "Open error " + d / "link"),
        WORKS(copyFile(at("source"), at("file"))), WORKS(copyFileOS(at("source"), at("copy"))),
        WORKS(copyFileOS(at("source"), at("kept"), true)),
        FAILS(copyFileOS(at("source"), at("copy"), true), "copyFileOS", EEXIST, exists),
        FAILS(copyFileOS(at("source"), at("link")), "copyFileOS", EINVAL, "(22) Invalid argument"),
        FAILS(copyFileOS(at("source"), at("source"), true), "copyFileOS", EEXIST, exists),
        FAILS(copyFileOS(at(""), at("x")), "copyFileOS", EISDIR, "(21) Is a directory"),
        FAILS(copyFileOS(at("none"), at("x")), "copyFileOS", ENOENT, missing),
        WORKS(moveFileOS(at("copy"), at("moved"))),
        FAILS(moveFileOS(at("copy"), at("x")), "moveFileOS", ENOENT, missing),
        FAILS(moveFileOS(at("source"), at("moved")), "moveFileOS", EEXIST, exists),
        WORKS(copyFileOS(at("moved"), at(shm))),  // to another file system
        FAILS(moveFileOS(at("moved"), at(shm)), "moveFileOS", EEXIST, exists), WORKS(deleteFile(at(shm))),
        WORKS(moveFileOS(at("moved"), at(shm))), WORKS(deleteFile(at(shm))),
        FAILS(deleteFile(at(shm)), "deleteFile", ENOENT, missing), WORKS(uniMakeDir2(w(odd).c_str())),
        FAILS(uniMakeDir2(w(odd).c_str()), "uniMakeDir2", EEXIST, exists),
        FAILS(uniRemoveDir(w("a/b").c_str()), "uniRemoveDir", ENOTEMPTY, "(39) Directory not empty"),
        WORKS(uniRemoveDir(w("a/b/c").c_str())), WORKS(uniRemoveFile(w("copy2").c_str())),
        FAILS(uniRemoveFile(w("copy2").c_str()), "uniRemoveFile", ENOENT, missing),
        FAILS(uniRemoveDir(u""), "uniRemoveDir", EINVAL, empty),
        FAILS(uniRemoveDir(nullptr), "uniRemoveDir", EINVAL, empty),
        FAILS(uniRemoveFile(u""), "uniRemoveFile", EINVAL, empty),
        FAILS(uniRemoveFile(nullptr), "uniRemoveFile", EINVAL, empty),
        FAILS(uniMakeDir2(nullptr), "uniMakeDir2", ENOENT, missing)};
    d.write("copy2");
    for (const auto& step : script) {
        const ErrorChain error = step.call();
        SCOPED_TRACE(step.message);
        ASSERT_EQ(bool(error), step.function != nullptr);
        if (!error) continue;
        EXPECT_TRUE(error->function == "ZUtils::" + std::string(step.function) && error->code == step.code);
        EXPECT_EQ(error->message, step.message);
        ASSERT_EQ(bool(error->next), error->message[0] == 'm');  // a blocked createPath links the failed call's record
        EXPECT_TRUE(!error->next || (error->next->function == std::string("ZUtils::uniMakeDir2") &&
                                     error->next->message == exists && !error->next->next));
    }
    struct stat info;
    EXPECT_TRUE(stat(at(odd), &info) == 0 && S_ISDIR(info.st_mode) && stat(at(longest), &info) == 0);
    EXPECT_TRUE(readFile(file) == readFile(at("source")) && readFile(file) == std::string(204800, 's'));  // 200 blocks
    ASSERT_EQ(stat(at("kept"), &info), 0);  // with the source's permissions and modification time
    EXPECT_TRUE((info.st_mode & 07777) == 0640 && info.st_mtime == modification && stat(at("x"), &info) != 0);
}

TEST(FileOps, RecycledFilesMoveIntoTheTrashWithTheirOrigin) {
    ScratchDirectory d;
    TestSupport::ScopedEnvironment dataHome("XDG_DATA_HOME", (d / "data").c_str());
    const std::string file = d.write("old frame.ovr", "frame"), trash = d / "data/Trash/";
    ASSERT_FALSE(recycleFileOS(file.c_str()) || createPath((d / "cache").c_str()));
    d.write("old frame.ovr", "second");  // the same name again gets a free name of its own
    d.write("cache/a.ovr", "a");
    char previous[4096];
    ASSERT_TRUE(getcwd(previous, sizeof previous) && chdir(d.path().c_str()) == 0);
    const bool failed = recycleFileOS("old frame.ovr") || recycleFileOS("cache/");  // relative to the current directory
    ASSERT_TRUE(chdir(previous) == 0 && !failed);
    EXPECT_EQ(readFile(trash + "files/old frame.ovr") + readFile(trash + "files/old frame.ovr.2"), "framesecond");
    EXPECT_EQ(readFile(trash + "files/cache/a.ovr"), "a");
    const std::string head = "[Trash Info]\nPath=" + d.path() + "/old%20frame.ovr\nDeletionDate=";
    for (const char* info : {"old frame.ovr", "old frame.ovr.2"}) {
        const std::string text = readFile(trash + "info/" + info + ".trashinfo");
        const size_t end = head.size();  // then YYYY-MM-DDThh:mm:ss
        EXPECT_TRUE(text.compare(0, end, head) == 0 && text.size() == end + 20 && text[end + 10] == 'T') << text;
    }
    EXPECT_NE(readFile(trash + "info/cache.trashinfo").find("Path=" + d.path() + "/cache\n"), std::string::npos);
    for (const char* path : {"", static_cast<const char*>(nullptr), "missing"}) {
        const ErrorChain error = recycleFileOS(path);
        ASSERT_TRUE(error && error->function == std::string("ZUtils::recycleFileOS")) << path;
        const char* expected = path && *path ? "(2) No such file or directory" : "Empty string argument";
        EXPECT_EQ(std::string(error->message), expected);
    }
}

TEST(FileQueries, SizeAttributesAndTimesOrTheirAbsence) {
    ScratchDirectory d;
    const std::string file = d.write("data", std::string(1234, 'x')), hidden = d.write(".hidden"), none = d / "none";
    ASSERT_EQ(chmod(hidden.c_str(), 0444), 0);
    for (const auto& [path, bits] : {std::pair<std::string, uint32_t>{file, Platform::fileAttributeNormal},
                                     {d.path(), Platform::fileAttributeDirectory}, {none, invalidFileAttributes},
                                     {hidden, Platform::fileAttributeHidden | Platform::fileAttributeReadOnly}})
        EXPECT_EQ(getFileAttributes(path.c_str()), bits) << path;
    int64_t size = -1, access = 1000000000, modification = 1500000000, later = 1600000000, times[3] = {};
    EXPECT_FALSE(getFileSize(none.c_str(), size) || getFileSize(nullptr, size) || size != -1);
    EXPECT_FALSE(getFileTimes(none.c_str(), nullptr, nullptr, nullptr) || setFileTimes(none.c_str(), &access, nullptr));
    EXPECT_TRUE(getFileModificationTime(none.c_str()) == 0 && getFileModificationTime(nullptr) == 0);
    ASSERT_TRUE(setFileTimes(file.c_str(), &access, &modification) && setFileTimes(file.c_str(), nullptr, &later));
    ASSERT_TRUE(getFileTimes(file.c_str(), &times[0], &times[1], &times[2]) && getFileSize(file.c_str(), size));
    EXPECT_TRUE(times[1] == access && times[2] == later && size == 1234);
    EXPECT_EQ(getFileModificationTime(file.c_str()), later);
    EXPECT_TRUE(getFileTimes(file.c_str(), nullptr, nullptr, nullptr) && !setFileTimes(nullptr, &access, nullptr));
    EXPECT_TRUE(Platform::pathExists(file.c_str()) && !Platform::pathExists(none.c_str()) && !Platform::pathExists(nullptr));
    EXPECT_TRUE(Platform::makeDirectory(nullptr) == EINVAL && Platform::systemErrorText(0).empty());
    char cwd[4096];
    TestSupport::ScopedEnvironment tmpdir("TMPDIR", "");  // the system's default
    EXPECT_EQ(wideToUtf8(getCurrentDirectory()), getcwd(cwd, sizeof cwd));
    EXPECT_EQ(wideToUtf8(getTemporaryDirectory()), "/tmp/");
}

TEST(FileList, ListsWildcardMatchesWithTheDirectoryOfThePattern) {
    ScratchDirectory d;
    for (const char* name : {"a.vdb", "ab.vdb", "abc.vdb", "B", "abc.ovr", "[x].vdb", "a*b", "..x", ".one", "\xC3\xA9"})
        d.write(name);
    const std::pair<const char*, std::vector<std::string>> cases[] = {  // sorted byte by byte
        {"a?.vdb", {"ab.vdb"}}, {"*b*.*", {"ab.vdb", "abc.ovr", "abc.vdb"}}, {"[x].vdb", {"[x].vdb"}},
        {"a*b", {"a*b", "a.vdb", "ab.vdb", "abc.vdb"}}, {"*", {".one", "B", "[x].vdb", "a*b", "a.vdb", "ab.vdb", "abc.ovr",
        "abc.vdb", "\xC3\xA9"}}};
    FileList list;
    for (const auto& [pattern, names] : cases) {
        ASSERT_TRUE(list.list((d / pattern).c_str())) << pattern;
        list.sort();
        ASSERT_EQ(list.count(), int(names.size())) << pattern;
        for (int i = 0; i < list.count(); ++i) EXPECT_EQ(list.name(i), d / names[i]) << pattern;
    }
    for (const std::string& pattern : {d / "*.none", d / "missing/*", d / ""})  // failures keep the previous content
        EXPECT_FALSE(list.list(pattern.c_str())) << pattern;
    EXPECT_TRUE(!list.list(nullptr) && list.count() == 9 && list.name(-1) == nullptr && list.name(9) == nullptr);
    Platform::DirectoryListing listing;
    std::string name;
    EXPECT_FALSE(listing.first(nullptr, name) || listing.next(name));
    list.clear();
    EXPECT_TRUE(list.count() == 0 && list.name(0) == nullptr);
    char previous[4096];
    ASSERT_TRUE(getcwd(previous, sizeof previous) && chdir(d.path().c_str()) == 0);
    const FileList here("*.ovr");
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_TRUE(here.count() == 1 && here.name(0) == std::string("abc.ovr"));
}
