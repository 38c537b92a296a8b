// A fresh directory for one test, removed with everything in it when the test ends.
#pragma once

#include "platform/Directories.h"

#include <cstdio>
#include <ftw.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string>

class ScratchDirectory {
public:
    ScratchDirectory()
    {
        std::string templ = Platform::temporaryDirectory() + "ovr_test_XXXXXX";
        if (mkdtemp(&templ[0]))
            m_path = templ;
        EXPECT_FALSE(m_path.empty()) << "cannot create a scratch directory in " << Platform::temporaryDirectory();
    }

    ~ScratchDirectory()
    {
        if (!m_path.empty())
            nftw(m_path.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    }

    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& path() const { return m_path; }

    // The path of name inside the directory.
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

    // Creates a file inside the directory with the given content; returns its path.
    std::string write(const std::string& name, const std::string& content = std::string()) const
    {
        std::string file = *this / name;
        std::FILE* out = std::fopen(file.c_str(), "wb");
        EXPECT_NE(out, nullptr) << file;
        if (out) {
            std::fwrite(content.data(), 1, content.size(), out);
            std::fclose(out);
        }
        return file;
    }

private:
    static int removeEntry(const char* path, const struct stat*, int, struct FTW*)
    {
        return std::remove(path);
    }

    std::string m_path;
};

// The whole content of a file; empty when it cannot be read.
inline std::string readFile(const std::string& path)
{
    std::string content;
    if (std::FILE* in = std::fopen(path.c_str(), "rb")) {
        char block[4096];
        size_t got;
        while ((got = std::fread(block, 1, sizeof block, in)) > 0)
            content.append(block, got);
        std::fclose(in);
    }
    return content;
}
