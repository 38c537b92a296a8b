// Runs this benchmark program again as a child process, so that each configuration starts cold.
#pragma once

#include <string>
#include <vector>

struct ChildResult {
    bool ok = false;       // started and exited with status 0
    std::string out;       // what it printed
    double seconds = 0;    // wall time
};

ChildResult runChild(const std::vector<std::string>& args);
