// The static entropy coder of quantised zones. A stream holds either fixed-width values (raw mode) or
// a count-sorted symbol table followed by prefix codes from the tree of CodeTree.h (tree mode); the
// encoder writes whichever is smaller. Bits are packed least significant first.
//
// Stream layout: width (8 bits; 0 = tree mode, else raw mode and the bit width of every value).
//   raw mode:  min (32), then every value - min in `width` bits.
//   tree mode: nsym (32), min (32), countWidth (6), symWidth (6), nsym entries (flag bit; when 1 a
//              countWidth-bit count, when 0 the previous entry's count; symWidth-bit symbol), then one
//              code per value, root decision first.
#pragma once

#include "compression/BitReader.h"
#include "compression/CodeTree.h"
#include "compression/DecodeTable.h"
#include "utils/FmrArray.h"

#include <cstdint>

namespace FMRUtils {

// Told how far DecodeAndExpand has got, every few thousand values, so that the caller can finish the
// values while they are still in the cache. Values below `written` are final.
class ExpandProgress {
public:
    virtual void reached(int64_t written) = 0;

protected:
    ~ExpandProgress() = default;
};

// The state of one stream being decoded. It owns its tables and frees them when destroyed or reset.
class EntropyCoder {
public:
    EntropyCoder() = default;
    ~EntropyCoder() { release(); }
    EntropyCoder(const EntropyCoder&) = delete;
    EntropyCoder& operator=(const EntropyCoder&) = delete;

    // Frees the tables and forgets the stream.
    void release();

    bool ready() const { return m_ready; }
    bool rawMode() const { return m_tree == nullptr; }
    // Tree mode: the number of distinct symbols; raw mode: the bit width of every value.
    int32_t symbolCount() const { return m_symbolCount; }
    // The stream's min, added to every symbol.
    int32_t valueOffset() const { return m_valueOffset; }
    // The symbol table in stream order (tree mode only).
    const SymbolCount* symbols() const { return m_srt; }

private:
    friend bool InitDecoder(EntropyCoder&, const void*, int64_t);
    friend bool DecodeAndExpand(EntropyCoder&, int32_t*, int64_t, int32_t, ExpandProgress*);
    friend bool ReadValue(EntropyCoder&, int32_t&);

    bool m_ready = false;
    int32_t m_symbolCount = 0;
    int32_t m_valueOffset = 0;
    SymbolCount* m_srt = nullptr;
    CodeNode* m_tree = nullptr;
    DecodeTables m_tables;
    BitReader m_reader;
};

// Resets the coder and reads a stream header from the `size` bytes at `source`: in raw mode the width
// and min, in tree mode the symbol table, from which it builds the tree and the lookup table. Fails on a
// header that no encoder writes (a width above 32, nsym of 0 or more than the stream can hold, field
// widths above 32, a table that gives no tree) or that runs past the bytes, and when a table cannot be
// allocated ("Encode InitDecoder srt failed!\n" or "Encode InitDecoder tree failed!\n").
bool InitDecoder(EntropyCoder& coder, const void* source, int64_t size);

// Decodes values until `count` of them are in `out`, expanding constant runs: a decoded value v >= 0
// is written as v + offset, a negative one stands for -v copies of the value before it. Fails, with
// `out` partly written, when the coder is not ready, the stream ends early, the first value is a run,
// or a run is longer than the room left (logged as "DecodeAndExpand - constant sequence longer than
// expected\n"; the output then holds exactly `count` values). `progress` may be null.
bool DecodeAndExpand(EntropyCoder& coder, int32_t* out, int64_t count, int32_t offset,
                     ExpandProgress* progress = nullptr);

// Takes the next symbol plus min as one value, without run handling or offset. False when the coder is
// not ready or the stream has ended.
bool ReadValue(EntropyCoder& coder, int32_t& value);

// Appends the entropy stream of the n `values` to `out`, whichever of tree and raw mode is smaller, and
// returns the number of bytes appended: always a whole number of 4-byte words. Nothing before the
// array's size at entry is changed, unless the array cannot grow: it is then empty and the result 0.
// A stream that cannot use tree mode (its coder tables cannot be allocated, or the values span too
// many symbols for a table) is written in raw mode.
int64_t Encode(const int32_t* values, int64_t n, FmrArray<char, int64_t>& out);

}  // namespace FMRUtils
