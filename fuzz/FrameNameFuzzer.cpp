// Fuzz target: frame-numbered file names. A pattern expands without touching its directory part and
// stays unchanged when it holds no placeholder; a number written through any signed placeholder
// parses back to itself.
//
// Input: frame number (32 bits), placeholder choice (8 bits), then the pattern and the replacement
// text, zero-separated.
#include "fuzz/FuzzInput.h"
#include "utils/FrameName.h"

#include <climits>
#include <string>
#include <vector>

using FuzzInput::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const placeholders[] = {"####", "#", "%d", "%04d", "%12i", "%D", "<frame>", "<frame06>",
                                                "<frame3>", "##############"};
    FuzzInput::Reader in(data, size);
    const int frame = in.take<int32_t>();
    const uint8_t choice = in.take<uint8_t>();
    const std::vector<std::string> texts = in.strings(2);  // never empty
    const std::string& pattern = texts[0];
    const char* replacement = texts.size() > 1 ? texts[1].c_str() : nullptr;

    const std::string expanded = expandFrameName(pattern.c_str(), frame, replacement);
    const size_t separator = pattern.find_last_of("/\\");
    const size_t directory = separator == std::string::npos ? 0 : separator + 1;
    check(expanded.compare(0, directory, pattern, 0, directory) == 0, "the directory part changed");
    if (!hasFrameNumberPattern(pattern.c_str())) check(expanded == pattern, "a pattern without placeholders changed");
    check(expandFrameName(pattern.c_str(), kNoFrame, replacement).size() <= pattern.size() * 16,
          "a replacement longer than its limit");

    parseFrameNumber(pattern.c_str());
    parseFrameNumber(expanded.c_str());
    for (char c : getFileExtension(pattern.c_str())) check(c < 'A' || c > 'Z', "an extension not lowered");

    if (frame == INT_MIN || frame == kNoFrame) return 0;
    const std::string numbered = std::string("dir1/frame_") + placeholders[choice % 10] + ".ovr";
    check(parseFrameNumber(expandFrameName(numbered.c_str(), frame, "").c_str()) == frame,
          "an expanded frame number does not parse back");
    return 0;
}
