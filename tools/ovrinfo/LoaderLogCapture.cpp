#include "tools/ovrinfo/LoaderLogCapture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace OvrInfo {

LoaderLogCapture::LoaderLogCapture() : previous_(ZUtils::logSettings()) {
    std::error_code error;
    const std::filesystem::path directory = std::filesystem::temp_directory_path(error);
    std::string name = (error ? std::filesystem::path("/tmp") : directory) / "ovrinfo_log_XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return;
    ::close(fd);
    path_ = name;
    ZUtils::LogSettings settings;
    settings.filePath = path_;
    ZUtils::setLogSettings(settings);
}

LoaderLogCapture::~LoaderLogCapture() {
    if (!active()) return;
    ZUtils::setLogSettings(previous_);
    std::remove(path_.c_str());
}

std::vector<std::string> LoaderLogCapture::takeLines() {
    std::vector<std::string> lines;
    if (!active()) return lines;
    {
        std::ifstream file(path_, std::ios::binary);
        std::string line;
        while (std::getline(file, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) lines.push_back(line);
        }
    }
    // The loader opens the file for appending per message, so emptying it starts afresh.
    std::ofstream(path_, std::ios::binary | std::ios::trunc);
    return lines;
}

}  // namespace OvrInfo
