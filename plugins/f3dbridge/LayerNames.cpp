#include "plugins/f3dbridge/LayerNames.h"

#include <map>
#include <set>

namespace F3dBridge {

namespace {

const char* const componentSuffixes[3] = {".x", ".y", ".z"};

// Whether each layer's name is that of no other layer of the file.
std::vector<bool> uniqueLayerNames(const Catalogue& catalogue) {
    std::map<std::string, int> uses;
    for (const Layer& layer : catalogue.layers) ++uses[layer.name];
    std::vector<bool> unique;
    for (const Layer& layer : catalogue.layers) unique.push_back(uses[layer.name] == 1);
    return unique;
}

// Whether name is base itself (component -1) or base with a component suffix (0 to 2, vector
// layers only).
bool namesLayer(const std::string& name, const std::string& base, bool vector, int& component) {
    if (!vector) return component = -1, name == base;
    if (name.size() != base.size() + 2 || name.compare(0, base.size(), base) != 0) return false;
    for (component = 0; component < 3; ++component)
        if (name.compare(base.size(), 2, componentSuffixes[component]) == 0) return true;
    return false;
}

}  // namespace

bool findLayerChannel(const Catalogue& catalogue, const std::string& name, LayerChannel& found) {
    const std::vector<bool> unique = uniqueLayerNames(catalogue);
    // Full names first: "layer" may also be a partition's name.
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = 0; i < catalogue.layers.size(); ++i) {
            const Layer& layer = catalogue.layers[i];
            if (pass == 1 && !unique[i]) continue;
            const std::string base = pass == 0 ? layer.partition + "." + layer.name : layer.name;
            int component = -1;
            if (namesLayer(name, base, layer.components == 3, component)) {
                found = {i, component};
                return true;
            }
        }
    }
    return false;
}

std::vector<VolumeChannel> layerChannelNames(const Catalogue& catalogue) {
    const std::vector<bool> unique = uniqueLayerNames(catalogue);
    std::vector<VolumeChannel> channels;
    std::set<std::string> listed;
    auto add = [&](const std::string& name, bool component) {
        if (listed.insert(name).second) channels.push_back({name, component});
    };
    for (size_t i = 0; i < catalogue.layers.size(); ++i) {
        const Layer& layer = catalogue.layers[i];
        if (layer.fieldClass == FieldClass::Unsupported) continue;
        const std::string base = unique[i] ? layer.name : layer.partition + "." + layer.name;
        if (layer.components == 1) {
            add(base, false);
        } else {
            for (const char* suffix : componentSuffixes) add(base + suffix, true);
        }
    }
    return channels;
}

}  // namespace F3dBridge
