// The frame's load operation: the importer is chosen by the path's extension.
#include "loader/format/FumaraFrameData.h"

#include "loader/format/PluginImports.h"
#include "platform/FileSystem.h"

#include <cstring>

namespace CacheIO {

namespace {
PluginImports installedImports;
}

void setPluginImports(const PluginImports& imports) {
    installedImports = imports;
}

PluginImports pluginImports() {
    return installedImports;
}

}  // namespace CacheIO

namespace {

// The text after the last "." of the path with A to Z lowered; empty without a ".".
std::string extensionOf(const char* path) {
    const char* dot = strrchr(path, '.');
    std::string extension = dot ? dot + 1 : "";
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return extension;
}

}  // namespace

int FumaraFrameData::load(const char* path, const char* mappings, double value, int64_t voxelLimit, bool headerOnly) {
    reset(headerOnly);
    int code = 3;
    if (path && *path) {
        const std::string extension = extensionOf(path);
        const CacheIO::PluginImports imports = CacheIO::pluginImports();
        const bool foreign = extension == "f3d" || extension == "vdb";
        if (extension == "ovr") {
            code = ImportOvr(path, headerOnly);
        } else if (extension == "f3d") {
            code = imports.field3D ? imports.field3D(path, this, mappings, headerOnly, voxelLimit)
                                   : CacheIO::PluginAbsentCode;
        } else if (extension == "vdb") {
            code = imports.openVDB ? imports.openVDB(path, this, mappings, headerOnly, voxelLimit)
                                   : CacheIO::PluginAbsentCode;
        }
        if (code == 0 && foreign && !headerOnly)
            description.setHeaderDoubleA(value);
    }
    Platform::FileStatus status;
    if (code == 0) {
        this->path = path;
        fileTime = Platform::fileStatus(path, status) ? status.modificationTime : 0;
    } else {
        this->path.clear();
        fileTime = 0;
    }
    return code;
}
