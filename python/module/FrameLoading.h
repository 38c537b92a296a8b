// Loading a frame for Python: the loader's result code and logged reason instead of a null frame.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class FumaraFrameData;

namespace FumaraPython {

using FramePtr = std::shared_ptr<FumaraFrameData>;

struct LoadedFrame {
    FramePtr frame;      // null when the load failed
    int code = 0;        // the load operation's result: 0, or 3, 4, 12, 2, 9 ...
    std::string reason;  // what the loader logged, or a description of the code
};

// Loads path as the library's creating functions do (mappings null: the default mappings of the
// path; voxelLimit -1: none), but the frame belongs to the caller alone: it is not listed in the
// library's frame data array, which has no lock and would be shared by threads that work
// without the interpreter lock. Touches no Python object: call it with the lock released.
LoadedFrame loadFrame(const std::string& path, const std::string* mappings, int64_t voxelLimit, bool headerOnly);

// A short description of a load result code for path, for when the loader logged nothing.
std::string describeLoadCode(int code, const std::string& path);

}  // namespace FumaraPython
