// What the Windows tests share: the folder of the test programs, where the build also puts
// ovrloader.dll, the helper programs and (in plugins\) the test plug-ins; scratch folders; and
// cache frames with known contents.
#pragma once

#include <string>
#include <vector>

// The folder of the running program, with a trailing backslash, as UTF-8.
std::string programDirectory();

// The whole content of a file (opened through the platform layer), or "<missing>".
std::string readAll(const std::string& path);

// A fresh folder in the temporary directory for one test, removed with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder's path (UTF-8), without a trailing separator.
    const std::string& path() const { return path_; }
    // The path of a name inside the folder.
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
    // Writes a file of the given content into the folder (the name is UTF-8) and returns its path.
    std::string write(const std::string& name, const std::string& content) const;

private:
    std::string path_;
};

// The value that writeCacheFrame stores at element i of channel c.
float cacheValue(int channel, int element);

// Writes a cache frame of x * y * z voxels holding each of `channels` (cacheValue), with the
// transform given. Channels are stored as codec blocks of several zones, which decode in parallel.
bool writeCacheFrame(const std::string& path, int x, int y, int z, const std::vector<int>& channels,
                     const float transform[12]);
