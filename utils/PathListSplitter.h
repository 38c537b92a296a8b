// Splits a ";"-separated list of paths into its entries, skipping empty ones.
#pragma once

class PathListSplitter {
public:
    // Starts on a list (not copied: it must outlive the splitter's use) and returns its first entry;
    // null for a null or empty list or one without entries. Only the first 51200 characters count.
    const char* first(const char* list);

    // The following entry, or null when the list is exhausted. Entries longer than 1023 characters
    // are cut to 1023. The returned text lives in the splitter until the next call.
    const char* next();

private:
    const char* m_list = nullptr;
    char m_entry[1024] = {};
    int m_position = 0;
    int m_length = 0;
};
