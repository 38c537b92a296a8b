// Catches the loader's log messages, so that the reason a frame failed can be shown to the user.
#pragma once

#include "utils/Log.h"

#include <string>
#include <vector>

namespace OvrInfo {

// For the object's life the loader's log goes to a private temporary file (and nowhere else);
// the previous log settings come back when it is destroyed.
class LoaderLogCapture {
public:
    LoaderLogCapture();
    ~LoaderLogCapture();
    LoaderLogCapture(const LoaderLogCapture&) = delete;
    LoaderLogCapture& operator=(const LoaderLogCapture&) = delete;

    // Whether messages are being caught (false when no temporary file could be made).
    bool active() const { return !path_.empty(); }

    // The non-empty lines logged since the previous call, without their line ends; they are then
    // forgotten.
    std::vector<std::string> takeLines();

private:
    std::string path_;
    ZUtils::LogSettings previous_;
};

}  // namespace OvrInfo
