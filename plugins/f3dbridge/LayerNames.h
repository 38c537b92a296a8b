// The names under which a file's layers are listed and mapped: "partition.layer", or "layer" when
// no other layer of the file has that name; a vector layer's components add ".x", ".y" or ".z".
#pragma once

#include "plugins/f3dbridge/F3dVolume.h"
#include "plugins/f3dbridge/Field3DLayers.h"

#include <string>
#include <vector>

#pragma GCC visibility push(hidden)

namespace F3dBridge {

// A mapped name bound to a layer of the catalogue: the whole layer (component -1) or one component.
struct LayerChannel {
    size_t layer = 0;
    int component = -1;
};

// The first layer, in catalogue order, that the name stands for; false when none does.
bool findLayerChannel(const Catalogue& catalogue, const std::string& name, LayerChannel& found);

// The channels of the layers that are read, each name once, in catalogue order.
std::vector<VolumeChannel> layerChannelNames(const Catalogue& catalogue);

}  // namespace F3dBridge

#pragma GCC visibility pop
