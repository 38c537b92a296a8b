// The prefix code of the entropy coder: a binary tree built over the count-sorted symbol table by
// recursive halving of the counts (a Shannon-Fano code). Encoder and decoder build the same tree from
// the same table, so the stream carries only the table.
#pragma once

#include <cstdint>

namespace FMRUtils {

// One symbol of the table with its number of occurrences, in stream order (largest count first).
struct SymbolCount {
    uint32_t symbol;
    uint32_t count;
};

// A tree node. A leaf has child[0] < 0 and holds its symbol in `value`; an inner node holds the table
// position of its split and the pool indices of its two children (0 = the first part of its range).
struct CodeNode {
    uint32_t value;
    int32_t child[2];
};

// Builds the tree over the n >= 1 entries into `nodes` (room for 2 * n nodes): 2 * n - 1 nodes, the root
// at index 0 and every node's children after it.
// Fails when the counts leave a range without a proper split, which only zero counts can do, or when
// memory runs out.
bool BuildCodeTree(const SymbolCount* entries, int32_t n, CodeNode* nodes);

// Calls visit(nodeIndex, code, depth) for every leaf no deeper than maxDepth and for every inner node at
// exactly maxDepth. Bit d of `code` is the branch taken at depth d. Recursion is limited to maxDepth.
template <class Visit>
void ForEachCode(const CodeNode* nodes, int32_t node, uint64_t code, int depth, int maxDepth, Visit& visit) {
    const CodeNode& n = nodes[node];
    if (n.child[0] < 0 || depth == maxDepth) {
        visit(node, code, depth);
        return;
    }
    ForEachCode(nodes, n.child[0], code, depth + 1, maxDepth, visit);
    ForEachCode(nodes, n.child[1], code | (uint64_t(1) << depth), depth + 1, maxDepth, visit);
}

}  // namespace FMRUtils
