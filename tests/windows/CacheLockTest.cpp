// The cache reader's shared lock against another program's lock on the same file.
#include "loader/format/FumaraFrameData.h"
#include "tests/windows/WindowsTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

const float kIdentity[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};

// Another process holding a lock on a file, from construction to release().
class LockHolder {
public:
    LockHolder(const std::string& path, const char* kind) {
        const std::string tag = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial_);
        const std::string readyName = "ovr_lock_ready_" + tag;
        const std::string releaseName = "ovr_lock_release_" + tag;
        ready_ = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
        release_ = CreateEventA(nullptr, TRUE, FALSE, releaseName.c_str());
        std::string command = "\"" + programDirectory() + "ovr_lock_holder.exe\" \"" + path + "\" " + kind + " " +
                              readyName + " " + releaseName;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_)) {
            CloseHandle(process_.hThread);
            const HANDLE either[2] = {ready_, process_.hProcess};
            holding_ = WaitForMultipleObjects(2, either, FALSE, 60000) == WAIT_OBJECT_0;
        }
    }
    ~LockHolder() {
        release();
        CloseHandle(ready_);
        CloseHandle(release_);
    }

    bool holding() const { return holding_; }

    // Lets the process unlock and waits for it; its exit code.
    DWORD release() {
        if (process_.hProcess == nullptr) return DWORD(-1);
        SetEvent(release_);
        WaitForSingleObject(process_.hProcess, 60000);
        DWORD code = DWORD(-1);
        GetExitCodeProcess(process_.hProcess, &code);
        CloseHandle(process_.hProcess);
        process_.hProcess = nullptr;
        return code;
    }

private:
    static int serial_;
    HANDLE ready_ = nullptr;
    HANDLE release_ = nullptr;
    PROCESS_INFORMATION process_{};
    bool holding_ = false;
};

int LockHolder::serial_ = 0;

}  // namespace

TEST(WindowsCacheLock, AnotherProgramsExclusiveLockFailsTheReadWith3AfterTheRetries) {
    ScratchFolder scratch;
    const std::string path = scratch / "locked.ovr";
    ASSERT_TRUE(writeCacheFrame(path, 4, 4, 4, {2}, kIdentity));
    LockHolder writer(path, "exclusive");
    ASSERT_TRUE(writer.holding());
    FumaraFrameData frame;
    EXPECT_EQ(frame.ImportOvr(path.c_str(), false), 3);
    EXPECT_EQ(writer.release(), 0u);
    // The failed read kept nothing open or registered: the file reads once the lock is gone.
    FumaraFrameData again;
    EXPECT_EQ(again.ImportOvr(path.c_str(), false), 0);
    int resolution[3] = {};
    EXPECT_EQ(again.getResolution(resolution), 4);
}

TEST(WindowsCacheLock, AnotherProgramsSharedLockIsShared) {
    ScratchFolder scratch;
    const std::string path = scratch / "shared.ovr";
    ASSERT_TRUE(writeCacheFrame(path, 4, 4, 4, {2}, kIdentity));
    LockHolder reader(path, "shared");
    ASSERT_TRUE(reader.holding());
    FumaraFrameData frame;
    EXPECT_EQ(frame.ImportOvr(path.c_str(), false), 0);
    const float* values = frame.getChannelData(2);
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(values[63], cacheValue(2, 63));
    EXPECT_EQ(reader.release(), 0u);
}
