// A fresh directory for one test, removed with everything in it when the test ends.
#pragma once

#include "platform/Directories.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ftw.h>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <stdlib.h>
#include <string>

class ScratchDirectory {
public:
    ScratchDirectory() : m_path(Platform::temporaryDirectory() + "ovr_test_XXXXXX") {
        if (!mkdtemp(&m_path[0])) m_path.clear();
        EXPECT_FALSE(m_path.empty()) << "cannot create a scratch directory";
    }
    ~ScratchDirectory() {
        auto remove = [](const char* path, const struct stat*, int, FTW*) { return std::remove(path); };
        if (!m_path.empty()) nftw(m_path.c_str(), remove, 16, FTW_DEPTH | FTW_PHYS);
    }
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }
    // Creates a file inside the directory with the given content; returns its path.
    std::string write(const std::string& name, const std::string& content = std::string()) const {
        EXPECT_TRUE(std::ofstream(*this / name, std::ios::binary) << content) << name;
        return *this / name;
    }

private:
    std::string m_path;
};

// Every name in the folder and its subfolders, relative to it.
inline std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        names.insert(std::filesystem::relative(entry.path(), folder).string());
    return names;
}

// The whole content of a file; empty when it cannot be read.
inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
