// The value loops of DecodeAndExpand, one per stream mode: they take codes from the bit reader and
// write the expanded values (literal + offset, or copies of the last value for a run marker).
#pragma once

#include "compression/BitReader.h"
#include "compression/DecodeTable.h"
#include "compression/EntropyCoder.h"

#include <cstdint>

namespace FMRUtils {

// Decodes the one code at the reader's position with the tables of a tree-mode stream.
int32_t DecodeCode(BitReader& reader, const DecodeTables& tables, const CodeNode* tree, int32_t min);

// Passes the loops' progress on every kStep values.
class ProgressReporter {
public:
    static constexpr int64_t kStep = 2048;

    explicit ProgressReporter(ExpandProgress* progress) : m_progress(progress), m_next(progress ? kStep : INT64_MAX) {}
    void check(int64_t written) {
        if (written >= m_next) {
            m_progress->reached(written);
            m_next = written + kStep;
        }
    }

private:
    ExpandProgress* m_progress;
    int64_t m_next;
};

// Fill `count` values at `out`. False when the stream ends early, a run comes first or does not fit
// (logged), the output then being partly written.
bool ExpandTreeCodes(BitReader& reader, const DecodeTables& tables, const CodeNode* tree, int32_t min, int32_t* out,
                     int64_t count, int32_t offset, ProgressReporter& progress);
bool ExpandRawCodes(BitReader& reader, int width, int32_t min, int32_t* out, int64_t count, int32_t offset,
                    ProgressReporter& progress);

// Writes n copies of v.
void FillInts(int32_t* out, int64_t n, int32_t v);

}  // namespace FMRUtils
