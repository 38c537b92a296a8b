#include "compression/ExpandLoops.h"

#include "utils/Log.h"

#include "compression/SimdInts.h"

namespace FMRUtils {

namespace {

inline int32_t AddWrapping(uint32_t a, int32_t b) {
    return static_cast<int32_t>(a + static_cast<uint32_t>(b));
}

// Expands a run marker: `length` more copies of the last value written. False, with the output cut at
// `count` values, when there is no value before the run or the run does not fit.
bool ExpandLongRun(int32_t* out, int64_t& written, int64_t count, int64_t length) {
    if (written == 0) return false;  // a run needs a value before it
    const int32_t repeated = out[written - 1];
    if (length > count - written) {
        FillInts(out + written, count - written, repeated);
        written = count;
        logMessage("DecodeAndExpand - constant sequence longer than expected\n");
        return false;
    }
    FillInts(out + written, length, repeated);
    written += length;
    return true;
}

// The same, with short runs written as two blocks of four in place.
inline bool ExpandRun(int32_t* out, int64_t& written, int64_t count, int64_t length) {
#if defined(__SSE2__)
    if (length <= 8 && written > 0 && count - written >= 8) {
        const __m128i repeated = _mm_set1_epi32(out[written - 1]);
        StoreInts(out + written, repeated);
        StoreInts(out + written + 4, repeated);
        written += length;
        return true;
    }
#endif
    return ExpandLongRun(out, written, count, length);
}

// Stores one value: a literal with the offset, or a run. False when decoding must stop with a failure.
inline bool Emit(int32_t v, int32_t* out, int64_t& written, int64_t count, int32_t offset) {
    if (v >= 0) {
        out[written++] = AddWrapping(static_cast<uint32_t>(v), offset);
        return true;
    }
    return ExpandRun(out, written, count, -static_cast<int64_t>(v));
}

// Stores the four lanes plus the offset at `out`.
inline void StoreLanes(int32_t* out, const int32_t* lanes, int32_t offset) {
#if defined(__SSE2__)
    StoreInts(out, _mm_add_epi32(LoadInts(lanes), _mm_set1_epi32(offset)));
#else
    for (int j = 0; j < 4; ++j) out[j] = AddWrapping(static_cast<uint32_t>(lanes[j]), offset);
#endif
}

// Stores kShortRun copies of v at `out`.
inline void StoreShortRun(int32_t* out, int32_t v) {
    static_assert(DecodeTables::kShortRun == 8, "two blocks of four");
#if defined(__SSE2__)
    const __m128i repeated = _mm_set1_epi32(v);
    StoreInts(out, repeated);
    StoreInts(out + 4, repeated);
#else
    for (int j = 0; j < DecodeTables::kShortRun; ++j) out[j] = v;
#endif
}

// The rest of a code longer than the first index, whose bits are consumed: `e` says where it goes on,
// in a deeper table or as a walk of the tree.
int32_t DecodeDeeper(BitReader& reader, const DecodeTables& tables, const CodeNode* tree, int32_t min, DecodeEntry e) {
    while (e.kind == DecodeEntry::kSubTable) {
        if (reader.available() < 32) reader.refill();
        const DecodeEntry next = tables.deeper[e.value + static_cast<int32_t>(reader.peek(e.length))];
        if (next.kind == DecodeEntry::kOneCode) {
            reader.consume(next.length);
            return next.value;
        }
        reader.consume(e.length);
        e = next;
    }
    int32_t node = e.value;
    while (tree[node].child[0] >= 0) node = tree[node].child[reader.bit()];
    return AddWrapping(tree[node].value, min);
}

// The same through a copy of the reader, so that a loop's own reader never has its address taken and
// can stay in registers.
inline int32_t DecodeDeeperCopy(BitReader& reader, const DecodeTables& tables, const CodeNode* tree, int32_t min,
                                DecodeEntry e) {
    BitReader copy = reader;
    const int32_t v = DecodeDeeper(copy, tables, tree, min, e);
    reader = copy;
    return v;
}

// Where a compact entry with length 0 goes on.
inline DecodeEntry CompactGoesOn(uint32_t e) {
    if (e & 64) return DecodeEntry{static_cast<int32_t>(e >> 7), 0, DecodeEntry::kWalk};
    return DecodeEntry{static_cast<int32_t>(e >> 11), static_cast<uint8_t>((e >> 7) & 15), DecodeEntry::kSubTable};
}

// Look-ups per refill of the bit buffer. A refill leaves at least 56 bits and a look-up that needs no
// slow path takes at most the widest first index, so a group needs no test in between; testing before
// each look-up instead is a branch that follows the code lengths and is often mispredicted.
constexpr int kGroup = 4;
static_assert(kGroup * DecodeTables::kMaxFirstBits <= 56, "a group fits one refill");

inline void RefillFor(BitReader& reader, bool careful) {
    if (careful) {
        reader.refill();
    } else {
        reader.refillWord();
    }
}

// Every whole code of an index at once: its literals, then copies of the last value for a short run
// marker, all written without a branch (the run's copies land after the literals, and stores past the
// values taken are overwritten later). Long runs and long codes take a slower path. Runs while there
// is room for every store of a group and at least one value was written before (a run repeats it).
// Unless `Careful`, only while the reader has whole words left (no zero bits past the end can be read,
// so there is nothing to check per look-up).
template <bool Careful>
bool LaneLoop(BitReader& sharedReader, const DecodeTables& tables, const CodeNode* tree, int32_t min, int32_t* out,
              int64_t& writtenOut, int64_t count, int32_t offset, ProgressReporter& progress) {
    constexpr int kMostPerLookup = DecodeTables::kLanes + DecodeTables::kShortRun;
    BitReader reader = sharedReader;
    const int bits = tables.bits;
    const uint32_t* metaTable = tables.meta.data();
    const int32_t* laneTable = tables.lanes.data();
    int64_t written = writtenOut;
    if (written == 0) return true;
    // Kept in a register, so that a run never waits for the store of the value it repeats.
    int32_t last = out[written - 1];
    bool ok = true;
    while (count - written >= kGroup * kMostPerLookup && (Careful || reader.hasWord())) {
        progress.check(written);
        RefillFor(reader, Careful);
        for (int k = 0; k < kGroup; ++k) {
            const uint32_t index = reader.peek(bits);
            const uint32_t meta = metaTable[index];
            const int32_t* lanes = laneTable + index * DecodeTables::kLanes;
            const int literals = DecodeTables::literalCount(meta);
            if (!(meta & DecodeTables::kSlowPath)) {
                StoreLanes(out + written, lanes, offset);
                const int32_t tail = lanes[literals > 0 ? literals - 1 : 0];
                last = literals > 0 ? AddWrapping(static_cast<uint32_t>(tail), offset) : last;
                written += literals;
                StoreShortRun(out + written, last);
                written += DecodeTables::shortRun(meta);
                reader.consume(DecodeTables::totalLength(meta));
                continue;
            }
            int64_t at = written;
            if (DecodeTables::codeCount(meta) > 0) {
                // Literals, then a long run.
                StoreLanes(out + at, lanes, offset);
                at += literals;
                reader.consume(DecodeTables::totalLength(meta));
                ok = ExpandLongRun(out, at, count, -static_cast<int64_t>(lanes[literals]));
            } else {
                reader.consume(bits);
                ok = Emit(DecodeDeeperCopy(reader, tables, tree, min, tables.deeper[lanes[0]]), out, at, count,
                          offset);
            }
            written = at;
            last = out[written - 1];
            break;  // the slow path may have used the bits the group counts on
        }
        if (!ok || (Careful && reader.overrun())) break;
    }
    sharedReader = reader;
    writtenOut = written;
    return ok;
}

// Decodes one code and stores it, or the run it stands for.
inline bool ExpandOneCode(BitReader& reader, const DecodeTables& tables, const CodeNode* tree, int32_t min,
                          int32_t* out, int64_t& written, int64_t count, int32_t offset) {
    BitReader single = reader;
    const int32_t v = DecodeCode(single, tables, tree, min);
    reader = single;
    return Emit(v, out, written, count, offset) && !reader.overrun();
}

bool ExpandLaneCodes(BitReader& reader, const DecodeTables& tables, const CodeNode* tree, int32_t min, int32_t* out,
                     int64_t count, int32_t offset, ProgressReporter& progress) {
    int64_t written = 0;
    bool ok = ExpandOneCode(reader, tables, tree, min, out, written, count, offset) &&
              LaneLoop<false>(reader, tables, tree, min, out, written, count, offset, progress) &&
              LaneLoop<true>(reader, tables, tree, min, out, written, count, offset, progress);
    while (ok && written < count) ok = ExpandOneCode(reader, tables, tree, min, out, written, count, offset);
    return ok && !reader.overrun();
}

// One code per look-up, in groups of kGroup per refill; unless `Careful`, only while the reader has
// whole words left.
template <bool Careful>
bool CompactLoop(BitReader& sharedReader, const DecodeTables& tables, const CodeNode* tree, int32_t min, int32_t* out,
                 int64_t& writtenOut, int64_t count, int32_t offset, ProgressReporter& progress) {
    BitReader reader = sharedReader;
    const int bits = tables.bits;
    const uint32_t* compact = tables.compact.data();
    int64_t written = writtenOut;
    bool ok = true;
    while (count - written >= kGroup && (Careful || reader.hasWord())) {
        progress.check(written);
        RefillFor(reader, Careful);
        for (int k = 0; k < kGroup; ++k) {
            const uint32_t e = compact[reader.peek(bits)];
            const int length = DecodeTables::compactLength(e);
            int32_t v = AddWrapping(DecodeTables::compactSymbol(e), min);
            if (length != 0 && v >= 0) {
                reader.consume(length);
                out[written++] = AddWrapping(static_cast<uint32_t>(v), offset);
                continue;
            }
            // A run marker or a long code ends the group: a run may fill the room the group counts
            // on, and a long code the bits.
            if (length != 0) {
                reader.consume(length);
            } else {
                reader.consume(bits);
                DecodeEntry on = CompactGoesOn(e);
                if (on.kind == DecodeEntry::kSubTable) {
                    // Most long codes end in the second table: looked up here, without a call.
                    reader.refill();
                    const DecodeEntry next = tables.deeper[on.value + static_cast<int32_t>(reader.peek(on.length))];
                    reader.consume(next.kind == DecodeEntry::kOneCode ? next.length : on.length);
                    on = next;
                }
                v = on.kind == DecodeEntry::kOneCode ? on.value : DecodeDeeperCopy(reader, tables, tree, min, on);
            }
            int64_t at = written;
            ok = Emit(v, out, at, count, offset);
            written = at;
            break;
        }
        if (!ok || (Careful && reader.overrun())) break;
    }
    sharedReader = reader;
    writtenOut = written;
    return ok;
}

bool ExpandCompactCodes(BitReader& reader, const DecodeTables& tables, const CodeNode* tree, int32_t min, int32_t* out,
                        int64_t count, int32_t offset, ProgressReporter& progress) {
    int64_t written = 0;
    bool ok = CompactLoop<false>(reader, tables, tree, min, out, written, count, offset, progress) &&
              CompactLoop<true>(reader, tables, tree, min, out, written, count, offset, progress);
    while (ok && written < count) ok = ExpandOneCode(reader, tables, tree, min, out, written, count, offset);
    return ok && !reader.overrun();
}

template <int PerRefill>
bool ExpandRawBatches(BitReader& sharedReader, int width, int32_t min, int32_t* out, int64_t count, int32_t offset,
                      ProgressReporter& progress) {
    // The loop keeps its own copy of the reader so that the bit buffer stays in registers.
    BitReader reader = sharedReader;
    const uint64_t mask = (uint64_t(1) << width) - 1;
    int64_t written = 0;
    bool ok = true;
    // Whole batches while there is room for them; refill leaves at least 56 bits, PerRefill x width.
    while (count - written >= PerRefill && !reader.overrun()) {
        progress.check(written);
        if (reader.hasWord()) {
            reader.refillWord();
        } else {
            reader.refill();
        }
        const uint64_t bits = reader.buffer();
        auto value = [&](int j) { return AddWrapping(static_cast<uint32_t>((bits >> (j * width)) & mask), min); };
        // Written straight away (there is room), and taken back below when one of them is a run.
        int32_t any = 0;
        for (int j = 0; j < PerRefill; ++j) {
            const int32_t v = value(j);
            out[written + j] = AddWrapping(static_cast<uint32_t>(v), offset);
            any |= v;
        }
        if (any >= 0) {
            written += PerRefill;
            reader.consume(PerRefill * width);
        } else {
            for (int j = 0; j < PerRefill && written < count && ok; ++j) {
                reader.consume(width);
                ok = Emit(value(j), out, written, count, offset);
            }
            if (!ok) break;
        }
    }
    while (ok && written < count && !reader.overrun()) {
        if (reader.available() < 32) reader.refill();
        const int32_t v = AddWrapping(reader.peek(width), min);
        reader.consume(width);
        ok = Emit(v, out, written, count, offset);
    }
    ok = ok && !reader.overrun();
    sharedReader = reader;
    return ok;
}

}  // namespace

void FillInts(int32_t* out, int64_t n, int32_t v) {
    int64_t i = 0;
#if defined(__SSE2__)
    const __m128i x4 = _mm_set1_epi32(v);
    for (; i + 8 <= n; i += 8) {
        StoreInts(out + i, x4);
        StoreInts(out + i + 4, x4);
    }
#endif
    for (; i < n; ++i) out[i] = v;
}

int32_t DecodeCode(BitReader& reader, const DecodeTables& tables, const CodeNode* tree, int32_t min) {
    if (reader.available() < 32) reader.refill();
    const int index = static_cast<int>(reader.peek(tables.bits));
    if (tables.layout == DecodeTables::kCompactLayout) {
        const uint32_t e = tables.compact[index];
        if (DecodeTables::compactLength(e) != 0) {
            reader.consume(DecodeTables::compactLength(e));
            return AddWrapping(DecodeTables::compactSymbol(e), min);
        }
        reader.consume(tables.bits);
        return DecodeDeeper(reader, tables, tree, min, CompactGoesOn(e));
    }
    const uint32_t meta = tables.meta[index];
    const int32_t* lanes = &tables.lanes[index * DecodeTables::kLanes];
    if (DecodeTables::codeCount(meta) > 0) {
        reader.consume(DecodeTables::firstLength(meta));
        return lanes[0];
    }
    reader.consume(tables.bits);
    return DecodeDeeper(reader, tables, tree, min, tables.deeper[lanes[0]]);
}

bool ExpandTreeCodes(BitReader& reader, const DecodeTables& tables, const CodeNode* tree, int32_t min, int32_t* out,
                     int64_t count, int32_t offset, ProgressReporter& progress) {
    if (tables.layout == DecodeTables::kCompactLayout) {
        return ExpandCompactCodes(reader, tables, tree, min, out, count, offset, progress);
    }
    return ExpandLaneCodes(reader, tables, tree, min, out, count, offset, progress);
}

bool ExpandRawCodes(BitReader& reader, int width, int32_t min, int32_t* out, int64_t count, int32_t offset,
                    ProgressReporter& progress) {
    if (width <= 14) return ExpandRawBatches<4>(reader, width, min, out, count, offset, progress);
    if (width <= 18) return ExpandRawBatches<3>(reader, width, min, out, count, offset, progress);
    if (width <= 28) return ExpandRawBatches<2>(reader, width, min, out, count, offset, progress);
    return ExpandRawBatches<1>(reader, width, min, out, count, offset, progress);
}

}  // namespace FMRUtils
