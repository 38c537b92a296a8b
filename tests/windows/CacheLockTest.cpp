// The cache reader's shared lock against another program's lock on the same file.
#include "loader/format/FumaraFrameData.h"
#include "tests/windows/WindowsTestSupport.h"

#include <gtest/gtest.h>
#include <process.h>
#include <windows.h>

namespace {

// Another process (ovr_lock_holder.exe) holding a lock on a file, from construction to release().
class LockHolder {
public:
    LockHolder(const std::string& path, const std::string& kind) {
        static int serial = 0;
        const std::string tag = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial);
        const std::string ready = "ovr_lock_ready_" + tag, release = "ovr_lock_release_" + tag;
        ready_ = CreateEventA(nullptr, TRUE, FALSE, ready.c_str());
        release_ = CreateEventA(nullptr, TRUE, FALSE, release.c_str());
        process_ = reinterpret_cast<HANDLE>(_spawnl(_P_NOWAIT, (programDirectory() + "ovr_lock_holder.exe").c_str(),
                                                    "ovr_lock_holder", ("\"" + path + "\"").c_str(), kind.c_str(),
                                                    ready.c_str(), release.c_str(), nullptr));
        const HANDLE either[2] = {ready_, process_};
        holding = process_ != INVALID_HANDLE_VALUE && WaitForMultipleObjects(2, either, FALSE, 60000) == WAIT_OBJECT_0;
    }
    ~LockHolder() {
        release();
        CloseHandle(ready_);
        CloseHandle(release_);
    }

    // Lets the process unlock and waits for it; its exit code.
    DWORD release() {
        DWORD code = DWORD(-1);
        if (process_ == INVALID_HANDLE_VALUE) return code;
        SetEvent(release_);
        WaitForSingleObject(process_, 60000);
        GetExitCodeProcess(process_, &code);
        CloseHandle(process_);
        process_ = INVALID_HANDLE_VALUE;
        return code;
    }

    bool holding = false;

private:
    HANDLE ready_, release_, process_;
};

}  // namespace

TEST(WindowsCacheLock, AnotherProgramsSharedLockIsSharedAndAnExclusiveOneFailsTheReadWith3) {
    ScratchFolder scratch;
    for (const std::string kind : {"exclusive", "shared"}) {
        const std::string path = scratch / (kind + ".ovr");
        ASSERT_TRUE(writeCacheFrame(path, 4, {2}));
        LockHolder holder(path, kind);
        ASSERT_TRUE(holder.holding) << kind;
        const bool exclusive = kind == "exclusive";
        FumaraFrameData whileHeld, afterwards;
        EXPECT_EQ(whileHeld.ImportOvr(path.c_str(), false), exclusive ? 3 : 0) << kind;  // after the retries
        EXPECT_EQ(holder.release(), 0u);
        // A failed read keeps nothing open or registered: the file reads once the lock is gone.
        EXPECT_EQ(afterwards.ImportOvr(path.c_str(), false), 0);
        const float* values = (exclusive ? afterwards : whileHeld).getChannelData(2);
        ASSERT_NE(values, nullptr);
        EXPECT_EQ(values[63], cacheValue(2, 63)) << kind;
    }
}
