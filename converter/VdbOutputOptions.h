// How a frame is laid out in its OpenVDB file: grid names and types, sparseness, precision.
#pragma once

enum class VdbLayout {
    Fumara,   // the float grids Smoke_fmr, VelocityX_fmr ... (the default, unchanged)
    Houdini,  // density, temperature, fuel, vel (Vec3f), Cd (Vec3f)
    Blender,  // density, temperature, fuel, velocity (Vec3f), color (Vec3f)
};

struct VdbOutputOptions {
    VdbLayout layout = VdbLayout::Fumara;
    // Voxels equal to the background are inactive and empty leaves become tiles.
    bool sparse = false;
    // Grids are saved as 16-bit floats.
    bool half = false;
};

// Reads a layout name ("fumara", "houdini", "blender"); false for any other name.
bool parseVdbLayout(const char* name, VdbLayout& layout);
