#include "utils/Allocation.h"

#include "LogCapture.h"

using namespace FMRUtils;

constexpr size_t kImpossibleCount = (size_t(1) << 62) + 3;  // beyond the address space; 2^62 as a float

struct ThrowsOnConstruction { ThrowsOnConstruction() { throw std::runtime_error("refused"); } };

static void* outOfMemory(size_t, size_t) { errno = ENOMEM; return nullptr; }

TEST(Allocation, FailuresGiveNullAndOneLogLine) {
    TestSupport::LogCapture log;
    int sentinel = 0, *values = nullptr;
    std::string* text = nullptr;  // the sanitizer build checks the sizes and how the blocks are freed
    ASSERT_TRUE(newArray(values, 100) && newObject(text) && text->empty());
    values[99] = 1;
    delete[] values;
    delete text;
    auto* objects = reinterpret_cast<ThrowsOnConstruction*>(values = &sentinel);
    EXPECT_FALSE(newArray(values, kImpossibleCount) || values || newArray(objects, 16777217) || objects);
    objects = reinterpret_cast<ThrowsOnConstruction*>(&sentinel);
    EXPECT_FALSE(newObject(objects) || objects);  // 16777217 prints as 2^24 in single precision
    EXPECT_EQ(log.text(), "[ERROR] newArray failed to allocate 4611686018427387904\n"  // and nothing for the successes
                          "[ERROR] newArray failed to allocate 16777216\n[ERROR] newObject failed to allocate!\n");
}

TEST(Allocation, ZeroedArraysFallBackToAPlainAllocationClearedByHand) {
    const std::tuple<ZeroingAllocator, size_t, const char*> cases[] = {
        {nullptr, 1000, ""}, {outOfMemory, 5000, "[ERROR] newZeroedArray failed to allocate ENOMEM 5000\n"},
        {[](size_t, size_t) -> void* { throw std::bad_alloc(); }, 8, "[ERROR] newZeroedArray failed to allocate except 8\n"},
        {outOfMemory, kImpossibleCount, "[ERROR] newZeroedArray failed to allocate ENOMEM 4611686018427387904\n"}};
    for (const auto& [allocator, count, failure] : cases) {
        TestSupport::LogCapture log;
        const ZeroingAllocator previous = setZeroingAllocator(allocator);
        int sentinel = 0, *values = &sentinel;
        const bool ok = newZeroedArray(values, count);
        setZeroingAllocator(previous);
        EXPECT_TRUE(ok == (values != nullptr) && ok == (count != kImpossibleCount)) << count;
        for (size_t i = 0; ok && i < count; ++i) ASSERT_EQ(values[i], 0) << i;
        std::free(values);
        const std::string retry = "Retry newZeroedArray with newArray and memset";
        EXPECT_EQ(log.text(), *failure ? failure + retry + "\n" + retry + " result = " + (ok ? "1\n" : "0\n") : "");
    }
}
