// The printed form of a frame's transform.
#pragma once

#include <string>
#include <vector>

namespace OvrInfo {

// The world-to-grid map as stored (matrix rows and offset, numbers aligned), followed by the voxel
// size and grid origin of the index-to-world map that cacheconv writes, or a note that the matrix
// cannot be inverted.
std::vector<std::string> transformLines(const float transform[12]);

}  // namespace OvrInfo
