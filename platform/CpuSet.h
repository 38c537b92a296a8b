// A set of logical processor numbers, the unit of affinity and of NUMA node membership.
#pragma once

#include <cstdint>

namespace Platform {

// Processors are numbered from 0 to kMaxProcessors - 1; numbers beyond are not representable and
// are ignored. The set lives inside the object and copies as plain bytes.
class CpuSet {
public:
    static constexpr int kMaxProcessors = 1024;

    void add(int processor);
    bool contains(int processor) const;
    int count() const;
    bool empty() const { return count() == 0; }
    CpuSet intersection(const CpuSet& other) const;
    bool operator==(const CpuSet& other) const;
    bool operator!=(const CpuSet& other) const { return !(*this == other); }

    // Parses the system's list form, such as "0-3,8,10-11" (an empty or blank text is the empty
    // set). False on anything malformed or beyond kMaxProcessors, leaving `out` empty.
    static bool parseList(const char* text, CpuSet& out);

private:
    static constexpr int kWordBits = 64;
    std::uint64_t m_words[kMaxProcessors / kWordBits] = {};
};

}  // namespace Platform
