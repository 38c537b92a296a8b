// Writing a file that is complete or absent. The bytes go to a temporary file beside the
// destination, which takes the destination's place only once every byte is written and on disk:
// a failed write (full disk, I/O error, vanished folder) or a process killed while writing leaves
// the destination as it was, and at most the temporary file ".NAME.<random>.partial", which no
// glob for the destination's extension matches.
#pragma once

#include <cstddef>
#include <fstream>
#include <string>

namespace FMRUtils {

class AtomicFile {
public:
    explicit AtomicFile(const std::string& destination);
    ~AtomicFile();  // removes the temporary file unless commit() succeeded
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Where to write; a failed open or write shows in the stream's state, which commit() checks.
    std::ostream& stream() { return out_; }

    // Flushes and closes the stream, checks that the file holds every byte written, syncs it and
    // renames it onto the destination. False when any step fails; the destination is then untouched.
    bool commit();

private:
    std::string destination_, temporary_;
    std::ofstream out_;
    bool committed_ = false;
};

// Writes size bytes as the whole content of path, through an AtomicFile.
bool writeFileAtomically(const std::string& path, const void* data, size_t size);

}  // namespace FMRUtils
