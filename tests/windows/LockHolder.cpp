// ovr_lock_holder <path> exclusive|shared <ready event> <release event>: locks all of the file as
// another program would, sets the named ready event and waits (at most a minute) for the named
// release event before it unlocks. Exit code 0 when the lock was held.
#include <windows.h>

#include <cstring>

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    HANDLE file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3]);
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, argv[4]);
    if (file == INVALID_HANDLE_VALUE || ready == nullptr || release == nullptr) return 3;
    OVERLAPPED start{};
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (std::strcmp(argv[2], "exclusive") == 0 ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (!LockFileEx(file, flags, 0, MAXDWORD, MAXDWORD, &start)) return 4;
    SetEvent(ready);
    WaitForSingleObject(release, 60000);
    UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &start);
    CloseHandle(file);
    return 0;
}
