// The files that match a wildcard pattern ("*" and "?" in the file-name part), as full paths.
#pragma once

#include <string>
#include <vector>

class FileList {
public:
    FileList() = default;
    explicit FileList(const char* pattern) { list(pattern); }

    // Replaces the list with the entries that match pattern, in the order in which the file system
    // returns them, each as the pattern's directory part (up to its last "/" or "\\") followed by
    // the entry's name; "." and names beginning with ".." are left out. False, with the list as it
    // was, when the listing cannot start (no match, unreadable directory, null pattern).
    bool list(const char* pattern);

    void clear() { m_names.clear(); }

    // Orders the names byte by byte.
    void sort();

    int count() const { return static_cast<int>(m_names.size()); }

    // The name at index, or null outside the list.
    const char* name(int index) const;

private:
    std::vector<std::string> m_names;
};
