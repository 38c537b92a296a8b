// A frame held in memory: the channels the benchmark fills, an identity transform, no particles.
#pragma once

#include "loader/api/IOvr.h"

#include <map>
#include <vector>

class MemoryFrame : public IOvr {
public:
    MemoryFrame(int nx, int ny, int nz) : resolution_{nx, ny, nz} {}

    // Adds a channel whose element i holds value(i).
    template <class Value>
    void addChannel(int channel, Value value) {
        std::vector<float>& data = channels_[channel];
        data.resize(static_cast<size_t>(resolution_[0]) * resolution_[1] * resolution_[2]);
        for (size_t i = 0; i < data.size(); ++i) data[i] = value(i);
    }

    float* getChannelData(int channel) override {
        auto found = channels_.find(channel);
        return found == channels_.end() ? nullptr : found->second.data();
    }
    int hasChannel(int channel) override { return channels_.count(channel) ? 1 : 0; }
    int getResolution(int resolution[3]) override {
        for (int i = 0; i < 3; ++i) resolution[i] = resolution_[i];
        return resolution_[0];
    }
    void getTransform(float transform[12]) override {
        for (int i = 0; i < 12; ++i) transform[i] = (i == 0 || i == 4 || i == 8) ? 1.0f : 0.0f;
    }
    int getParticleGroupCount() override { return 0; }
    IFumaraPrtGroup* getParticleGroup(int) override { return nullptr; }
    IFumaraPrtGroup* findParticleGroup(const char*) override { return nullptr; }

private:
    int resolution_[3];
    std::map<int, std::vector<float>> channels_;
};
