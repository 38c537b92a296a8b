// A directory of scratch files, removed with its files at the end of a test.
#pragma once

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

class TempDirectory {
public:
    TempDirectory() {
        char pattern[] = "/tmp/pluginhost_XXXXXX";
        if (mkdtemp(pattern)) path_ = pattern;
    }
    ~TempDirectory() {
        for (auto it = created_.rbegin(); it != created_.rend(); ++it) std::remove(it->c_str());
        rmdir(path_.c_str());
    }
    const std::string& path() const { return path_; }

    std::string file(const std::string& name, const std::string& text = "") {
        const std::string full = path_ + "/" + name;
        std::ofstream(full) << text;
        created_.push_back(full);
        return full;
    }
    std::string directory(const std::string& name) {
        const std::string full = path_ + "/" + name;
        mkdir(full.c_str(), 0755);
        created_.push_back(full);
        return full;
    }

private:
    std::string path_;
    std::vector<std::string> created_;
};
