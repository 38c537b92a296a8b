// What the Windows tests share: the folder of the test programs (which also holds ovrloader.dll, the
// helper programs and, in plugins\, the test plug-ins), scratch folders and frames of known contents.
#pragma once

#include <string>
#include <vector>

// The folder of the running program, with a trailing backslash, as UTF-8.
std::string programDirectory();

// A fresh folder in the temporary directory for one test, removed with the files in it at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The path of a name inside the folder.
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
    // Writes a file of the given content into the folder (the name is UTF-8) and returns its path.
    std::string write(const std::string& name, const std::string& content) const;

private:
    std::string path_;
};

// The value that writeCacheFrame stores at element i of channel c.
inline float cacheValue(int channel, int element) { return static_cast<float>(channel) + 0.25f * static_cast<float>(element); }

// Writes a cache frame of n^3 voxels holding each of `channels` (cacheValue). Channels are stored
// as codec blocks of several zones, which decode in parallel.
bool writeCacheFrame(const std::string& path, int n, const std::vector<int>& channels);
