// Which library file a cache plug-in is loaded from.
#pragma once

#include <string>

namespace CacheIO {

// The library file of the plug-in called baseName ("f3dbridge", "vdbbridge"):
//   no directories and no suffix:  baseName + ".so", by bare name (the system's library search);
//   a suffix, no directories:      baseName + "_" + suffix + ".so", by bare name;
//   directories, no suffix:        baseName + ".so", by bare name (the directories are not used);
//   directories and a suffix:      the first entry E of the ";"-separated directory list for which
//                                  E + "/" + baseName + "_" + suffix + ".so" exists (no "/" added
//                                  when E ends with "/" or "\\"); empty when no entry has the file.
// Names are cut to 1023 characters. On Windows the extension is ".dll" instead of ".so".
std::string pluginLibraryFile(const char* baseName, const char* directories, const char* suffix);

} // namespace CacheIO
