#pragma once

#include <string>

namespace Platform {

// Lists the entries of one directory whose names match a wildcard (the find-first / find-next pair
// of Windows). The pattern's part after its last "/" or "\\" is matched against each entry name,
// "*" standing for any run of characters and "?" for any one character; the part up to that
// separator names the directory (the current directory when there is none). Entries come in the
// order in which the file system returns them, "." and ".." included when they match.
class DirectoryListing {
public:
    DirectoryListing() = default;
    ~DirectoryListing();
    DirectoryListing(const DirectoryListing&) = delete;
    DirectoryListing& operator=(const DirectoryListing&) = delete;

    // Starts a listing and returns its first matching name; false when the directory cannot be read
    // or no entry matches. A listing in progress is closed first.
    bool first(const char* pattern, std::string& name);

    // The next matching name; false at the end of the listing.
    bool next(std::string& name);

    void close();

private:
    void* handle_ = nullptr;
    std::string namePattern_;
};

}  // namespace Platform
