#include "platform/FileLock.h"

#include "tests/platform/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum class LockKind { recordShared, recordExclusive, wholeFileExclusive };

// Another process that opens the file, tries to take a lock on it and holds it until released.
class OtherProcess {
public:
    OtherProcess(const std::string& path, LockKind kind)
    {
        if (pipe(m_toChild) != 0 || pipe(m_fromChild) != 0) {
            ADD_FAILURE() << "pipe";
            return;
        }
        m_pid = fork();
        if (m_pid == 0)
            runChild(path, kind);
        char answer = 0;
        m_locked = m_pid > 0 && read(m_fromChild[0], &answer, 1) == 1 && answer == '1';
    }

    ~OtherProcess() { release(); }

    bool locked() const { return m_locked; }

    // Lets the child end, which drops its lock.
    void release()
    {
        if (m_pid <= 0)
            return;
        char go = 'x';
        EXPECT_EQ(write(m_toChild[1], &go, 1), 1);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        for (int fd : {m_toChild[0], m_toChild[1], m_fromChild[0], m_fromChild[1]})
            close(fd);
    }

private:
    [[noreturn]] void runChild(const std::string& path, LockKind kind)
    {
        int fd = open(path.c_str(), O_RDWR);
        bool locked = false;
        if (kind == LockKind::wholeFileExclusive) {
            locked = flock(fd, LOCK_EX | LOCK_NB) == 0;
        } else {
            struct flock lock {};
            lock.l_type = kind == LockKind::recordShared ? F_RDLCK : F_WRLCK;
            lock.l_whence = SEEK_SET;
            locked = fcntl(fd, F_SETLK, &lock) == 0;
        }
        char answer = locked ? '1' : '0';
        char go;
        bool told = write(m_fromChild[1], &answer, 1) == 1;
        bool released = told && read(m_toChild[0], &go, 1) == 1;
        _exit(released ? 0 : 1);
    }

    pid_t m_pid = -1;
    int m_toChild[2] = {-1, -1};
    int m_fromChild[2] = {-1, -1};
    bool m_locked = false;
};

class FileLockTest : public testing::Test {
protected:
    std::FILE* openForReading() { return std::fopen(m_file.c_str(), "rb"); }

    ScratchDirectory m_dir;
    std::string m_file = m_dir.write("frame.ovr", "OVRA content");
};

TEST_F(FileLockTest, ReadersShareTheLock)
{
    std::FILE* first = openForReading();
    std::FILE* second = openForReading();
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(Platform::lockFileShared(first));
    EXPECT_TRUE(Platform::lockFileShared(second));

    OtherProcess reader(m_file, LockKind::recordShared);
    EXPECT_TRUE(reader.locked());
    std::FILE* third = openForReading();
    EXPECT_TRUE(Platform::lockFileShared(third));

    EXPECT_TRUE(Platform::unlockFile(first));
    EXPECT_TRUE(Platform::unlockFile(second));
    EXPECT_TRUE(Platform::unlockFile(third));
    for (std::FILE* f : {first, second, third})
        std::fclose(f);
}

TEST_F(FileLockTest, FailsAtOnceWhileAnotherProcessHoldsAnExclusiveLock)
{
    for (LockKind kind : {LockKind::recordExclusive, LockKind::wholeFileExclusive}) {
        std::FILE* file = openForReading();
        ASSERT_NE(file, nullptr);
        OtherProcess writer(m_file, kind);
        ASSERT_TRUE(writer.locked());
        EXPECT_FALSE(Platform::lockFileShared(file));
        writer.release();
        EXPECT_TRUE(Platform::lockFileShared(file));
        EXPECT_TRUE(Platform::unlockFile(file));
        std::fclose(file);
    }
}

TEST_F(FileLockTest, HeldLockKeepsWritersOutUntilReleased)
{
    std::FILE* file = openForReading();
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(Platform::lockFileShared(file));

    // Closing another descriptor of the same file must not drop the lock.
    std::fclose(openForReading());

    for (LockKind kind : {LockKind::recordExclusive, LockKind::wholeFileExclusive}) {
        OtherProcess writer(m_file, kind);
        EXPECT_FALSE(writer.locked());
    }
    EXPECT_TRUE(Platform::unlockFile(file));
    for (LockKind kind : {LockKind::recordExclusive, LockKind::wholeFileExclusive}) {
        OtherProcess writer(m_file, kind);
        EXPECT_TRUE(writer.locked());
    }
    std::fclose(file);
}

TEST_F(FileLockTest, NullFileIsRefused)
{
    EXPECT_FALSE(Platform::lockFileShared(nullptr));
    EXPECT_FALSE(Platform::unlockFile(nullptr));
}

}  // namespace
