#include "utils/FmrArray.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using FMRUtils::FmrArray;

namespace {

// Records the order of its destructions and counts the live objects.
struct Tracked {
    static int live;
    static std::vector<int> destroyed;
    int value = -1;
    Tracked() { ++live; }
    explicit Tracked(int v) : value(v) { ++live; }
    Tracked(const Tracked& other) : value(other.value) { ++live; }
    Tracked& operator=(const Tracked& other) = default;
    ~Tracked() {
        --live;
        destroyed.push_back(value);
    }
};
int Tracked::live = 0;
std::vector<int> Tracked::destroyed;

template <class Array>
std::vector<int> valuesOf(Array& a) {
    std::vector<int> values;
    for (decltype(a.count()) i = 0; i < a.count(); ++i) values.push_back(a[i]);
    return values;
}

FmrArray<int> arrayOf(std::initializer_list<int> values) {
    FmrArray<int> a;
    for (int v : values) EXPECT_TRUE(a.Append(v));
    return a;
}

}  // namespace

TEST(FmrArrayGrowth, HeadroomIsAQuarterOfTheNewSizeAndAtLeastEightSlots) {
    FmrArray<int> one;
    ASSERT_TRUE(one.SetSize(1));
    EXPECT_EQ(one.capacity(), 9);

    FmrArray<float, int64_t> hundred;
    ASSERT_TRUE(hundred.SetSize(100));
    EXPECT_EQ(hundred.capacity(), 125);

    FmrArray<int> full;
    ASSERT_TRUE(full.SetSize(40, nullptr, true));
    ASSERT_EQ(full.capacity(), 40);
    ASSERT_TRUE(full.Append(41));
    EXPECT_EQ(full.capacity(), 51);
    EXPECT_EQ(full.count(), 41);
    EXPECT_EQ(full[40], 41);

    FmrArray<char> notExact;
    ASSERT_TRUE(notExact.SetSize(10));
    EXPECT_EQ(notExact.capacity(), 18);
    FmrArray<char> exact;
    ASSERT_TRUE(exact.SetSize(10, nullptr, true));
    EXPECT_EQ(exact.capacity(), 10);

    // A divisor of 2 gives half the new size as headroom; a divisor below 1 the minimum of 8.
    FmrArray<int> halves(0, 2);
    ASSERT_TRUE(halves.SetSize(100));
    EXPECT_EQ(halves.capacity(), 150);
    FmrArray<int> noDivisor(0, 0);
    ASSERT_TRUE(noDivisor.SetSize(100));
    EXPECT_EQ(noDivisor.capacity(), 108);
}

TEST(FmrArrayGrowth, UnchangedSizesAllocateNothing) {
    FmrArray<int> a;
    EXPECT_TRUE(a.SetSize(0));
    EXPECT_EQ(a.data(), nullptr);
    EXPECT_EQ(a.capacity(), 0);

    FmrArray<int> reserved(5);
    EXPECT_EQ(reserved.capacity(), 5);
    EXPECT_EQ(reserved.count(), 0);
    int* buffer = reserved.data();
    ASSERT_TRUE(reserved.SetSize(5));
    EXPECT_EQ(reserved.data(), buffer);
    EXPECT_TRUE(reserved.SetSize(5));
    EXPECT_EQ(reserved.data(), buffer);
}

TEST(FmrArrayGrowth, ShrinkingKeepsTheBufferAndRegrownElementsAreNew) {
    const int seven = 7;
    const int nine = 9;
    FmrArray<int> a;
    ASSERT_TRUE(a.SetSize(6, &seven));
    int* buffer = a.data();
    const int capacity = a.capacity();
    ASSERT_TRUE(a.SetSize(2));
    ASSERT_TRUE(a.SetSize(4, &nine));
    EXPECT_EQ(a.data(), buffer);
    EXPECT_EQ(a.capacity(), capacity);
    EXPECT_EQ(valuesOf(a), (std::vector<int>{7, 7, 9, 9}));

    Tracked::live = 0;
    {
        FmrArray<Tracked> tracked;
        const Tracked fill(3);
        ASSERT_TRUE(tracked.SetSize(3, &fill));
        for (int i = 0; i < 3; ++i) tracked[i].value = 10 + i;
        Tracked::destroyed.clear();
        ASSERT_TRUE(tracked.SetSize(1));
        EXPECT_EQ(Tracked::destroyed, (std::vector<int>{11, 12}));
        ASSERT_TRUE(tracked.SetSize(3));
        EXPECT_EQ(tracked[1].value, -1);  // default-constructed afresh
        EXPECT_EQ(tracked[2].value, -1);
    }
    EXPECT_EQ(Tracked::live, 0);
}

TEST(FmrArrayRelocation, ElementsSurviveEveryReallocation) {
    FmrArray<int> numbers;
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(numbers.Append(i * 3));
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(numbers[i], i * 3);

    // Short strings keep their text inside the object, so they cannot be moved as raw bytes.
    FmrArray<std::string> names;
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(names.Append("n" + std::to_string(i)));
    for (int i = 0; i < 100; ++i) ASSERT_EQ(names[i], "n" + std::to_string(i));

    FmrArray<FmrArray<char, int64_t>> nested;
    for (int i = 0; i < 30; ++i) {
        ASSERT_TRUE(nested.SetSize(i + 1));
        const char c = static_cast<char>('a' + i % 26);
        ASSERT_TRUE(nested[i].SetSize(i + 1, &c));
    }
    for (int i = 0; i < 30; ++i) {
        ASSERT_EQ(nested[i].count(), i + 1);
        EXPECT_EQ(nested[i][i], static_cast<char>('a' + i % 26));
    }

    Tracked::live = 0;
    {
        FmrArray<Tracked> tracked;
        for (int i = 0; i < 50; ++i) ASSERT_TRUE(tracked.Append(Tracked(i)));
        EXPECT_EQ(Tracked::live, 50);
        for (int i = 0; i < 50; ++i) ASSERT_EQ(tracked[i].value, i);
    }
    EXPECT_EQ(Tracked::live, 0);
}

TEST(FmrArrayRelocation, AppendingAnOwnElementWhileGrowingCopiesItFirst) {
    FmrArray<std::string> a;
    ASSERT_TRUE(a.SetSize(9, nullptr, true));
    a[0] = std::string(40, 'x');  // long enough to live on the heap
    ASSERT_EQ(a.count(), a.capacity());
    ASSERT_TRUE(a.Append(a[0]));
    EXPECT_EQ(a[9], std::string(40, 'x'));
}

TEST(FmrArrayRemove, KeepOrderShiftsTheTailDown) {
    FmrArray<int> a = arrayOf({0, 1, 2, 3, 4, 5, 6});
    a.Remove(1, 2, true, true);
    EXPECT_EQ(valuesOf(a), (std::vector<int>{0, 3, 4, 5, 6}));

    FmrArray<int> kept = arrayOf({0, 1, 2, 3, 4});
    kept.Remove(0, 2, true, false);
    EXPECT_EQ(valuesOf(kept), (std::vector<int>{2, 3, 4, 3, 4}));
}

TEST(FmrArrayRemove, WithoutOrderTheLastElementsFillTheGap) {
    FmrArray<int> a = arrayOf({0, 1, 2, 3, 4, 5, 6});
    a.Remove(1, 2, false, true);
    EXPECT_EQ(valuesOf(a), (std::vector<int>{0, 5, 6, 3, 4}));

    // Fewer elements follow the run than it is long: only they fill the gap.
    FmrArray<int> overlap = arrayOf({0, 1, 2, 3, 4});
    overlap.Remove(1, 3, false, true);
    EXPECT_EQ(valuesOf(overlap), (std::vector<int>{0, 4}));
    FmrArray<int> overlapping = arrayOf({0, 1, 2, 3, 4, 5});
    overlapping.Remove(1, 3, false, true);
    EXPECT_EQ(valuesOf(overlapping), (std::vector<int>{0, 4, 5}));

    FmrArray<int> last = arrayOf({0, 1, 2});
    last.Remove(2, 1, false, true);
    EXPECT_EQ(valuesOf(last), (std::vector<int>{0, 1}));
}

TEST(FmrArrayRemove, RangesOutsideTheArrayChangeNothing) {
    FmrArray<int> a = arrayOf({0, 1, 2});
    a.Remove(2, 2, true, true);
    a.Remove(-1, 1, false, true);
    a.Remove(4, 1, true, true);
    a.Remove(0, 0, true, true);
    a.Remove(0, -2, false, true);
    EXPECT_EQ(valuesOf(a), (std::vector<int>{0, 1, 2}));
    a.Remove(0, 3, true, true);
    EXPECT_EQ(a.count(), 0);
}

TEST(FmrArraySetSize, NegativeSizeIsRefusedWithAMessage) {
    TestSupport::LogFileCapture log;
    FmrArray<int> a = arrayOf({1, 2, 3});
    int* buffer = a.data();
    const int capacity = a.capacity();
    EXPECT_FALSE(a.SetSize(-1));
    EXPECT_EQ(log.text(), "[ERROR] FmrArray SetSize() with a negative newsz!\n");
    EXPECT_EQ(a.data(), buffer);
    EXPECT_EQ(a.capacity(), capacity);
    EXPECT_EQ(valuesOf(a), (std::vector<int>{1, 2, 3}));
}

TEST(FmrArraySetSize, FailedAllocationEmptiesTheArraySilently) {
    TestSupport::LogFileCapture log;
    FmrArray<int, int64_t> a;
    ASSERT_TRUE(a.SetSize(20));
    // More bytes than the address space holds: the allocation is refused.
    const int64_t impossible = INT64_MAX;
    EXPECT_FALSE(a.SetSize(impossible));
    EXPECT_EQ(a.count(), 0);
    EXPECT_EQ(a.capacity(), 0);
    EXPECT_EQ(a.data(), nullptr);
    EXPECT_FALSE(a.SetSize(impossible, nullptr, true));

    FmrArray<int, int64_t> reserved(impossible);
    EXPECT_EQ(reserved.capacity(), 0);
    EXPECT_EQ(reserved.data(), nullptr);
    EXPECT_EQ(log.text(), "");

    // The emptied array works again.
    EXPECT_TRUE(a.Append(5));
    EXPECT_EQ(a[0], 5);
}

TEST(FmrArrayCopy, CopyIsExactWithTheDefaultDivisor) {
    FmrArray<int> source(0, 2);
    for (int i = 0; i < 11; ++i) ASSERT_TRUE(source.Append(i));
    ASSERT_NE(source.capacity(), 11);
    const FmrArray<int> copy(source);
    EXPECT_EQ(copy.growthDivisor(), 4);
    EXPECT_EQ(copy.capacity(), 11);
    EXPECT_EQ(valuesOf(copy), valuesOf(source));
    EXPECT_NE(copy.data(), source.data());

    const FmrArray<int> empty;
    const FmrArray<int> emptyCopy(empty);
    EXPECT_EQ(emptyCopy.data(), nullptr);
    EXPECT_EQ(emptyCopy.capacity(), 0);
}

TEST(FmrArrayCopy, AssignmentResizesExactlyAndKeepsTheDivisor) {
    FmrArray<std::string> source;
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(source.Append(std::string(30, static_cast<char>('a' + i))));

    FmrArray<std::string> target(0, 2);
    target = source;
    EXPECT_EQ(target.capacity(), 12);
    EXPECT_EQ(target.growthDivisor(), 2);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(target[i], source[i]);

    // A smaller source shrinks the count but keeps the buffer.
    std::string* buffer = target.data();
    FmrArray<std::string> small;
    ASSERT_TRUE(small.Append("z"));
    target = small;
    EXPECT_EQ(target.count(), 1);
    EXPECT_EQ(target[0], "z");
    EXPECT_EQ(target.data(), buffer);
}

TEST(FmrArrayCopy, SelfAssignmentChangesNothing) {
    FmrArray<int> a = arrayOf({4, 5, 6});
    int* buffer = a.data();
    const int capacity = a.capacity();
    FmrArray<int>& alias = a;
    a = alias;
    EXPECT_EQ(a.data(), buffer);
    EXPECT_EQ(a.capacity(), capacity);
    EXPECT_EQ(valuesOf(a), (std::vector<int>{4, 5, 6}));
}

TEST(FmrArrayLifetime, DestructorDestroysEveryLiveElement) {
    Tracked::live = 0;
    {
        FmrArray<FmrArray<Tracked>> nested;
        ASSERT_TRUE(nested.SetSize(3));
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(nested[i].SetSize(4));
        EXPECT_EQ(Tracked::live, 12);
        ASSERT_TRUE(nested.SetSize(1));
        EXPECT_EQ(Tracked::live, 4);
    }
    EXPECT_EQ(Tracked::live, 0);
}
