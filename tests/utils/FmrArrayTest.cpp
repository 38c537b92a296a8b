#include "utils/FmrArray.h"

#include "LogCapture.h"

using FMRUtils::FmrArray;

static std::vector<int> valuesOf(const FmrArray<int>& a) { return std::vector<int>(a.data(), a.data() + a.count()); }
static FmrArray<int> arrayOf(int count, int divisor = 4) {
    FmrArray<int> a(0, divisor);
    for (int v = 0; v < count; ++v) EXPECT_TRUE(a.Append(v));
    return a;
}

TEST(FmrArray, GrowsByAQuarterOfTheNewSizeAtLeastEightSlotsOrExactly) {
    const int cases[][4] = {{4, 1, 0, 9}, {4, 100, 0, 125}, {4, 10, 0, 18}, {4, 10, 1, 10}, {2, 100, 0, 150},
                            {0, 100, 0, 108}, {4, 0, 0, 0}};  // divisor, size, exact, capacity
    for (const auto& c : cases) {
        FmrArray<int> a(0, c[0]);
        EXPECT_TRUE(a.SetSize(c[1], nullptr, c[2]) && a.capacity() == c[3]) << c[0] << " " << c[1];
    }
    FmrArray<int> full(40);  // reserved
    EXPECT_TRUE(full.SetSize(40, nullptr) && full.Append(41) && full.capacity() == 51 && full[40] == 41);
    // Sizes within the capacity keep the buffer; shrinking destroys, regrowing makes new elements.
    const std::string seven = "seven", nine = "nine";
    FmrArray<std::string> names;
    ASSERT_TRUE(names.SetSize(6, &seven));
    std::string* buffer = names.data();
    ASSERT_TRUE(names.SetSize(6) && names.SetSize(2) && names.SetSize(3) && names.SetSize(4, &nine));
    EXPECT_TRUE(names.data() == buffer && names[1] == seven && names[2].empty() && names[3] == nine);
    // Short strings keep their text inside the object, so they cannot be moved as raw bytes.
    for (int i = 4; i < 100; ++i) ASSERT_TRUE(names.Append(std::to_string(i)));
    for (int i = 4; i < 100; ++i) ASSERT_EQ(names[i], std::to_string(i));
    EXPECT_TRUE(names[0] == seven && names[2].empty() && names[3] == nine);
    const std::string heap(40, 'x');  // long enough to live on the heap; copied before the full array grows
    FmrArray<std::string> exact;
    EXPECT_TRUE(exact.SetSize(9, &heap, true) && exact.Append(exact[0]) && exact[9] == heap && exact[0] == heap);
}

TEST(FmrArray, RemoveShiftsOrFillsFromTheEndAndIgnoresRangesOutside) {
    const std::tuple<int, int, int, bool, bool, std::vector<int>> cases[] = {  // count, index, run, keep order, resize
        {7, 1, 2, true, true, {0, 3, 4, 5, 6}}, {5, 0, 2, true, false, {2, 3, 4, 3, 4}}, {7, 1, 2, false, true, {0, 5, 6, 3, 4}},
        {5, 1, 3, false, true, {0, 4}}, {6, 1, 3, false, true, {0, 4, 5}}, {3, 2, 1, false, true, {0, 1}},
        {3, 0, 3, true, true, {}}, {3, 2, 2, true, true, {0, 1, 2}}, {3, -1, 1, false, true, {0, 1, 2}},
        {3, 4, 1, true, true, {0, 1, 2}}, {3, 0, 0, true, true, {0, 1, 2}}, {3, 0, -2, false, true, {0, 1, 2}}};
    for (const auto& [count, index, run, keepOrder, resize, expected] : cases) {
        FmrArray<int> a = arrayOf(count);
        a.Remove(index, run, keepOrder, resize);
        EXPECT_EQ(valuesOf(a), expected) << count << " " << index << " " << run << " " << keepOrder;
    }
}

TEST(FmrArray, CopiesAreExactAssignmentKeepsTheDivisorAndBufferFailuresEmpty) {
    const FmrArray<int> source = arrayOf(11, 2), empty, copy(source), emptyCopy(empty);
    EXPECT_TRUE(copy.growthDivisor() == 4 && copy.capacity() == 11 && copy.data() != source.data());
    EXPECT_TRUE(valuesOf(copy) == valuesOf(source) && emptyCopy.data() == nullptr && emptyCopy.capacity() == 0);
    FmrArray<std::string> strings, target(0, 2), small;
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(strings.Append(std::string(30, static_cast<char>('a' + i))));
    target = strings;
    std::string* buffer = target.data();
    EXPECT_TRUE(target.capacity() == 12 && target.growthDivisor() == 2 && target[11] == strings[11]);
    ASSERT_TRUE(small.Append("z"));
    target = small;
    EXPECT_TRUE(target.count() == 1 && target[0] == "z" && target.data() == buffer);
    TestSupport::LogCapture log;
    FmrArray<int> three = arrayOf(3);
    EXPECT_TRUE(!three.SetSize(-1) && valuesOf(three) == std::vector<int>({0, 1, 2}));
    FmrArray<std::string, int64_t> big, reserved(INT64_MAX);  // more bytes than the address space holds
    EXPECT_FALSE(!big.SetSize(20) || big.SetSize(INT64_MAX) || big.SetSize(INT64_MAX, nullptr, true));
    EXPECT_TRUE(big.count() == 0 && big.capacity() == 0 && big.data() == nullptr && reserved.data() == nullptr);
    EXPECT_TRUE(big.Append("5") && big[0] == "5");  // the emptied array works again
    EXPECT_EQ(log.text(), "[ERROR] FmrArray SetSize() with a negative newsz!\n");
}
