// Frame-numbered file names: a pattern holds placeholders for the frame number, in three forms:
//   a run of "#"                  width = number of "#", zero padded;
//   "%" ["0"] [digits] d|D|i|I|u|U  printf-style, zero padded with the "0", else space padded;
//   "<frame" ["0"] [digits] ">"   the same padding rules.
// Widths above 12 count as 12. "%%" is no placeholder and stays as it is.
#pragma once

#include <climits>
#include <string>

// The frame number that stands for "no frame": parseFrameNumber's result for a name without a number
// and, given to expandFrameName, a request for the replacement text instead of a number.
constexpr int kNoFrame = INT_MAX;

// The pattern with every placeholder of its file-name part (after the last "/" or "\\") replaced by
// the frame number formatted with that placeholder's width and padding, or by the first 15
// characters of `replacement` when frame is kNoFrame. The directory part is copied unchanged. A null
// pattern gives an empty string; a null replacement counts as empty.
std::string expandFrameName(const char* pattern, int frame, const char* replacement);

// Whether the pattern holds a placeholder anywhere, directory part included.
bool hasFrameNumberPattern(const char* pattern);

// The frame number of a concrete file name: the last run of digits before the extension, negative
// when a "-" stands right before it; kNoFrame when the name has no extension or no such number.
int parseFrameNumber(const char* name);

// The text after the last "." of the path with A to Z lowered; empty when there is no ".".
std::string getFileExtension(const char* path);
