#include "loader/plugins/PluginFileName.h"
#include "tests/plugins/pluginhost/TempDirectory.h"

#include <gtest/gtest.h>

using CacheIO::pluginLibraryFile;

TEST(PluginFileName, WithoutDirectoriesOrSuffixTheBareNameIsLoaded) {
    EXPECT_EQ("vdbbridge.so", pluginLibraryFile("vdbbridge", nullptr, nullptr));
    EXPECT_EQ("vdbbridge_x64.so", pluginLibraryFile("vdbbridge", nullptr, "x64"));
    // Directories without a suffix are not searched.
    EXPECT_EQ("f3dbridge.so", pluginLibraryFile("f3dbridge", "/nowhere;/else", nullptr));
}

TEST(PluginFileName, DirectoriesAreSearchedInOrderForAnExistingFile) {
    TempDirectory temp;
    const std::string a = temp.directory("a");
    const std::string b = temp.directory("b");
    temp.file("b/vdbbridge_x64.so");
    EXPECT_EQ(b + "/vdbbridge_x64.so", pluginLibraryFile("vdbbridge", (a + ";" + b).c_str(), "x64"));
    temp.file("a/vdbbridge_x64.so");
    EXPECT_EQ(a + "/vdbbridge_x64.so", pluginLibraryFile("vdbbridge", (a + ";" + b).c_str(), "x64"));
    // No separator is added behind one that ends the entry; empty entries are passed over.
    EXPECT_EQ(b + "/vdbbridge_x64.so", pluginLibraryFile("vdbbridge", (";;" + b + "/;").c_str(), "x64"));
}

TEST(PluginFileName, NoCandidateWithoutAnExistingFile) {
    TempDirectory temp;
    temp.file("vdbbridge_x64.so");
    EXPECT_EQ("", pluginLibraryFile("vdbbridge", ";;;", "x64"));
    EXPECT_EQ("", pluginLibraryFile("vdbbridge", "", "x64"));
    EXPECT_EQ("", pluginLibraryFile("vdbbridge", temp.path().c_str(), "arm"));
    EXPECT_EQ("", pluginLibraryFile("f3dbridge", temp.path().c_str(), "x64"));
}

TEST(PluginFileName, LongNamesAreCutTo1023Characters) {
    const std::string directory(1100, 'd');
    const std::string suffix(1100, 's');
    EXPECT_EQ(1023u, pluginLibraryFile("vdbbridge", nullptr, suffix.c_str()).size());
    // A cut candidate names no existing file.
    EXPECT_EQ("", pluginLibraryFile("vdbbridge", directory.c_str(), "x64"));
}
