#include "loader/api/ChannelNames.h"
#include "loader/api/DefaultChannelMappings.h"
#include "loader/api/IOvr.h"
#include "loader/api/ThirdPartyChannels.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Channels = std::vector<std::pair<const char*, unsigned char>>;

void appendChannels(const Channels& channels, CacheIO::AvailableChannelList& list) {
    for (const auto& channel : channels) {
        CacheIO::AvailableChannels record;
        record.name = channel.first;
        record.flag = channel.second;
        ASSERT_TRUE(list.Append(record));
    }
}

std::string defaults(const char* extension, const Channels& channels) {
    CacheIO::AvailableChannelList list;
    appendChannels(channels, list);
    return CacheIO::defaultChannelMappingsFor(extension, list);
}

TEST(DefaultChannelMappingsTest, KnownNamesMapInListOrderAndTheFirstUnknownScalarIsSmoke) {
    const struct { const char* extension; Channels channels; const char* mappings; } cases[] = {
        {"vdb", {{"density", 0}, {"something", 1}}, "2,density;"},
        {"vdb", {{"temperature", 0}, {"Cd.z", 1}, {"density", 0}, {"rest.x", 1}}, "1,temperature;9,Cd.z;2,density;7,rest.x;"},
        {"f3d", {{"Density", 0}, {"fuel", 0}, {"TextureCoord(y)", 1}}, "2,Density;10,fuel;8,TextureCoord(y);"},
        // Names match exactly, case included; the two tables differ in their velocity rows.
        {"vdb", {{"smoke_fmr", 1}, {"DENSITY", 1}}, ""},
        {"vdb", {{"VelocitiesX", 0}, {"VelocitiesY", 0}, {"VelocitiesZ", 0}, {"Smoke", 0}}, "4,VelocitiesX;6,VelocitiesY;5,VelocitiesZ;2,Smoke;"},
        {"f3d", {{"VelocitiesX", 0}, {"VelocitiesY", 0}, {"VelocitiesZ", 0}, {"Smoke", 0}}, "6,VelocitiesX;5,VelocitiesY;4,VelocitiesZ;2,Smoke;"},
        {"f3d", {{"density", 0}, {"velocity(Y)", 1}, {"velocity(y)", 1}, {"velocity(z)", 1}}, "2,density;5,velocity(Y);"},
        {"f3d", {{"vel.x", 1}, {"Smoke_fmr", 0}}, "2,Smoke_fmr;"},
        // The first unmatched scalar becomes smoke when nothing else is.
        {"vdb", {{"mystery", 0}, {"Smoke_fmr", 0}}, "2,Smoke_fmr;"},
        {"vdb", {{"Temperature_fmr", 0}, {"vec.x", 1}, {"first", 0}, {"second", 0}}, "1,Temperature_fmr;2,first;"},
        {"vdb", {{"vec.x", 1}, {"vec.y", 1}}, ""},
        // Velocity components reported as scalars are still velocity, never smoke.
        {"vdb", {{"vel.z", 0}}, "6,vel.z;"},
        {"f3d", {{"VelocitiesZ", 0}}, "4,VelocitiesZ;"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(defaults(c.extension, c.channels), c.mappings) << c.extension << " " << c.mappings;
    // Only these two extensions have defaults.
    for (const char* extension : {"ovr", "", "VDB", "vdb2", "f3"})
        EXPECT_EQ(defaults(extension, {{"density", 0}}), "") << extension;
}

TEST(DefaultChannelMappingsTest, ConverterGridNamesMapBackToTheirChannels) {
    int named = 0;
    for (int channel = -1; channel <= 32; ++channel) {
        const char* name = CacheIO::gridChannelName(channel);
        named += name ? 1 : 0;
        EXPECT_EQ(name ? defaults("vdb", {{name, 0}}) : "", name ? std::to_string(channel) + "," + name + ";" : "");
    }
    EXPECT_EQ(named, 16);
}

// The channel listing of a path as a plug-in would report it, recording the pattern asked for.
std::string listedPattern;
void fakeLister(const char* pattern, CacheIO::AvailableChannelList& list) {
    listedPattern = pattern;
    appendChannels({{"density", 0}, {"vel.x", 1}, {"heat", 0}}, list);
}

TEST(DefaultChannelMappingsTest, ChannelNamesAndDefaultsOfAPathComeFromTheListing) {
    char text[64] = "keep";
    int flag = -1;
    EXPECT_EQ(ovrGet3rdPartyChannelName(text, sizeof text, &flag, "a.vdb", 0), -1);
    EXPECT_STREQ(text, "keep");
    EXPECT_EQ(ovrGenerateDefaultChannelMappings(text, sizeof text, "a.vdb"), 1);
    EXPECT_STREQ(text, "");  // no plug-in: no channels and no defaults

    CacheIO::setThirdPartyChannelLister(fakeLister);
    EXPECT_EQ(ovrGet3rdPartyChannelName(text, sizeof text, &flag, "shots/f_####.vdb", 1), 1);
    EXPECT_EQ(listedPattern, "shots/f_####.vdb");
    EXPECT_STREQ(text, "vel.x");
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(ovrGet3rdPartyChannelName(text, 4, &flag, "a.vdb", 0), 0);
    EXPECT_STREQ(text, "den");
    EXPECT_EQ(flag, 0);
    flag = -1;
    for (int index : {3, -1}) EXPECT_EQ(ovrGet3rdPartyChannelName(text, sizeof text, &flag, "a.vdb", index), -1);
    EXPECT_STREQ(text, "den");
    EXPECT_EQ(flag, -1);

    const struct { const char* path; int size, result; const char* mappings; } cases[] = {
        {"dir.f3d/frame_0001.VDB", 64, 1, "2,density;4,vel.x;"},
        {"frame.f3d", 64, 1, "2,density;"},
        {"frame.vdb", 5, 0, "2,de"},
        {"frame_0001.ovr", 64, 1, ""},
        {"frame.vdb/cache", 64, 1, ""},
        {"", 64, 1, ""},
        {nullptr, 64, 1, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ovrGenerateDefaultChannelMappings(text, c.size, c.path), c.result) << c.mappings;
        EXPECT_STREQ(text, c.mappings);
    }
    CacheIO::setThirdPartyChannelLister(nullptr);
}

} // namespace
