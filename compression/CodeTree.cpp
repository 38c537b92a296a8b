#include "compression/CodeTree.h"

#include "utils/Allocation.h"

#include <algorithm>

namespace FMRUtils {

namespace {

struct TreeBuilder {
    const SymbolCount* entries;
    const uint64_t* prefix;  // prefix[i]: the sum of the counts of entries [0, i)
    CodeNode* nodes;
    int32_t nextFree;

    // Where the entries [start, start + k) split: the first entry at which the running sum reaches half
    // their total, counted into the left part unless the sum before it lies strictly nearer to the
    // half. Returns the number of entries in the left part; leftSum gets their sum.
    int32_t splitPoint(int32_t start, int32_t k, uint64_t total, uint64_t& leftSum) const {
        const uint64_t base = prefix[start], half = total / 2;
        const uint64_t* first = prefix + start + 1;
        const int32_t j = static_cast<int32_t>(std::lower_bound(first, first + k, base + half) - first);
        if (j == k) {  // only when the counts are inconsistent with the total
            leftSum = total;
            return k;
        }
        const uint64_t before = prefix[start + j] - base, sum = prefix[start + j + 1] - base;
        if (half - before < sum - half) {
            leftSum = before;
            return j;
        }
        leftSum = sum;
        return j + 1;
    }

    // Builds the subtree of `node` over [start, start + k). It recurses into the part with fewer
    // entries and loops on the other, so the recursion depth stays below log2(k) for any counts.
    bool build(int32_t node, int32_t start, int32_t k, uint64_t total) {
        for (;;) {
            CodeNode& n = nodes[node];
            if (k == 1) {
                n.value = entries[start].symbol;
                n.child[0] = n.child[1] = -1;
                return true;
            }
            uint64_t leftSum = 0;
            const int32_t split = splitPoint(start, k, total, leftSum);
            if (split <= 0 || split >= k) return false;
            n.value = static_cast<uint32_t>(start + split);
            n.child[0] = nextFree++;
            n.child[1] = nextFree++;
            const int32_t left = n.child[0], right = n.child[1];
            if (split <= k - split) {
                if (!build(left, start, split, leftSum)) return false;
                node = right;
                start += split;
                k -= split;
                total -= leftSum;
            } else {
                if (!build(right, start + split, k - split, total - leftSum)) return false;
                node = left;
                k = split;
                total = leftSum;
            }
        }
    }
};

}  // namespace

bool BuildCodeTree(const SymbolCount* entries, int32_t n, CodeNode* nodes) {
    if (n < 1) return false;
    uint64_t* prefix = nullptr;
    if (!newArray(prefix, size_t(n) + 1)) return false;
    prefix[0] = 0;
    for (int32_t i = 0; i < n; ++i) prefix[i + 1] = prefix[i] + entries[i].count;
    TreeBuilder builder{entries, prefix, nodes, 1};
    const bool built = builder.build(0, 0, n, prefix[n]);
    delete[] prefix;
    return built;
}

}  // namespace FMRUtils
