// Seconds one frame's conversion spent in each stage, for benchmarks and reports.
#pragma once

#include <chrono>

struct FrameStageTimes {
    double load = 0;    // reading the file and its compressed channel blocks
    double decode = 0;  // expanding channels to floats
    double fill = 0;    // building the OpenVDB grids
    double write = 0;   // serialising, flushing and renaming the output file

    FrameStageTimes& operator+=(const FrameStageTimes& other) {
        load += other.load;
        decode += other.decode;
        fill += other.fill;
        write += other.write;
        return *this;
    }
};

// Adds the time from construction to destruction to a stage; nothing when the stage is null.
class StageTimer {
public:
    explicit StageTimer(double* stage) : stage_(stage), start_(std::chrono::steady_clock::now()) {}
    ~StageTimer() {
        if (stage_) *stage_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }
    StageTimer(const StageTimer&) = delete;
    StageTimer& operator=(const StageTimer&) = delete;

private:
    double* stage_;
    std::chrono::steady_clock::time_point start_;
};
