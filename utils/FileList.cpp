#include "utils/FileList.h"

#include "platform/FileSystemListing.h"
#include "utils/Log.h"
#include "utils/PathSeparator.h"

#include <algorithm>
#include <new>

namespace {

bool isListed(const std::string& name)
{
    return name != "." && name.compare(0, 2, "..") != 0;
}

}  // namespace

bool FileList::list(const char* pattern)
{
    if (!pattern)
        return false;
    Platform::DirectoryListing listing;
    std::string entry;
    if (!listing.first(pattern, entry))
        return false;
    const char* separator = lastPathSeparator(pattern);
    const std::string prefix(pattern, separator ? separator + 1 : pattern);
    try {
        std::vector<std::string> names;
        do {
            if (isListed(entry))
                names.push_back(prefix + entry);
        } while (listing.next(entry));
        names.shrink_to_fit();
        m_names.swap(names);
    } catch (const std::bad_alloc&) {
        logMessage("[ERROR] FileList: out of memory while listing %s\n", pattern);
        return false;
    }
    return true;
}

void FileList::sort()
{
    // std::string compares its characters as unsigned bytes.
    std::sort(m_names.begin(), m_names.end());
}

const char* FileList::name(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    return m_names[static_cast<size_t>(index)].c_str();
}
