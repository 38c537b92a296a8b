#include "compression/DecodeTable.h"

#include "utils/Allocation.h"

#include <algorithm>

namespace FMRUtils {

namespace {

// First index widths: 2048 x 20 bytes (lanes) or up to 8192 x 4 bytes (compact) keep most of the L1
// data cache for the stream and the output.
constexpr int kLaneBits = 11;
constexpr int kMaxCompactBits = DecodeTables::kMaxFirstBits;
static_assert(kLaneBits <= DecodeTables::kMaxFirstBits, "the widest index bounds the lane layout too");
// A compact index is made just wide enough for this share of the codes.
constexpr double kCompactCover = 0.9;
// Codes up to this length count as short when choosing the layout.
constexpr int kShortCode = 5;
// Deeper tables, up to this many levels below the first and this many entries in all.
constexpr int kDeeperBits = 8;
constexpr int kMaxLevels = 3;
constexpr int kMaxDeeperEntries = 1 << 16;

int32_t AddWrapping(uint32_t a, int32_t b) {
    return static_cast<int32_t>(a + static_cast<uint32_t>(b));
}

// The height of every node and the share of the codes of each length, from two passes over the node
// pool (a node's children always come after it in the pool).
class TreeShape {
public:
    ~TreeShape() { delete[] m_height; }

    bool measure(const CodeNode* tree, int32_t nodes) {
        uint8_t* depth = nullptr;
        if (!newArray(depth, size_t(nodes)) || !newArray(m_height, size_t(nodes))) {
            delete[] depth;
            return false;
        }
        depth[0] = 0;
        for (int32_t i = 0; i < nodes; ++i) {
            const CodeNode& n = tree[i];
            if (n.child[0] < 0) {
                if (depth[i] <= kMaxCompactBits) m_share[depth[i]] += 1.0 / double(uint64_t(1) << depth[i]);
                m_maxSymbol = std::max(m_maxSymbol, n.value);
                continue;
            }
            depth[n.child[0]] = depth[n.child[1]] = static_cast<uint8_t>(std::min(255, depth[i] + 1));
        }
        for (int32_t i = nodes - 1; i >= 0; --i) {
            const CodeNode& n = tree[i];
            const int below = n.child[0] < 0 ? -1 : std::max(m_height[n.child[0]], m_height[n.child[1]]);
            m_height[i] = static_cast<uint8_t>(std::min(255, below + 1));
        }
        delete[] depth;
        return true;
    }

    int height(int32_t node, int limit) const { return std::min<int>(m_height[node], limit); }
    uint32_t maxSymbol() const { return m_maxSymbol; }

    // Whether short codes carry most of the stream: in a prefix code built from the counts, a code of
    // length d stands for about 2^-d of the values.
    bool mostlyShortCodes() const {
        double share = 0;
        for (int length = 1; length <= kShortCode; ++length) share += m_share[length];
        return share >= 0.5;
    }

    // The narrowest compact index that resolves kCompactCover of the codes in one look-up.
    int compactBits() const {
        const int depth = height(0, kMaxCompactBits);
        double covered = 0;
        for (int bits = 1; bits < depth; ++bits) {
            covered += m_share[bits];
            if (covered >= kCompactCover) return bits;
        }
        return depth;
    }

private:
    uint8_t* m_height = nullptr;
    uint32_t m_maxSymbol = 0;
    double m_share[kMaxCompactBits + 1] = {};
};

class TableBuilder {
public:
    TableBuilder(const CodeNode* tree, const TreeShape& shape, int32_t min, DecodeTables& tables)
        : m_tree(tree), m_shape(shape), m_min(min), m_t(tables) {}

    // Lane layout, first code: every code of at most `bits` bits owns the indices that start with it.
    bool addLanes(int bits) {
        const int size = 1 << bits;
        if (!m_t.lanes.SetSize(size * DecodeTables::kLanes) || !m_t.meta.SetSize(size)) return false;
        bool ok = true;
        auto fill = [&](int32_t node, uint64_t code, int d) {
            const CodeNode& n = m_tree[node];
            int32_t lane0 = 0;
            uint32_t meta = DecodeTables::kSlowPath;
            if (n.child[0] < 0) {
                lane0 = AddWrapping(n.value, m_min);
                meta = withCode(DecodeTables::laneMeta(0, 0, 0, d, 0, false), lane0, d);
            } else {
                lane0 = goesOn(node, 0);
                ok = ok && lane0 >= 0;
            }
            for (uint64_t high = 0; high < (uint64_t(1) << (bits - d)); ++high) {
                const int index = static_cast<int>(code | (high << d));
                int32_t* lanes = &m_t.lanes[index * DecodeTables::kLanes];
                lanes[0] = lane0;
                lanes[1] = lanes[2] = lanes[3] = 0;
                m_t.meta[index] = meta;
            }
        };
        ForEachCode(m_tree, 0, 0, 0, bits, fill);
        return ok;
    }

    // Lane layout, further codes: after the literals found so far, the first code of the bits that
    // follow, while it ends within the index. Reads only the first code of other entries, which it never
    // changes.
    void addFollowingCodes(int bits) {
        for (int index = 0; index < (1 << bits); ++index) {
            uint32_t meta = m_t.meta[index];
            int32_t* lanes = &m_t.lanes[index * DecodeTables::kLanes];
            for (int j = DecodeTables::codeCount(meta); j >= 1 && j < DecodeTables::kLanes; ++j) {
                if (DecodeTables::literalCount(meta) < j) break;  // a run marker ends the codes
                const int used = DecodeTables::totalLength(meta);
                const uint32_t next = m_t.meta[index >> used];
                const int length = DecodeTables::firstLength(next);
                if (DecodeTables::codeCount(next) == 0 || length > bits - used) break;
                lanes[j] = m_t.lanes[(index >> used) * DecodeTables::kLanes];
                meta = withCode(meta, lanes[j], length);
            }
            m_t.meta[index] = meta;
        }
    }

    // Compact layout: one code per index.
    bool addCompact(int bits) {
        if (!m_t.compact.SetSize(1 << bits)) return false;
        bool ok = true;
        auto fill = [&](int32_t node, uint64_t code, int d) {
            uint32_t entry = 0;
            if (m_tree[node].child[0] < 0) {
                entry = DecodeTables::compactCode(d, m_tree[node].value);
            } else {
                const int subBits = m_shape.height(node, kDeeperBits);
                entry = DecodeTables::compactWalk(node);  // unless a table fits
                if (m_t.deeper.count() + (1 << subBits) <= kMaxDeeperEntries) {
                    const int32_t offset = addDeeper(node, subBits, 1);
                    ok = ok && offset >= 0;
                    entry = DecodeTables::compactTable(subBits, offset);
                }
            }
            for (uint64_t high = 0; high < (uint64_t(1) << (bits - d)); ++high) {
                m_t.compact[int(code | (high << d))] = entry;
            }
        };
        ForEachCode(m_tree, 0, 0, 0, bits, fill);
        return ok;
    }

private:
    // `meta` with one more whole code of `length` bits, whose lane value is v: a literal, or a run
    // marker (v < 0) of -v copies, short or for the slow path.
    static uint32_t withCode(uint32_t meta, int32_t v, int length) {
        const int total = DecodeTables::totalLength(meta) + length;
        const int codes = DecodeTables::codeCount(meta) + 1;
        const int literals = DecodeTables::literalCount(meta) + (v >= 0 ? 1 : 0);
        const int first = codes == 1 ? length : DecodeTables::firstLength(meta);
        const int64_t run = v >= 0 ? 0 : -int64_t(v);
        const bool shortRun = run <= DecodeTables::kShortRun;
        return DecodeTables::laneMeta(total, codes, literals, first, shortRun ? int(run) : 0, !shortRun);
    }

    // For the inner node where an index of level `level` ends: appends the entry where its codes go on,
    // a deeper table for its subtree or, past the level and size limits, a walk from it. Returns the
    // entry's position in `deeper`, or -1 when memory runs out.
    int32_t goesOn(int32_t node, int level) {
        const int at = m_t.deeper.count();
        if (!m_t.deeper.SetSize(at + 1)) return -1;
        const int bits = m_shape.height(node, kDeeperBits);
        DecodeEntry e{node, 0, DecodeEntry::kWalk};
        if (level < kMaxLevels && at + 1 + (1 << bits) <= kMaxDeeperEntries) {
            e.value = addDeeper(node, bits, level + 1);
            if (e.value < 0) return -1;
            e.length = static_cast<uint8_t>(bits);
            e.kind = DecodeEntry::kSubTable;
        }
        m_t.deeper[at] = e;
        return at;
    }

    // Appends the table of the subtree at `node` and the entries below it; its offset, or -1.
    int32_t addDeeper(int32_t node, int bits, int level) {
        const int offset = m_t.deeper.count();
        if (!m_t.deeper.SetSize(offset + (1 << bits))) return -1;
        bool ok = true;
        auto fill = [&](int32_t at, uint64_t code, int d) {
            DecodeEntry e{};
            if (m_tree[at].child[0] < 0) {
                e = DecodeEntry{AddWrapping(m_tree[at].value, m_min), static_cast<uint8_t>(d), DecodeEntry::kOneCode};
            } else {
                const int32_t on = goesOn(at, level);
                if (on < 0) {
                    ok = false;
                    return;
                }
                e = m_t.deeper[on];
            }
            for (uint64_t high = 0; high < (uint64_t(1) << (bits - d)); ++high) {
                m_t.deeper[offset + int(code | (high << d))] = e;
            }
        };
        ForEachCode(m_tree, node, 0, 0, bits, fill);
        return ok ? offset : -1;
    }

    const CodeNode* m_tree;
    const TreeShape& m_shape;
    int32_t m_min;
    DecodeTables& m_t;
};

}  // namespace

bool BuildDecodeTables(const CodeNode* tree, int32_t nodes, int32_t min, DecodeTables& tables) {
    tables.deeper.SetSize(0);
    TreeShape shape;
    if (!shape.measure(tree, nodes)) return false;
    TableBuilder builder(tree, shape, min, tables);
    const int depth = shape.height(0, kMaxCompactBits);
    // The compact entry has 26 bits for a symbol and 25 for a node.
    const bool fitsCompact = shape.maxSymbol() < (1u << 26) && nodes < (1 << 25);
    if (depth > kShortCode && fitsCompact && !shape.mostlyShortCodes()) {
        tables.layout = DecodeTables::kCompactLayout;
        tables.bits = shape.compactBits();
        return builder.addCompact(tables.bits);
    }
    tables.layout = DecodeTables::kLaneLayout;
    // Wide enough for four codes of the deepest length, where that fits the cache.
    tables.bits = std::min(kLaneBits, DecodeTables::kLanes * depth);
    if (!builder.addLanes(tables.bits)) return false;
    if (depth > 0) builder.addFollowingCodes(tables.bits);  // one leaf: empty codes, nothing follows
    return true;
}

}  // namespace FMRUtils
