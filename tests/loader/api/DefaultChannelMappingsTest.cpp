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

CacheIO::AvailableChannelList makeList(const Channels& channels) {
    CacheIO::AvailableChannelList list;
    for (const auto& channel : channels) {
        CacheIO::AvailableChannels record;
        record.name = channel.first;
        record.flag = channel.second;
        EXPECT_TRUE(list.Append(record));
    }
    return list;
}

std::string vdbDefaults(const Channels& channels) { return CacheIO::defaultChannelMappingsFor("vdb", makeList(channels)); }
std::string f3dDefaults(const Channels& channels) { return CacheIO::defaultChannelMappingsFor("f3d", makeList(channels)); }

TEST(DefaultChannelMappingsTest, KnownNamesMapInListOrder) {
    EXPECT_EQ(vdbDefaults({{"density", 0}, {"something", 1}}), "2,density;");
    EXPECT_EQ(vdbDefaults({{"vel.x", 1}, {"vel.y", 1}}), "4,vel.x;5,vel.y;");
    EXPECT_EQ(vdbDefaults({{"temperature", 0}, {"Cd.z", 1}, {"density", 0}, {"rest.x", 1}}),
              "1,temperature;9,Cd.z;2,density;7,rest.x;");
    EXPECT_EQ(f3dDefaults({{"Density", 0}, {"fuel", 0}, {"TextureCoord(y)", 1}}), "2,Density;10,fuel;8,TextureCoord(y);");
    // Names match exactly, case included.
    EXPECT_EQ(vdbDefaults({{"smoke_fmr", 1}, {"DENSITY", 1}}), "");
}

TEST(DefaultChannelMappingsTest, TheTwoTablesKeepTheirOwnVelocitiesRows) {
    const Channels velocities = {{"VelocitiesX", 0}, {"VelocitiesY", 0}, {"VelocitiesZ", 0}, {"Smoke", 0}};
    EXPECT_EQ(vdbDefaults(velocities), "4,VelocitiesX;6,VelocitiesY;5,VelocitiesZ;2,Smoke;");
    EXPECT_EQ(f3dDefaults(velocities), "6,VelocitiesX;5,VelocitiesY;4,VelocitiesZ;2,Smoke;");

    EXPECT_EQ(f3dDefaults({{"density", 0}, {"velocity(x)", 1}, {"velocity(Y)", 1}, {"velocity(Z)", 1}}),
              "2,density;4,velocity(x);5,velocity(Y);6,velocity(Z);");
    // The lower-case spellings of the last two are not rows of the Field3D table.
    EXPECT_EQ(f3dDefaults({{"density", 0}, {"velocity(y)", 1}, {"velocity(z)", 1}}), "2,density;");
    // Field3D names unknown to the OpenVDB table, and the reverse.
    EXPECT_EQ(vdbDefaults({{"v_mac(x)", 1}, {"Density", 0}}), "2,Density;");
    EXPECT_EQ(f3dDefaults({{"vel.x", 1}, {"Smoke_fmr", 0}}), "2,Smoke_fmr;");
}

TEST(DefaultChannelMappingsTest, FirstUnmatchedScalarBecomesSmokeWhenNothingElseIs) {
    EXPECT_EQ(vdbDefaults({{"mystery", 0}}), "2,mystery;");
    EXPECT_EQ(vdbDefaults({{"mystery", 0}, {"Smoke_fmr", 0}}), "2,Smoke_fmr;");
    EXPECT_EQ(vdbDefaults({{"Temperature_fmr", 0}, {"vec.x", 1}, {"first", 0}, {"second", 0}}),
              "1,Temperature_fmr;2,first;");
    EXPECT_EQ(vdbDefaults({{"vec.x", 1}, {"vec.y", 1}}), "");
    // Velocity components reported as scalars are still velocity, never smoke.
    EXPECT_EQ(vdbDefaults({{"vel.z", 0}}), "6,vel.z;");
    EXPECT_EQ(f3dDefaults({{"VelocitiesZ", 0}}), "4,VelocitiesZ;");
    EXPECT_EQ(vdbDefaults({}), "");
}

TEST(DefaultChannelMappingsTest, OnlyVdbAndF3dExtensionsHaveDefaults) {
    const CacheIO::AvailableChannelList list = makeList({{"density", 0}});
    for (const char* extension : {"ovr", "", "VDB", "vdb2", "f3"})
        EXPECT_EQ(CacheIO::defaultChannelMappingsFor(extension, list), "") << extension;
}

TEST(DefaultChannelMappingsTest, ConverterGridNamesMapBackToTheirChannels) {
    int named = 0;
    for (int channel = -1; channel <= 32; ++channel) {
        const char* name = CacheIO::gridChannelName(channel);
        if (!name) continue;
        ++named;
        EXPECT_EQ(vdbDefaults({{name, 0}}), std::to_string(channel) + "," + name + ";");
    }
    EXPECT_EQ(named, 16);
    for (int unnamed : {0, 3, 11, 12, 13, 18, 22, 31}) EXPECT_EQ(CacheIO::gridChannelName(unnamed), nullptr) << unnamed;
}

// The channel listing of a path as a plug-in would report it, recording the pattern asked for.
std::string listedPattern;
void fakeLister(const char* pattern, CacheIO::AvailableChannelList& list) {
    listedPattern = pattern;
    for (const auto& channel : Channels{{"density", 0}, {"vel.x", 1}, {"heat", 0}}) {
        CacheIO::AvailableChannels record;
        record.name = channel.first;
        record.flag = channel.second;
        list.Append(record);
    }
}

class InstalledListerTest : public ::testing::Test {
protected:
    void SetUp() override {
        listedPattern.clear();
        CacheIO::setThirdPartyChannelLister(fakeLister);
    }
    void TearDown() override { CacheIO::setThirdPartyChannelLister(nullptr); }
};

TEST_F(InstalledListerTest, ChannelNamesComeFromTheListingWithTheirFlags) {
    char name[16] = "unchanged";
    int flag = -1;
    EXPECT_EQ(ovrGet3rdPartyChannelName(name, sizeof name, &flag, "shots/f_####.vdb", 1), 1);
    EXPECT_EQ(listedPattern, "shots/f_####.vdb");
    EXPECT_STREQ(name, "vel.x");
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(ovrGet3rdPartyChannelName(name, 4, &flag, "a.vdb", 0), 0);
    EXPECT_STREQ(name, "den");
    EXPECT_EQ(flag, 0);

    char untouched[8] = "keep";
    flag = -1;
    EXPECT_EQ(ovrGet3rdPartyChannelName(untouched, sizeof untouched, &flag, "a.vdb", 3), -1);
    EXPECT_EQ(ovrGet3rdPartyChannelName(untouched, sizeof untouched, &flag, "a.vdb", -1), -1);
    EXPECT_STREQ(untouched, "keep");
    EXPECT_EQ(flag, -1);
}

TEST_F(InstalledListerTest, DefaultMappingsOfAPathFollowItsExtension) {
    char text[64];
    EXPECT_EQ(ovrGenerateDefaultChannelMappings(text, sizeof text, "dir.f3d/frame_0001.VDB"), 1);
    EXPECT_STREQ(text, "2,density;4,vel.x;");
    EXPECT_EQ(ovrGenerateDefaultChannelMappings(text, sizeof text, "frame.f3d"), 1);
    EXPECT_STREQ(text, "2,density;");
    EXPECT_EQ(ovrGenerateDefaultChannelMappings(text, 5, "frame.vdb"), 0);
    EXPECT_STREQ(text, "2,de");
    for (const char* noMappings : {"frame_0001.ovr", "frame.vdb/cache", "", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(ovrGenerateDefaultChannelMappings(text, sizeof text, noMappings), 1);
        EXPECT_STREQ(text, "");
    }
}

TEST(NoListerTest, WithoutPlugInsThereAreNoChannelsAndNoDefaults) {
    char text[16] = "keep";
    int flag = -1;
    EXPECT_EQ(ovrGet3rdPartyChannelName(text, sizeof text, &flag, "a.vdb", 0), -1);
    EXPECT_STREQ(text, "keep");
    EXPECT_EQ(ovrGenerateDefaultChannelMappings(text, sizeof text, "a.vdb"), 1);
    EXPECT_STREQ(text, "");
}

} // namespace
