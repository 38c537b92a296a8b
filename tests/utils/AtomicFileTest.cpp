#include "utils/AtomicFile.h"

#include "tests/platform/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

namespace {

// A write fails as on a full disk once the file would pass `limit` bytes (the process's file-size
// limit, with SIGXFSZ ignored so that the write returns an error).
TEST(AtomicFile, TheDestinationIsCompleteOrUntouched) {
    ScratchDirectory d;
    d.write("kept", "previous");
    const std::string big(100000, 'x');
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const struct { const char* name; const std::string* content; rlim_t limit; bool written; } cases[] = {
        {"kept", &big, 4096, false},             // full disk: the old file stays
        {"kept", &big, 99999, false},            // one byte short
        {"missing/new", &big, RLIM_INFINITY, false},
        {"new", &big, RLIM_INFINITY, true},
        {"kept", &big, 100000, true},            // replaces the old file
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " limit " + std::to_string(c.limit));
        const std::string before = readFile(d / c.name);
        rlimit limit = saved;
        limit.rlim_cur = std::min(c.limit, saved.rlim_max);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        const bool written = FMRUtils::writeFileAtomically(d / c.name, c.content->data(), c.content->size());
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
        EXPECT_EQ(written, c.written);
        EXPECT_EQ(readFile(d / c.name), c.written ? *c.content : before);
    }
    EXPECT_EQ(namesIn(d.path()), (std::set<std::string>{"kept", "new"}));  // no temporary file stays
    std::signal(SIGXFSZ, SIG_DFL);
}

}  // namespace
