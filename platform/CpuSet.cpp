#include "platform/CpuSet.h"

#include <cctype>
#include <cstdlib>

namespace Platform {

void CpuSet::add(int processor) {
    if (processor < 0 || processor >= kMaxProcessors) return;
    m_words[processor / kWordBits] |= std::uint64_t(1) << (processor % kWordBits);
}

bool CpuSet::contains(int processor) const {
    if (processor < 0 || processor >= kMaxProcessors) return false;
    return (m_words[processor / kWordBits] >> (processor % kWordBits)) & 1u;
}

int CpuSet::count() const {
    int total = 0;
    for (std::uint64_t word : m_words) total += __builtin_popcountll(word);
    return total;
}

CpuSet CpuSet::intersection(const CpuSet& other) const {
    CpuSet result;
    for (int i = 0; i < kMaxProcessors / kWordBits; ++i) result.m_words[i] = m_words[i] & other.m_words[i];
    return result;
}

bool CpuSet::operator==(const CpuSet& other) const {
    for (int i = 0; i < kMaxProcessors / kWordBits; ++i) {
        if (m_words[i] != other.m_words[i]) return false;
    }
    return true;
}

namespace {

// Reads a processor number below CpuSet::kMaxProcessors; advances `text`.
bool readNumber(const char*& text, int& value) {
    if (!std::isdigit(static_cast<unsigned char>(*text))) return false;
    long number = 0;
    while (std::isdigit(static_cast<unsigned char>(*text))) {
        number = number * 10 + (*text - '0');
        if (number >= CpuSet::kMaxProcessors) return false;
        ++text;
    }
    value = static_cast<int>(number);
    return true;
}

bool isBlank(const char* text) {
    while (*text != '\0') {
        if (!std::isspace(static_cast<unsigned char>(*text))) return false;
        ++text;
    }
    return true;
}

}  // namespace

bool CpuSet::parseList(const char* text, CpuSet& out) {
    out = CpuSet();
    if (text == nullptr) return false;
    if (isBlank(text)) return true;
    CpuSet parsed;
    for (;;) {
        int first = 0;
        if (!readNumber(text, first)) return false;
        int last = first;
        if (*text == '-') {
            ++text;
            if (!readNumber(text, last) || last < first) return false;
        }
        for (int p = first; p <= last; ++p) parsed.add(p);
        if (*text != ',') break;
        ++text;
    }
    if (!isBlank(text)) return false;
    out = parsed;
    return true;
}

}  // namespace Platform
