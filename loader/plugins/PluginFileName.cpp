#include "loader/plugins/PluginFileName.h"

#include "platform/FileSystem.h"
#include "utils/PathListSplitter.h"

namespace CacheIO {

namespace {

// Plug-in names are formatted into a buffer of this many bytes (terminating zero included).
constexpr size_t NameBufferSize = 1024;
#ifdef _WIN32
const char* const LibraryExtension = ".dll";
#else
const char* const LibraryExtension = ".so";
#endif

std::string cut(std::string name) {
    if (name.size() >= NameBufferSize) name.resize(NameBufferSize - 1);
    return name;
}

bool endsWithSeparator(const std::string& entry) {
    return !entry.empty() && (entry.back() == '/' || entry.back() == '\\');
}

} // namespace

std::string pluginLibraryFile(const char* baseName, const char* directories, const char* suffix) {
    if (!suffix) return cut(std::string(baseName) + LibraryExtension);
    const std::string fileName = std::string(baseName) + "_" + suffix + LibraryExtension;
    if (!directories) return cut(fileName);

    PathListSplitter splitter;
    for (const char* entry = splitter.first(directories); entry; entry = splitter.next()) {
        const std::string directory(entry);
        const std::string candidate = cut(directory + (endsWithSeparator(directory) ? "" : "/") + fileName);
        if (Platform::pathExists(candidate.c_str())) return candidate;
    }
    return std::string();
}

} // namespace CacheIO
