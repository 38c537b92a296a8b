#include "platform/NumaNodes.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <new>
#include <string>

namespace Platform {

namespace {

// The id of a directory named "node<digits>", or -1.
int nodeIdOf(const char* name) {
    if (std::string(name).compare(0, 4, "node") != 0 || name[4] == '\0') return -1;
    long id = 0;
    for (const char* c = name + 4; *c != '\0'; ++c) {
        if (!std::isdigit(static_cast<unsigned char>(*c))) return -1;
        id = id * 10 + (*c - '0');
        if (id > 1000000) return -1;
    }
    return static_cast<int>(id);
}

// The node's processors; empty when its list is missing, too long or malformed.
CpuSet readProcessorList(const std::string& path) {
    CpuSet processors;
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return processors;
    // A full list of CpuSet::kMaxProcessors single numbers fits easily.
    char text[8192];
    const std::size_t length = std::fread(text, 1, sizeof text - 1, file);
    const bool complete = length < sizeof text - 1;
    std::fclose(file);
    text[length] = '\0';
    if (complete) CpuSet::parseList(text, processors);
    return processors;
}

}  // namespace

bool readNumaNodes(std::vector<NumaNode>& nodes, const char* nodeRoot) {
    nodes.clear();
    if (nodeRoot == nullptr) return false;
    DIR* directory = opendir(nodeRoot);
    if (directory == nullptr) return false;
    try {
        while (const dirent* entry = readdir(directory)) {
            const int id = nodeIdOf(entry->d_name);
            if (id < 0) continue;
            NumaNode node;
            node.id = id;
            node.processors = readProcessorList(std::string(nodeRoot) + "/" + entry->d_name + "/cpulist");
            nodes.push_back(node);
        }
    } catch (const std::bad_alloc&) {
        nodes.clear();
    }
    closedir(directory);
    std::sort(nodes.begin(), nodes.end(), [](const NumaNode& a, const NumaNode& b) { return a.id < b.id; });
    return !nodes.empty();
}

}  // namespace Platform
