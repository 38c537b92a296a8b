#include "platform/FileLock.h"

#include "tests/platform/ScratchDirectory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

// A writer's exclusive lock through an open file description of its own, which conflicts as another
// process's lock would: a record lock or a whole-file lock. The descriptor, or -1 when refused.
static int lockExclusively(const std::string& path, bool wholeFile) {
    const int fd = open(path.c_str(), O_RDWR);
    struct flock lock {};  // from the start (SEEK_SET is 0) to the end
    lock.l_type = F_WRLCK;
    if (wholeFile ? flock(fd, LOCK_EX | LOCK_NB) == 0 : fcntl(fd, F_OFD_SETLK, &lock) == 0) return fd;
    close(fd);
    return -1;
}

TEST(FileLock, ReadersShareTheLockAndExcludeWritersOfEitherKind) {
    ScratchDirectory dir;
    const std::string path = dir.write("frame.ovr", "OVRA content");
    std::FILE* first = std::fopen(path.c_str(), "rb");
    std::FILE* second = std::fopen(path.c_str(), "rb");
    ASSERT_TRUE(first && second);
    for (bool wholeFile : {false, true}) {
        SCOPED_TRACE(wholeFile ? "whole-file lock" : "record lock");
        const int writer = lockExclusively(path, wholeFile);
        ASSERT_GE(writer, 0);
        EXPECT_FALSE(Platform::lockFileShared(first));  // at once, without waiting
        close(writer);
        ASSERT_TRUE(Platform::lockFileShared(first));
        EXPECT_TRUE(Platform::lockFileShared(second));
        std::fclose(std::fopen(path.c_str(), "rb"));  // closing another descriptor keeps the locks
        EXPECT_EQ(lockExclusively(path, wholeFile), -1);
        EXPECT_TRUE(Platform::unlockFile(first));
        EXPECT_EQ(lockExclusively(path, wholeFile), -1);
        EXPECT_TRUE(Platform::unlockFile(second));
        EXPECT_EQ(close(lockExclusively(path, wholeFile)), 0);
    }
    for (std::FILE* file : {first, second}) std::fclose(file);
    EXPECT_FALSE(Platform::lockFileShared(nullptr) || Platform::unlockFile(nullptr));
}
