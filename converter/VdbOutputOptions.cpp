#include "converter/VdbOutputOptions.h"

#include <cstring>

bool parseVdbLayout(const char* name, VdbLayout& layout) {
    static const struct {
        const char* name;
        VdbLayout layout;
    } layouts[] = {{"fumara", VdbLayout::Fumara}, {"houdini", VdbLayout::Houdini}, {"blender", VdbLayout::Blender}};
    for (const auto& entry : layouts) {
        if (name && std::strcmp(name, entry.name) == 0) {
            layout = entry.layout;
            return true;
        }
    }
    return false;
}
