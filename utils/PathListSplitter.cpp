#include "utils/PathListSplitter.h"

#include <algorithm>
#include <cstring>

namespace {

const int maxListLength = 51200;

}  // namespace

const char* PathListSplitter::first(const char* list)
{
    m_list = list;
    m_length = list ? static_cast<int>(strnlen(list, maxListLength)) : 0;
    m_position = 0;
    return next();
}

const char* PathListSplitter::next()
{
    while (m_position < m_length) {
        const int start = m_position;
        int end = start;
        while (end < m_length && m_list[end] != ';')
            ++end;
        m_position = end < m_length ? end + 1 : end;
        if (end > start) {
            const int length = std::min(end - start, static_cast<int>(sizeof m_entry) - 1);
            std::memcpy(m_entry, m_list + start, static_cast<size_t>(length));
            m_entry[length] = '\0';
            return m_entry;
        }
    }
    return nullptr;
}
