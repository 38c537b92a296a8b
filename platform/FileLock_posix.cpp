#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>

namespace Platform {

namespace {

// A whole-file record lock owned by the open file description, so that, as with Windows handles,
// locks through different descriptors of one process are independent and closing another
// descriptor of the same file does not drop them.
bool setRecordLock(int fd, short type)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;  // to the end of the file, however far it grows
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

}  // namespace

bool lockFileShared(std::FILE* file)
{
    if (!file)
        return false;
    int fd = fileno(file);
    // Writers may exclude readers with either kind of Linux lock: record locks (fcntl) and whole-file
    // locks (flock) do not see each other, so the shared lock is taken in both.
    if (!setRecordLock(fd, F_RDLCK))
        return false;
    if (flock(fd, LOCK_SH | LOCK_NB) != 0) {
        setRecordLock(fd, F_UNLCK);
        return false;
    }
    return true;
}

bool unlockFile(std::FILE* file)
{
    if (!file)
        return false;
    int fd = fileno(file);
    bool recordReleased = setRecordLock(fd, F_UNLCK);
    bool fileReleased = flock(fd, LOCK_UN) == 0;
    return recordReleased && fileReleased;
}

}  // namespace Platform
