// ovrinfo -preview: a frame, or a sequence, drawn into a PNG file.
#pragma once

#include "tools/ovrinfo/InfoOptions.h"

namespace OvrInfo {

// Writes the picture of options.inputs' single frame, or for a pattern the contact sheet of its
// frames, to options.preview, and prints what it wrote. A frame that does not load or decode, a
// pattern without frames, or a file that cannot be written is one line on standard error, and
// nothing is written. Returns the exit status: 0 written, 1 otherwise.
int runPreview(const InfoOptions& options);

}  // namespace OvrInfo
