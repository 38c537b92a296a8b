// The grids of one frame in each output layout.
#include "converter/FrameTransform.h"
#include "converter/VdbGrids.h"
#include "loader/api/ChannelNames.h"
#include "loader/api/IOvr.h"

#include <cstdint>

namespace {

using namespace CacheIO;

enum class SlotKind {
    Scalar,       // one channel, one float grid
    SplitTriple,  // three channels, three float grids under their channel names, all or none
    Vector,       // three channels, one Vec3f grid, all or none
};

struct GridSlot {
    SlotKind kind;
    const char* name;  // null for a split triple
    int channels[3];
    openvdb::GridClass gridClass;
    openvdb::VecType vectorType;
};

struct LayoutTable {
    GridSlot slots[5];
    // Named channels without a slot follow as float grids, so that nothing the frame stores is lost.
    bool writeOtherChannels;
};

constexpr openvdb::GridClass Fog = openvdb::GRID_FOG_VOLUME;
constexpr openvdb::GridClass Plain = openvdb::GRID_UNKNOWN;
constexpr openvdb::VecType Velocity = openvdb::VEC_CONTRAVARIANT_RELATIVE;
constexpr openvdb::VecType Invariant = openvdb::VEC_INVARIANT;  // colours, and what scalar slots leave unused

const LayoutTable FumaraLayout = {{
    {SlotKind::Scalar, "Smoke_fmr", {ChannelSmoke}, Plain, Invariant},
    {SlotKind::Scalar, "Temperature_fmr", {ChannelTemperature}, Plain, Invariant},
    {SlotKind::Scalar, "Fuel_fmr", {ChannelFuel}, Plain, Invariant},
    {SlotKind::SplitTriple, nullptr, {ChannelVelocityX, ChannelVelocityY, ChannelVelocityZ}, Plain, Invariant},
    {SlotKind::SplitTriple, nullptr, {ChannelColorR, ChannelColorG, ChannelColorB}, Plain, Invariant},
}, false};

const LayoutTable HoudiniLayout = {{
    {SlotKind::Scalar, "density", {ChannelSmoke}, Fog, Invariant},
    {SlotKind::Scalar, "temperature", {ChannelTemperature}, Plain, Invariant},
    {SlotKind::Scalar, "fuel", {ChannelFuel}, Plain, Invariant},
    {SlotKind::Vector, "vel", {ChannelVelocityX, ChannelVelocityY, ChannelVelocityZ}, Plain, Velocity},
    {SlotKind::Vector, "Cd", {ChannelColorR, ChannelColorG, ChannelColorB}, Plain, Invariant},
}, true};

const LayoutTable BlenderLayout = {{
    {SlotKind::Scalar, "density", {ChannelSmoke}, Fog, Invariant},
    {SlotKind::Scalar, "temperature", {ChannelTemperature}, Plain, Invariant},
    {SlotKind::Scalar, "fuel", {ChannelFuel}, Plain, Invariant},
    {SlotKind::Vector, "velocity", {ChannelVelocityX, ChannelVelocityY, ChannelVelocityZ}, Plain, Velocity},
    {SlotKind::Vector, "color", {ChannelColorR, ChannelColorG, ChannelColorB}, Plain, Invariant},
}, true};

const LayoutTable& tableOf(VdbLayout layout) {
    switch (layout) {
    case VdbLayout::Houdini: return HoudiniLayout;
    case VdbLayout::Blender: return BlenderLayout;
    default: return FumaraLayout;
    }
}

int channelCount(SlotKind kind) { return kind == SlotKind::Scalar ? 1 : 3; }

// Builds the grids of one frame, slot by slot, handing each channel back once its grids are built.
class FrameGridBuilder {
public:
    FrameGridBuilder(IOvr* frame, const VdbOutputOptions& options, const GridBuildHooks& hooks,
                     openvdb::GridPtrVec& grids)
        : frame_(frame), options_(options), hooks_(hooks), grids_(grids) {
        frame_->getResolution(size_);
    }

    // 0, or 1 when a channel reported present has no data.
    int build(const LayoutTable& table) {
        for (const GridSlot& slot : table.slots) {
            if (!hasAll(slot)) continue;
            const int built = slot.kind == SlotKind::Scalar ? scalar(slot.name, slot.channels[0], slot.gridClass)
                            : slot.kind == SlotKind::Vector ? vector(slot)
                                                            : splitTriple(slot);
            if (built != 0) return built;
        }
        if (!table.writeOtherChannels) return 0;
        for (int channel = 0; channel < GridChannelCount; ++channel) {
            const char* name = gridChannelName(channel);
            if (!name || (used_ >> channel & 1u) || !frame_->hasChannel(channel)) continue;
            const int built = scalar(name, channel, openvdb::GRID_UNKNOWN);
            if (built != 0) return built;
        }
        return 0;
    }

private:
    bool hasAll(const GridSlot& slot) const {
        for (int i = 0; i < channelCount(slot.kind); ++i)
            if (!frame_->hasChannel(slot.channels[i])) return false;
        return true;
    }

    const float* decode(int channel) {
        StageTimer timer(hooks_.times ? &hooks_.times->decode : nullptr);
        used_ |= 1u << channel;
        return frame_->getChannelData(channel);
    }

    void done(int channel) {
        if (hooks_.channelDone) hooks_.channelDone(channel);
    }

    void add(const openvdb::GridBase::Ptr& grid, openvdb::GridClass gridClass) {
        grid->setGridClass(gridClass);
        grid->setSaveFloatAsHalf(options_.half);
        grids_.push_back(grid);
    }

    int scalar(const char* name, int channel, openvdb::GridClass gridClass) {
        const float* data = decode(channel);
        if (!data) return 1;
        openvdb::FloatGrid::Ptr grid;
        {
            StageTimer timer(hooks_.times ? &hooks_.times->fill : nullptr);
            fillGridFromDense(data, grid, size_[0], size_[1], size_[2], name, options_.sparse);
        }
        add(grid, gridClass);
        done(channel);
        return 0;
    }

    int splitTriple(const GridSlot& slot) {
        for (int channel : slot.channels) {
            const int built = scalar(gridChannelName(channel), channel, slot.gridClass);
            if (built != 0) return built;
        }
        return 0;
    }

    int vector(const GridSlot& slot) {
        const float* components[3];
        for (int i = 0; i < 3; ++i)
            if (!(components[i] = decode(slot.channels[i]))) return 1;
        openvdb::Vec3fGrid::Ptr grid;
        {
            StageTimer timer(hooks_.times ? &hooks_.times->fill : nullptr);
            fillVectorGridFromDense(components, grid, size_, slot.name, options_.sparse);
        }
        grid->setVectorType(slot.vectorType);
        add(grid, slot.gridClass);
        for (int channel : slot.channels) done(channel);
        return 0;
    }

    IOvr* frame_;
    const VdbOutputOptions& options_;
    const GridBuildHooks& hooks_;
    openvdb::GridPtrVec& grids_;
    int size_[3] = {0, 0, 0};
    uint32_t used_ = 0;  // channels read so far, one bit each
};

} // namespace

int buildFrameGrids(IOvr* frame, const VdbOutputOptions& options, openvdb::GridPtrVec& grids,
                    const GridBuildHooks& hooks) {
    float transform[12];
    frame->getTransform(transform);
    double indexToWorld[16];
    // A singular frame transform has no index-to-world map; writing NaNs would lose the frame.
    const bool invertible = indexToWorldMatrix(transform, indexToWorld);

    const int built = FrameGridBuilder(frame, options, hooks, grids).build(tableOf(options.layout));
    if (built != 0) return built;
    if (!invertible) return 2;
    const openvdb::math::Transform::Ptr gridTransform =
        openvdb::math::Transform::createLinearTransform(openvdb::math::Mat4d(indexToWorld));
    for (const openvdb::GridBase::Ptr& grid : grids) grid->setTransform(gridTransform->copy());
    return 0;
}
