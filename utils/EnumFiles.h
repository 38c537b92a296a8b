// The search for the files of a frame-numbered pattern on disk.
#pragma once

#include <climits>
#include <string>

class FileList;

namespace FumaraEnum {

// Lists the files that belong to a pattern and hands each accepted one to onFrameFile. The base
// class keeps the file whose frame suits targetFrame best; subclasses may replace onFrameFile to
// collect the files instead. The virtual operations keep this slot order: destructor, onEnumBegin,
// onFrameFile.
class EnumFiles {
public:
    // Modes of enumerateFrameFiles. Any mode other than these two accepts only files whose name is
    // exactly the pattern expanded for their own frame number.
    static const int modeAllFiles = 0;     // accept every listed file
    static const int modeTargetFrame = 2;  // look for targetFrame only

    EnumFiles() = default;
    virtual ~EnumFiles();

    // Called first by every enumeration; does nothing here.
    virtual void onEnumBegin(const char* pattern, int mode);

    // Called for each accepted file with its frame number (kNoFrame when the pattern has no
    // placeholder). Keeps the frame and path when they suit targetFrame better than what is held.
    virtual void onFrameFile(int frame, const char* path);

    // Runs the search; 0 for a null pattern or when nothing matches (outside modeTargetFrame),
    // 1 otherwise.
    int enumerateFrameFiles(const char* pattern, int mode);

    std::string foundPath;
    int foundFrame = INT_MIN;
    int targetFrame = INT_MIN;
    bool exact = true;  // only targetFrame itself is kept; clear: the nearest frame is kept

private:
    // Offers the listed files whose names match the pattern expanded for their frame numbers.
    void offerMatchingFiles(const FileList& files, const std::string& pattern, int mode);
};

}  // namespace FumaraEnum
