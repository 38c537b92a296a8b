// Encoding of entropy streams: a histogram of the values, the count-sorted symbol table and its code
// tree, and a cost test that keeps the stream in raw mode unless tree mode is clearly smaller.
#include "compression/EntropyCoder.h"

#include "utils/Allocation.h"
#include "utils/Log.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace FMRUtils {

namespace {

// Symbol spans beyond this are written in raw mode: the histogram and code table are indexed by
// symbol, and a span this wide gains little from a symbol table anyway.
constexpr uint64_t kMaxTreeSpan = uint64_t(1) << 22;
// Codes are kept in 32-bit words; a deeper tree falls back to raw mode.
constexpr int kMaxCodeLength = 32;

int SignificantBits(uint64_t v) {
    return v ? 64 - __builtin_clzll(v) : 0;
}

// Collects bits least significant first and appends them to the array as little-endian 32-bit words.
// A word append that brings the array to `limit` bytes or more (limit < 0: never) makes the write fail.
class BitWriter {
public:
    BitWriter(FmrArray<char, int64_t>& out, int64_t limit) : m_out(out), m_limit(limit) {}

    // Appends the low w bits of v (w <= 32, v < 2^w).
    void put(uint32_t v, int w) {
        m_acc |= uint64_t(v) << m_bits;
        m_bits += w;
        if (m_bits >= 32) {
            appendWord(static_cast<uint32_t>(m_acc));
            m_acc >>= 32;
            m_bits -= 32;
        }
    }

    // Appends the partly filled last word, if any.
    void flush() {
        if (m_bits > 0) appendWord(static_cast<uint32_t>(m_acc));
        m_acc = 0;
        m_bits = 0;
    }

    bool failed() const { return m_failed; }
    bool outOfMemory() const { return m_outOfMemory; }

private:
    void appendWord(uint32_t word) {
        const int64_t size = m_out.count();
        if (!m_out.SetSize(size + 4)) {
            m_failed = m_outOfMemory = true;
            return;
        }
        std::memcpy(m_out.data() + size, &word, 4);
        if (m_limit >= 0 && m_out.count() >= m_limit) m_failed = true;
    }

    FmrArray<char, int64_t>& m_out;
    int64_t m_limit;
    uint64_t m_acc = 0;
    int m_bits = 0;
    bool m_failed = false;
    bool m_outOfMemory = false;
};

// The coder tables of one Encode call, freed however it ends.
struct EncoderTables {
    uint32_t* rates = nullptr;     // histogram, one counter per symbol
    SymbolCount* srt = nullptr;    // distinct symbols, sorted by count
    uint32_t* val2code = nullptr;  // per symbol: code bits, code length
    CodeNode* tree = nullptr;
    ~EncoderTables() {
        std::free(rates);
        delete[] srt;
        std::free(val2code);
        delete[] tree;
    }
};

void WriteRaw(const int32_t* values, int64_t n, int32_t min, int width, FmrArray<char, int64_t>& out) {
    BitWriter writer(out, -1);
    writer.put(static_cast<uint32_t>(width), 8);
    writer.put(static_cast<uint32_t>(min), 32);
    for (int64_t i = 0; i < n; ++i) writer.put(static_cast<uint32_t>(values[i]) - static_cast<uint32_t>(min), width);
    writer.flush();
}

// Builds the symbol table and codes and writes tree mode. Returns false, with `out` possibly grown, when
// tree mode is not possible or not worth it; the caller then writes raw mode from the same start.
bool WriteTree(const int32_t* values, int64_t n, int32_t min, uint64_t span, int width, uint64_t rawBytes,
               int64_t limit, FmrArray<char, int64_t>& out) {
    if (span > kMaxTreeSpan || n > INT32_MAX) return false;
    EncoderTables t;
    if (!newZeroedArray(t.rates, span)) {
        logMessage("Encode newZeroedArray rates failed!\n");
        return false;
    }
    for (int64_t i = 0; i < n; ++i) ++t.rates[static_cast<uint32_t>(values[i]) - static_cast<uint32_t>(min)];
    int32_t nsym = 0;
    for (uint64_t s = 0; s < span; ++s) nsym += t.rates[s] != 0;
    if (!newArray(t.srt, static_cast<size_t>(nsym))) {
        logMessage("Encode newArray srt failed!\n");
        return false;
    }
    for (uint64_t s = 0, k = 0; s < span; ++s) {
        if (t.rates[s] != 0) t.srt[k++] = SymbolCount{static_cast<uint32_t>(s), t.rates[s]};
    }
    std::free(t.rates);
    t.rates = nullptr;
    // Largest count first; equal counts keep increasing symbol order, so the stream is reproducible.
    std::sort(t.srt, t.srt + nsym, [](const SymbolCount& a, const SymbolCount& b) {
        return a.count != b.count ? a.count > b.count : a.symbol < b.symbol;
    });

    if (!newZeroedArray(t.val2code, 2 * span)) {
        logMessage("Encode newZeroedArray val2code failed!\n");
        return false;
    }
    if (!newArray(t.tree, 2 * static_cast<size_t>(nsym))) {
        logMessage("Encode newArray tree failed!\n");
        return false;
    }
    if (!BuildCodeTree(t.srt, nsym, t.tree)) return false;
    bool tooDeep = false;
    auto assign = [&](int32_t node, uint64_t code, int depth) {
        const CodeNode& leaf = t.tree[node];
        if (leaf.child[0] >= 0) {
            tooDeep = true;
            return;
        }
        t.val2code[2 * uint64_t(leaf.value)] = static_cast<uint32_t>(code);
        t.val2code[2 * uint64_t(leaf.value) + 1] = static_cast<uint32_t>(depth);
    };
    ForEachCode(t.tree, 0, 0, 0, kMaxCodeLength + 1, assign);
    if (tooDeep) return false;

    uint64_t codedBits = 0;
    for (int64_t i = 0; i < n; ++i) {
        codedBits += t.val2code[2 * uint64_t(static_cast<uint32_t>(values[i]) - static_cast<uint32_t>(min)) + 1];
    }
    if (codedBits / 8 + uint64_t(nsym) / 4 + 10 > rawBytes) return false;

    BitWriter writer(out, limit);
    const int countWidth = SignificantBits(t.srt[0].count);
    writer.put(0, 8);
    writer.put(static_cast<uint32_t>(nsym), 32);
    writer.put(static_cast<uint32_t>(min), 32);
    writer.put(static_cast<uint32_t>(countWidth), 6);
    writer.put(static_cast<uint32_t>(width), 6);
    for (int32_t i = 0; i < nsym && !writer.failed(); ++i) {
        if (i == 0 || t.srt[i].count != t.srt[i - 1].count) {
            writer.put(1, 1);
            writer.put(t.srt[i].count, countWidth);
        } else {
            writer.put(0, 1);
        }
        writer.put(t.srt[i].symbol, width);
    }
    for (int64_t i = 0; i < n && !writer.failed(); ++i) {
        const uint64_t s = static_cast<uint32_t>(values[i]) - static_cast<uint32_t>(min);
        writer.put(t.val2code[2 * s], static_cast<int>(t.val2code[2 * s + 1]));
    }
    writer.flush();
    return !writer.failed();
}

}  // namespace

int64_t Encode(const int32_t* values, int64_t n, FmrArray<char, int64_t>& out) {
    const int64_t start = out.count();
    if (out.capacity() - start < 100000) {
        if (!out.SetSize(start + 100000)) return 0;
        out.SetSize(start);
    }
    int32_t min = 0, max = 0;
    if (n > 0) {
        const auto range = std::minmax_element(values, values + n);
        min = *range.first;
        max = *range.second;
    }
    const uint64_t span = uint64_t(int64_t(max) - int64_t(min)) + 1;
    const int width = std::min(32, SignificantBits(span));
    const uint64_t rawBytes = uint64_t(width) * uint64_t(n > 0 ? n : 0) / 8;
    const int64_t limit = start + static_cast<int64_t>(rawBytes) + 8;

    if (!WriteTree(values, n, min, span, width, rawBytes, limit, out)) {
        if (out.count() < start) return 0;  // the array could not grow and lost its contents
        out.SetSize(start);
        WriteRaw(values, n, min, width, out);
    }
    return std::max<int64_t>(0, out.count() - start);
}

}  // namespace FMRUtils
