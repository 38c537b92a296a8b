#include "utils/Allocation.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

using FMRUtils::newArray;
using FMRUtils::newObject;
using FMRUtils::newZeroedArray;

namespace {

// A count whose byte size exceeds the address space; as a float it is 2^62.
constexpr size_t kImpossibleCount = (size_t(1) << 62) + 3;

struct ThrowsOnConstruction {
    ThrowsOnConstruction() { throw std::runtime_error("refused"); }
};

void* outOfMemory(size_t, size_t) {
    errno = ENOMEM;
    return nullptr;
}

void* throwingAllocator(size_t, size_t) { throw std::bad_alloc(); }

// Installs a zeroing allocator for the lifetime of the object.
class ZeroingAllocatorOverride {
public:
    explicit ZeroingAllocatorOverride(FMRUtils::ZeroingAllocator allocator)
        : m_previous(FMRUtils::setZeroingAllocator(allocator)) {}
    ~ZeroingAllocatorOverride() { FMRUtils::setZeroingAllocator(m_previous); }

private:
    FMRUtils::ZeroingAllocator m_previous;
};

}  // namespace

TEST(NewArray, AllocatesOrReportsTheRequestedCount) {
    TestSupport::LogFileCapture log;
    int sentinel = 0;
    int* values = &sentinel;
    ASSERT_TRUE(newArray(values, 100));
    values[99] = 1;
    delete[] values;

    int* empty = &sentinel;
    const bool ok = newArray(empty, 0);
    EXPECT_EQ(ok, empty != nullptr);
    delete[] empty;
    EXPECT_EQ(log.text(), "");

    int* impossible = &sentinel;
    EXPECT_FALSE(newArray(impossible, kImpossibleCount));
    EXPECT_EQ(impossible, nullptr);
    EXPECT_EQ(log.text(), "[ERROR] newArray failed to allocate 4611686018427387904\n");
}

TEST(NewArray, AConstructorThatThrowsBecomesAFailure) {
    TestSupport::LogFileCapture log;
    ThrowsOnConstruction* objects = nullptr;
    EXPECT_FALSE(newArray(objects, 16777217));  // prints as 2^24 in single precision
    EXPECT_EQ(objects, nullptr);
    EXPECT_EQ(log.text(), "[ERROR] newArray failed to allocate 16777216\n");
}

TEST(NewObject, AllocatesOrLogsAFailure) {
    TestSupport::LogFileCapture log;
    std::string* text = nullptr;
    ASSERT_TRUE(newObject(text));
    EXPECT_TRUE(text->empty());
    delete text;

    char sentinelObject = 0;
    ThrowsOnConstruction* object = reinterpret_cast<ThrowsOnConstruction*>(&sentinelObject);
    EXPECT_FALSE(newObject(object));
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(log.text(), "[ERROR] newObject failed to allocate!\n");
}

TEST(NewZeroedArray, GivesZeroedMemoryThatFreeReleases) {
    TestSupport::LogFileCapture log;
    float* values = nullptr;
    ASSERT_TRUE(newZeroedArray(values, 1000));
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(values[i], 0.0f);
    std::free(values);

    int* empty = nullptr;
    const bool ok = newZeroedArray(empty, 0);
    EXPECT_EQ(ok, empty != nullptr);
    std::free(empty);
    EXPECT_EQ(log.text(), "");
}

TEST(NewZeroedArray, FallsBackToAPlainAllocationClearedByHand) {
    TestSupport::LogFileCapture log;
    ZeroingAllocatorOverride failing(outOfMemory);
    int* values = nullptr;
    ASSERT_TRUE(newZeroedArray(values, 5000));
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(values[i], 0);
    std::free(values);  // the sanitizer build checks that the fallback's block belongs to free
    EXPECT_EQ(log.text(),
              "[ERROR] newZeroedArray failed to allocate ENOMEM 5000\n"
              "Retry newZeroedArray with newArray and memset\n"
              "Retry newZeroedArray with newArray and memset result = 1\n");
}

TEST(NewZeroedArray, ReportsWhenTheRetryFailsToo) {
    TestSupport::LogFileCapture log;
    ZeroingAllocatorOverride failing(outOfMemory);
    int sentinel = 0;
    int* values = &sentinel;
    EXPECT_FALSE(newZeroedArray(values, kImpossibleCount));
    EXPECT_EQ(values, nullptr);
    EXPECT_EQ(log.text(),
              "[ERROR] newZeroedArray failed to allocate ENOMEM 4611686018427387904\n"
              "Retry newZeroedArray with newArray and memset\n"
              "Retry newZeroedArray with newArray and memset result = 0\n");
}

TEST(NewZeroedArray, AnAllocatorExceptionIsCaught) {
    TestSupport::LogFileCapture log;
    ZeroingAllocatorOverride throwing(throwingAllocator);
    int* values = nullptr;
    ASSERT_TRUE(newZeroedArray(values, 8));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(values[i], 0);
    std::free(values);
    EXPECT_EQ(log.text(),
              "[ERROR] newZeroedArray failed to allocate except 8\n"
              "Retry newZeroedArray with newArray and memset\n"
              "Retry newZeroedArray with newArray and memset result = 1\n");
}
