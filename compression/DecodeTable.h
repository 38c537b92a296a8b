// The decoder's look-up tables over a code tree. A first table, indexed by the next `bits` bits of a
// stream, resolves every code that fits in the index; a longer code leads to a deeper table for the
// subtree where the index ends (and so on), and past a few levels to a bit-by-bit walk of the tree.
//
// The first table has one of two layouts. For trees whose codes are mostly short, each index gives the
// whole codes (up to four) that begin there, so that one look-up yields several values: literals, and
// possibly a run marker after them, where the index ends. For trees of long codes a compact entry gives
// one code, which lets the index be wider within the same cache.
#pragma once

#include "compression/CodeTree.h"
#include "utils/FmrArray.h"

#include <cstdint>

namespace FMRUtils {

// An entry of the deeper tables: one code of at most the table's index width, a deeper table, or a walk.
struct DecodeEntry {
    enum Kind : uint8_t { kOneCode = 0, kSubTable = 1, kWalk = 2 };
    int32_t value;   // kOneCode: symbol + min; kSubTable: the table's offset; kWalk: the tree node
    uint8_t length;  // kOneCode: the code's length within this index; kSubTable: the table's index width
    uint8_t kind;
};

struct DecodeTables {
    static constexpr int kLanes = 4;
    // The widest first index of either layout: a code resolved there is never longer.
    static constexpr int kMaxFirstBits = 13;
    // Runs up to this long are written by the lane loop without a branch.
    static constexpr int kShortRun = 8;
    enum Layout { kLaneLayout, kCompactLayout };

    Layout layout = kLaneLayout;
    int bits = 0;  // the first index's width: 0 for a tree of one leaf

    // Lane layout, per index: kLanes values, those (symbol + min) of the whole codes that the index
    // begins with and 0 after them; with no whole code, lane 0 is the position in `deeper` of the entry
    // where the code goes on. Codes end at the first run marker, which follows the literals.
    FmrArray<int32_t> lanes;
    // Lane layout, per index: the total length of its whole codes (bits 0-5); bit 6 when the index needs
    // the loop's slow path (no whole code, or a run longer than kShortRun); the number of whole codes
    // (bits 8-10) and of literals among them (bits 11-13); the first code's length (bits 16-19); the
    // length of a short run after the literals (bits 20-23, 0 for none).
    FmrArray<uint32_t> meta;
    // Compact layout, per index: the length of its code (bits 0-5) and the code's symbol (bits 6-31).
    // For a longer code the length is 0 and either bit 6 is 0 and a deeper table follows (its index
    // width in bits 7-10, its offset in `deeper` in bits 11-31), or bit 6 is 1 and the code goes on as a
    // walk from the tree node in bits 7-31.
    FmrArray<uint32_t> compact;
    // Deeper tables, and for the lane layout the entries where long codes go on.
    FmrArray<DecodeEntry> deeper;

    // Lengths are masked to 6 bits, which lets a shift by them use the field as it is.
    static constexpr uint32_t kSlowPath = 64;
    static int totalLength(uint32_t m) { return static_cast<int>(m & 63); }
    static int codeCount(uint32_t m) { return static_cast<int>((m >> 8) & 7); }
    static int literalCount(uint32_t m) { return static_cast<int>((m >> 11) & 7); }
    static int firstLength(uint32_t m) { return static_cast<int>((m >> 16) & 15); }
    static int shortRun(uint32_t m) { return static_cast<int>((m >> 20) & 15); }
    static uint32_t laneMeta(int total, int codes, int literals, int first, int run, bool slow) {
        return uint32_t(total) | (slow ? kSlowPath : 0) | (uint32_t(codes) << 8) | (uint32_t(literals) << 11) |
               (uint32_t(first) << 16) | (uint32_t(run) << 20);
    }

    static uint32_t compactCode(int length, uint32_t symbol) { return uint32_t(length) | (symbol << 6); }
    static uint32_t compactTable(int bits, int32_t offset) { return (uint32_t(bits) << 7) | (uint32_t(offset) << 11); }
    static uint32_t compactWalk(int32_t node) { return 64u | (uint32_t(node) << 7); }
    static int compactLength(uint32_t e) { return static_cast<int>(e & 63); }
    static uint32_t compactSymbol(uint32_t e) { return e >> 6; }
};

// Fills the tables for the tree of a stream whose min is `min`: `nodes` nodes built by BuildCodeTree
// (root at 0, children after their parent). False when memory runs out.
bool BuildDecodeTables(const CodeNode* tree, int32_t nodes, int32_t min, DecodeTables& tables);

}  // namespace FMRUtils
