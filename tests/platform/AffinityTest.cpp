#include "platform/Affinity.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// The processors of the process, in ascending order.
std::vector<int> processProcessors() {
    Platform::CpuSet set;
    std::vector<int> list;
    if (!Platform::getProcessAffinity(set)) return list;
    for (int p = 0; p < Platform::CpuSet::kMaxProcessors; ++p) {
        if (set.contains(p)) list.push_back(p);
    }
    return list;
}

// Restricts the calling thread for the lifetime of the object.
class ScopedCurrentThreadAffinity {
public:
    explicit ScopedCurrentThreadAffinity(const Platform::CpuSet& processors) {
        Platform::getCurrentThreadAffinity(m_previous);
        m_self = Platform::duplicateCurrentThreadHandle();
        m_applied = Platform::setThreadAffinity(m_self, processors);
    }
    ~ScopedCurrentThreadAffinity() {
        Platform::setThreadAffinity(m_self, m_previous);
        Platform::closeThreadHandle(m_self);
    }
    bool applied() const { return m_applied; }

private:
    Platform::CpuSet m_previous;
    Platform::ThreadHandle m_self = nullptr;
    bool m_applied = false;
};

}  // namespace

TEST(Affinity, ProcessorCountIsTheSizeOfTheProcessAffinity) {
    const std::vector<int> processors = processProcessors();
    ASSERT_FALSE(processors.empty());
    EXPECT_EQ(Platform::processorCount(), static_cast<int>(processors.size()));
}

TEST(Affinity, ProcessLimitedToOneProcessorCountsOne) {
    // The process affinity is that of the initial thread, which runs the tests.
    const std::vector<int> processors = processProcessors();
    ASSERT_FALSE(processors.empty());
    Platform::CpuSet last;
    last.add(processors.back());
    {
        ScopedCurrentThreadAffinity restriction(last);
        ASSERT_TRUE(restriction.applied());
        EXPECT_EQ(Platform::processorCount(), 1);
    }
    EXPECT_EQ(Platform::processorCount(), static_cast<int>(processors.size()));
}

TEST(Affinity, ThreadRestrictedThroughItsHandleRunsOnThoseProcessors) {
    const std::vector<int> processors = processProcessors();
    ASSERT_FALSE(processors.empty());
    Platform::CpuSet first;
    first.add(processors.front());
    Platform::CpuSet seen;
    std::thread([&] {
        Platform::ThreadHandle self = Platform::duplicateCurrentThreadHandle();
        EXPECT_TRUE(Platform::setThreadAffinity(self, first));
        Platform::getCurrentThreadAffinity(seen);
        Platform::closeThreadHandle(self);
    }).join();
    EXPECT_EQ(seen, first);
}

TEST(Affinity, EmptyOrForeignSetsAreRefused) {
    Platform::ThreadHandle self = Platform::duplicateCurrentThreadHandle();
    Platform::CpuSet before;
    ASSERT_TRUE(Platform::getCurrentThreadAffinity(before));
    EXPECT_FALSE(Platform::setThreadAffinity(self, Platform::CpuSet()));
    EXPECT_FALSE(Platform::setThreadAffinity(nullptr, before));
    Platform::CpuSet after;
    Platform::getCurrentThreadAffinity(after);
    EXPECT_EQ(after, before);
    Platform::closeThreadHandle(self);
}
