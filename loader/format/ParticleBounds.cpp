#include "loader/format/ParticleBounds.h"

#include "loader/format/ParticleGroup.h"
#include "parallel/FmrParallel.h"
#include "utils/Log.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace CacheIO {

namespace {

struct WorkerBox {
    float bounds[6] = {1e20f, 1e20f, 1e20f, -1e20f, -1e20f, -1e20f};
    int rejected = 0;
};

// Each job walks its slice of the particles and writes only its own box.
class MTComputeParticlesBbox : public FMRUtils::FmrParallel {
public:
    FumaraFrameData::PGroup* group = nullptr;
    std::vector<WorkerBox> boxes;

    int processJob(FMRUtils::Job* job) override {
        WorkerBox& box = boxes[static_cast<size_t>(job->jobIndex)];
        for (int64_t particle = job->sliceStart; particle < job->sliceEnd; ++particle) {
            float position[3];
            if (!group->getParticleValue(static_cast<int>(particle), ParticlePositionChannel, position))
                continue;
            const float sum = position[0] + position[1] + position[2];
            if (!std::isfinite(sum) || std::fabs(sum) >= 100000.0f) {
                ++box.rejected;
                continue;
            }
            for (int axis = 0; axis < 3; ++axis) {
                box.bounds[axis] = std::fmin(box.bounds[axis], position[axis]);
                box.bounds[3 + axis] = std::fmax(box.bounds[3 + axis], position[axis]);
            }
        }
        return 0;
    }

    const char* getName() override { return "MTComputeParticlesBbox"; }
};

}  // namespace

void extendParticleBounds(FumaraFrameData::PGroup& group, float bounds[6]) {
    MTComputeParticlesBbox job;
    job.group = &group;
    job.setupThreads();
    if (job.jobCount() == 0)
        return;
    try {
        job.boxes.resize(static_cast<size_t>(job.jobCount()));
    } catch (...) {
        return;
    }
    // Only particles whose positions are stored have bounds: a damaged count must not send the job
    // through billions of particles whose reads all fail.
    job.prepare(std::min<int64_t>(group.count, group.decodedParticles(ParticlePositionChannel)));
    job.run(0);
    int rejected = 0;
    for (const WorkerBox& box : job.boxes) {
        for (int axis = 0; axis < 3; ++axis) {
            bounds[axis] = std::fmin(bounds[axis], box.bounds[axis]);
            bounds[3 + axis] = std::fmax(bounds[3 + axis], box.bounds[3 + axis]);
        }
        rejected += box.rejected;
    }
    if (rejected > 0)
        logMessage("#bad particles found in group %s, count:%d\n", group.name.c_str(), rejected);
}

}  // namespace CacheIO
