// Decoding of entropy streams: the header and symbol table, a lookup table over the code tree, and the
// value loop with constant-run expansion.
#include "compression/EntropyCoder.h"

#include "compression/ExpandLoops.h"
#include "utils/Allocation.h"
#include "utils/Log.h"

namespace FMRUtils {

void EntropyCoder::release() {
    delete[] m_srt;
    delete[] m_tree;
    m_srt = nullptr;
    m_tree = nullptr;
    m_tables.lanes.SetSize(0);
    m_tables.meta.SetSize(0);
    m_tables.compact.SetSize(0);
    m_tables.deeper.SetSize(0);
    m_tables.bits = 0;
    m_ready = false;
    m_symbolCount = 0;
    m_valueOffset = 0;
    m_reader = BitReader();
}

bool InitDecoder(EntropyCoder& coder, const void* source, int64_t size) {
    coder.release();
    BitReader& reader = coder.m_reader;
    reader = BitReader(static_cast<const unsigned char*>(source), source ? size : 0);
    const uint32_t width = reader.read(8);
    if (width != 0) {
        const int32_t min = static_cast<int32_t>(reader.read(32));
        if (width > 32 || reader.overrun()) return false;
        coder.m_symbolCount = static_cast<int32_t>(width);
        coder.m_valueOffset = min;
        coder.m_ready = true;
        return true;
    }

    const uint32_t nsym = reader.read(32);
    const int32_t min = static_cast<int32_t>(reader.read(32));
    const int countWidth = static_cast<int>(reader.read(6));
    const int symWidth = static_cast<int>(reader.read(6));
    if (reader.overrun() || nsym == 0 || countWidth > 32 || symWidth > 32) return false;
    // An encoder writes distinct symbols below 2^symWidth, each entry taking at least 1 + symWidth
    // bits; a larger nsym cannot be genuine, and would otherwise size the tables from a header field.
    if (symWidth < 32 && nsym > (uint64_t(1) << symWidth)) return false;
    if (uint64_t(nsym) * uint64_t(1 + symWidth) > uint64_t(reader.bitsLeft())) return false;

    if (!newArray(coder.m_srt, nsym)) {
        logMessage("Encode InitDecoder srt failed!\n");
        return false;
    }
    uint32_t count = 0;
    for (uint32_t i = 0; i < nsym; ++i) {
        if (reader.bit()) count = reader.read(countWidth);
        coder.m_srt[i] = SymbolCount{reader.read(symWidth), count};
    }
    if (reader.overrun()) return false;

    if (!newArray(coder.m_tree, size_t(2) * nsym)) {
        logMessage("Encode InitDecoder tree failed!\n");
        return false;
    }
    if (!BuildCodeTree(coder.m_srt, static_cast<int32_t>(nsym), coder.m_tree)) return false;
    if (!BuildDecodeTables(coder.m_tree, static_cast<int32_t>(2 * nsym - 1), min, coder.m_tables)) {
        logMessage("Encode InitDecoder tree failed!\n");
        return false;
    }
    coder.m_symbolCount = static_cast<int32_t>(nsym);
    coder.m_valueOffset = min;
    coder.m_ready = true;
    return true;
}

bool DecodeAndExpand(EntropyCoder& coder, int32_t* out, int64_t count, int32_t offset, ExpandProgress* progress) {
    if (!coder.m_ready) return false;
    if (count <= 0) return true;
    const int32_t min = coder.m_valueOffset;
    ProgressReporter reporter(progress);
    if (coder.rawMode()) return ExpandRawCodes(coder.m_reader, coder.m_symbolCount, min, out, count, offset, reporter);
    if (coder.m_tables.bits == 0) {
        // One symbol: its code is empty, so every value is that symbol and the stream is not read.
        const int32_t v = coder.m_tables.lanes[0];
        if (v < 0) return false;
        FillInts(out, count, static_cast<int32_t>(static_cast<uint32_t>(v) + static_cast<uint32_t>(offset)));
        return true;
    }
    return ExpandTreeCodes(coder.m_reader, coder.m_tables, coder.m_tree, min, out, count, offset, reporter);
}

bool ReadValue(EntropyCoder& coder, int32_t& value) {
    if (!coder.m_ready) return false;
    BitReader& reader = coder.m_reader;
    if (coder.rawMode()) {
        value = static_cast<int32_t>(reader.read(coder.m_symbolCount) + static_cast<uint32_t>(coder.m_valueOffset));
    } else {
        value = DecodeCode(reader, coder.m_tables, coder.m_tree, coder.m_valueOffset);
    }
    return !reader.overrun();
}

}  // namespace FMRUtils
