// File operations, queries and listings, down to the platform's file system calls.
#include "LogCapture.h"
#include "platform/FileSystem.h"
#include "platform/FileSystemListing.h"
#include "utils/FileList.h"
#include "utils/FileOps.h"
#include "utils/FileQueries.h"
#include "utils/UtfConversion.h"

#include <deque>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace ZUtils;

// One call, the error code and message it reports; a success reports code 0.
#define FAILS(function, arguments, code, message) {[&] { return function arguments; }, #function, code, message}
#define WORKS(function, arguments) FAILS(function, arguments, 0, "")

TEST(FileOps, EachOperationSucceedsOrReportsWhyInOneRecord) {
    ScratchDirectory d;
    TestSupport::ScopedEnvironment dataHome("XDG_DATA_HOME", (d / "data").c_str());
    std::deque<std::string> paths;
    auto at = [&](const std::string& name) { return paths.emplace_back(name[0] == '/' ? name : d / name).c_str(); };
    auto w = [&](const std::string& name) { return utf8ToWide(at(name)); };  // UTF-16 keeps bytes that are no UTF-8
    const std::string file = d.write("old frame.ovr", "old"), odd = "caf\xE9-\xE2\x82\xAC", exists = "(17) File exists";
    const std::string longest(258 - d.path().size(), 'n'), shm = "/dev/shm/ovr_test_" + std::to_string(getpid());
    const std::string missing = "(2) No such file or directory", empty = "Empty string argument";
    const int64_t modification = 1234567890;
    ASSERT_TRUE(symlink(d.write("source", std::string(204800, 's')).c_str(), at("link")) == 0 &&
                chmod(at("source"), 0640) == 0 && setFileTimes(at("source"), nullptr, &modification));
    const struct { std::function<ErrorChain()> call; std::string function; int code; std::string message; } script[] = {
        FAILS(createPath, (""), EINVAL, empty), FAILS(createPath, (nullptr), EINVAL, empty),
        FAILS(createPath, (std::string(260, 'x').c_str()), ENAMETOOLONG, "Path length exceeds MAX_PATH"),
        WORKS(createPath, (at("a/b//c/"))), WORKS(createPath, (at("a/b/c"))), WORKS(createPath, (at(longest))),
        FAILS(createPath, ((file + "/sub/deeper").c_str()), EEXIST, "mkdir " + file + " " + exists),
        FAILS(copyFile, (at("none"), file.c_str()), ENOENT, "Open error " + d / "none"),
        FAILS(copyFile, (at("source"), at("no/x")), ENOENT, "Open error " + d / "no/x"),
        FAILS(copyFile, (at("source"), at("link")), EINVAL, "Open error " + d / "link"),
        WORKS(copyFile, (at("source"), file.c_str())), WORKS(copyFileOS, (at("source"), at("copy"))),
        WORKS(copyFileOS, (at("source"), at("kept"), true)), FAILS(copyFileOS, (at("none"), at("x")), ENOENT, missing),
        FAILS(copyFileOS, (at("source"), at("copy"), true), EEXIST, exists),
        FAILS(copyFileOS, (at("source"), at("link")), EINVAL, "(22) Invalid argument"),
        FAILS(copyFileOS, (at("source"), at("source"), true), EEXIST, exists),
        FAILS(copyFileOS, (at(""), at("x")), EISDIR, "(21) Is a directory"), WORKS(moveFileOS, (at("copy"), at("moved"))),
        FAILS(moveFileOS, (at("copy"), at("x")), ENOENT, missing),
        FAILS(moveFileOS, (at("source"), at("moved")), EEXIST, exists),
        WORKS(copyFileOS, (at("moved"), at(shm))),  // to another file system
        FAILS(moveFileOS, (at("moved"), at(shm)), EEXIST, exists), WORKS(deleteFile, (at(shm))),
        WORKS(moveFileOS, (at("moved"), at(shm))), WORKS(deleteFile, (at(shm))), FAILS(deleteFile, (at(shm)), ENOENT, missing),
        WORKS(uniMakeDir2, (w(odd).c_str())), FAILS(uniMakeDir2, (w(odd).c_str()), EEXIST, exists),
        FAILS(uniRemoveDir, (w("a/b").c_str()), ENOTEMPTY, "(39) Directory not empty"),
        WORKS(uniRemoveDir, (w("a/b/c").c_str())), WORKS(uniRemoveFile, (w("copy2").c_str())),
        FAILS(uniRemoveFile, (w("copy2").c_str()), ENOENT, missing), FAILS(uniMakeDir2, (nullptr), ENOENT, missing),
        FAILS(uniRemoveDir, (u""), EINVAL, empty), FAILS(uniRemoveDir, (nullptr), EINVAL, empty),
        FAILS(uniRemoveFile, (u""), EINVAL, empty), FAILS(uniRemoveFile, (nullptr), EINVAL, empty),
        FAILS(recycleFileOS, (""), EINVAL, empty), FAILS(recycleFileOS, (nullptr), EINVAL, empty),
        FAILS(recycleFileOS, (at("none")), ENOENT, missing), WORKS(recycleFileOS, (file.c_str())),
        WORKS(copyFileOS, (at("kept"), file.c_str())), WORKS(recycleFileOS, ("old frame.ovr")),  // a free name of its own
        WORKS(recycleFileOS, ("a/"))};  // names relative to the current directory
    d.write("copy2");
    char previous[4096];
    ASSERT_TRUE(getcwd(previous, sizeof previous) && chdir(d.path().c_str()) == 0);
    for (const auto& step : script) {
        const ErrorChain error = step.call();
        SCOPED_TRACE(step.function + " " + step.message);
        if (!error) { EXPECT_EQ(step.code, 0); continue; }
        EXPECT_TRUE(error->function == "ZUtils::" + step.function && error->code == step.code) << error->code;
        EXPECT_EQ(error->message, step.message);
        EXPECT_EQ(bool(error->next), error->message[0] == 'm');  // a blocked createPath links the failed call's record
        EXPECT_TRUE(!error->next || (error->next->function == std::string("ZUtils::uniMakeDir2") &&
                                     error->next->message == exists && !error->next->next));
    }
    const FileList here("k*");  // the pattern's own directory: none
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_TRUE(here.count() == 1 && here.name(0) == std::string("kept"));
    struct stat info;
    EXPECT_TRUE(stat(at(odd), &info) == 0 && S_ISDIR(info.st_mode) && stat(at(longest), &info) == 0);
    ASSERT_EQ(stat(at("kept"), &info), 0);  // with the source's permissions and modification time
    EXPECT_TRUE((info.st_mode & 07777) == 0640 && info.st_mtime == modification && stat(at("x"), &info) != 0);
    const std::string trash = d / "data/Trash/", head = "[Trash Info]\nPath=" + d.path() + "/";
    const std::string dated = head + "old%20frame.ovr\nDeletionDate=";  // then YYYY-MM-DDThh:mm:ss
    for (const char* name : {"old frame.ovr", "old frame.ovr.2"}) {
        const std::string text = readFile(trash + "info/" + name + ".trashinfo");
        const size_t n = dated.size();
        EXPECT_TRUE(text.compare(0, n, dated) == 0 && text.size() == n + 20 && text[n + 10] == 'T') << text;
        EXPECT_EQ(readFile(trash + "files/" + name), std::string(204800, 's'));  // copied in 200 blocks, then recycled
    }
    EXPECT_TRUE(stat((trash + "files/a/b").c_str(), &info) == 0 && S_ISDIR(info.st_mode));
    EXPECT_EQ(readFile(trash + "info/a.trashinfo").find(head + "a\n"), 0u);
}

TEST(FileQueries, SizeAttributesTimesAndWildcardListingsOrTheirAbsence) {
    ScratchDirectory d;
    for (const char* name : {"a.vdb", "ab.vdb", "abc.vdb", "B", "[x].vdb", "a*b", "..x", ".one", "\xC3\xA9"}) d.write(name);
    const std::string file = d.write("abc.ovr", std::string(1234, 'x')), hidden = d / ".one", none = d / "none";
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
    EXPECT_TRUE(times[1] == access && times[2] == later && size == 1234 && getFileModificationTime(file.c_str()) == later);
    EXPECT_TRUE(getFileTimes(file.c_str(), nullptr, nullptr, nullptr) && !setFileTimes(nullptr, &access, nullptr));
    EXPECT_TRUE(Platform::pathExists(file.c_str()) && !Platform::pathExists(none.c_str()) && !Platform::pathExists(nullptr));
    EXPECT_TRUE(Platform::makeDirectory(nullptr) == EINVAL && Platform::systemErrorText(0).empty());
    char cwd[4096];
    TestSupport::ScopedEnvironment tmpdir("TMPDIR", "");  // the system's default
    EXPECT_TRUE(wideToUtf8(getCurrentDirectory()) == getcwd(cwd, sizeof cwd) && wideToUtf8(getTemporaryDirectory()) == "/tmp/");
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
    Platform::DirectoryListing listing;
    std::string name;
    EXPECT_FALSE(list.list(nullptr) || listing.first(nullptr, name) || listing.next(name));
    EXPECT_TRUE(list.count() == 9 && list.name(-1) == nullptr && list.name(9) == nullptr);
    list.clear();
    EXPECT_TRUE(list.count() == 0 && list.name(0) == nullptr);
}
