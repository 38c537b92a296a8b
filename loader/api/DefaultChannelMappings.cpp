#include "loader/api/DefaultChannelMappings.h"

#include "loader/api/ChannelMappings.h"
#include "loader/api/ChannelNames.h"
#include "loader/api/ThirdPartyChannels.h"
#include "utils/FrameName.h"

namespace CacheIO {

namespace {

struct MappingRow {
    const char* name;
    int channel;
};

struct MappingTable {
    const MappingRow* rows;
    size_t rowCount;
};

// Rows in their matching order. The channels of "VelocitiesX/Y/Z" differ between the two tables,
// and "velocity(Y)" and "velocity(Z)" are capitalised, as the files that use them are written.
// The velocity components that must never become smoke through the fallback ("vel.x/y/z" in
// OpenVDB files, "VelocitiesX/Y/Z" in Field3D files) are rows here, so they are always matched.
const MappingRow openVdbRows[] = {
    {"Temperature_fmr", 1},
    {"Smoke_fmr", 2},
    {"VelocityX_fmr", 4}, {"VelocityY_fmr", 5}, {"VelocityZ_fmr", 6},
    {"ColorR_fmr", 7}, {"ColorG_fmr", 8}, {"ColorB_fmr", 9},
    {"Fuel_fmr", 10},
    {"WaveletEnergy_fmr", 14},
    {"WaveletU_fmr", 19}, {"WaveletV_fmr", 20}, {"WaveletW_fmr", 21},
    {"AdvectionOriginX_fmr", 15}, {"AdvectionOriginY_fmr", 16}, {"AdvectionOriginZ_fmr", 17},
    {"density", 2},
    {"temperature", 1},
    {"fluid_density", 1},
    {"surface", 1},
    {"vel.x", 4}, {"vel.y", 5}, {"vel.z", 6},
    {"vel(x)", 4}, {"vel(y)", 5}, {"vel(z)", 6},
    {"V(x)", 4}, {"V(y)", 5}, {"V(z)", 6},
    {"color(x)", 7}, {"color(y)", 8}, {"color(z)", 9},
    {"Cd(x)", 7}, {"Cd(y)", 8}, {"Cd(z)", 9},
    {"Cd.x", 7}, {"Cd.y", 8}, {"Cd.z", 9},
    {"Smoke", 2},
    {"FireFuel", 10},
    {"Temperature", 1},
    {"VelocitiesX", 4}, {"VelocitiesY", 6}, {"VelocitiesZ", 5},
    {"ColorR", 7}, {"ColorG", 8}, {"ColorB", 9},
    {"fuel", 10},
    {"velocity_x", 4}, {"velocity_y", 5}, {"velocity_z", 6},
    {"particle_count_per_cell", 1},
    {"rest.x", 7}, {"rest.y", 8}, {"rest.z", 9},
};

const MappingRow field3dRows[] = {
    {"density", 2},
    {"fuel", 10},
    {"temperature", 1},
    {"v_mac(x)", 4}, {"velocity(x)", 4},
    {"v_mac(y)", 5}, {"velocity(Y)", 5},
    {"v_mac(z)", 6}, {"velocity(Z)", 6},
    {"Smoke", 2},
    {"FireFuel", 10},
    {"Temperature", 1},
    {"VelocitiesX", 6}, {"VelocitiesY", 5}, {"VelocitiesZ", 4},
    {"ColorR", 7}, {"ColorG", 8}, {"ColorB", 9},
    {"particle_count_per_cell", 1},
    {"fluid_velocity(x)", 4}, {"fluid_velocity(y)", 5}, {"fluid_velocity(z)", 6},
    {"Velocity(x)", 4}, {"Velocity(y)", 5}, {"Velocity(z)", 6},
    {"Density", 2},
    {"TextureCoord(x)", 7}, {"TextureCoord(y)", 8}, {"TextureCoord(z)", 9},
};

const MappingTable openVdbTable = {openVdbRows, sizeof(openVdbRows) / sizeof(openVdbRows[0])};
const MappingTable field3dTable = {field3dRows, sizeof(field3dRows) / sizeof(field3dRows[0])};

const MappingTable* tableForExtension(const std::string& extension) {
    if (extension == "vdb") return &openVdbTable;
    if (extension == "f3d") return &field3dTable;
    return nullptr;
}

const MappingRow* findRow(const MappingTable& table, const std::string& name) {
    for (size_t i = 0; i < table.rowCount; ++i)
        if (name == table.rows[i].name) return &table.rows[i];
    return nullptr;
}

} // namespace

std::string defaultChannelMappingsFor(const std::string& extension, const AvailableChannelList& channels) {
    const MappingTable* table = tableForExtension(extension);
    if (!table) return std::string();

    std::string mappings;
    bool smokeMapped = false;
    const AvailableChannels* smokeCandidate = nullptr;
    for (int i = 0; i < channels.count(); ++i) {
        const AvailableChannels& channel = channels[i];
        if (const MappingRow* row = findRow(*table, channel.name)) {
            appendChannelMapping(mappings, row->channel, channel.name);
            smokeMapped = smokeMapped || row->channel == ChannelSmoke;
        } else if (!smokeCandidate && channel.flag == 0) {
            smokeCandidate = &channel;
        }
    }
    if (!smokeMapped && smokeCandidate) appendChannelMapping(mappings, ChannelSmoke, smokeCandidate->name);
    return mappings;
}

std::string generateDefaultChannelMappings(const char* path) {
    if (!path || !*path) return std::string();
    // The extension decides first: a cache file needs no directory listing to learn that it
    // gets no mappings.
    const std::string extension = getFileExtension(path);
    if (!tableForExtension(extension)) return std::string();
    AvailableChannelList channels;
    listThirdPartyChannels(path, channels);
    return defaultChannelMappingsFor(extension, channels);
}

} // namespace CacheIO
