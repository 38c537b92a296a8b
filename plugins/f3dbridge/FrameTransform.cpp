#include "plugins/f3dbridge/FrameTransform.h"

#include <algorithm>
#include <cmath>

namespace F3dBridge {

bool localToWorldAtTimeZero(const Mapping& mapping, Mapping::Matrix& matrix) {
    if (mapping.type == "NullFieldMapping" || (mapping.type == "MatrixFieldMapping" && mapping.samples.empty())) {
        matrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        return true;
    }
    if (mapping.type != "MatrixFieldMapping") return false;
    for (const Mapping::Sample& sample : mapping.samples)
        if (!std::isfinite(sample.time)) return false;
    // Samples by time; of equal times the one stored last.
    std::vector<Mapping::Sample> sorted = mapping.samples, curve;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Mapping::Sample& a, const Mapping::Sample& b) { return a.time < b.time; });
    for (const Mapping::Sample& sample : sorted) {
        if (!curve.empty() && curve.back().time == sample.time)
            curve.back() = sample;
        else
            curve.push_back(sample);
    }
    const float time = 0.0f;
    auto upper = std::find_if(curve.begin(), curve.end(), [&](const Mapping::Sample& s) { return s.time > time; });
    if (upper == curve.begin() || upper == curve.end()) {
        matrix = upper == curve.begin() ? curve.front().localToWorld : curve.back().localToWorld;
        return true;
    }
    const Mapping::Sample& lower = *(upper - 1);
    const double t = (time - lower.time) / (upper->time - lower.time);
    for (int i = 0; i < 16; ++i) matrix[i] = (1 - t) * lower.localToWorld[i] + t * upper->localToWorld[i];
    return true;
}

bool frameTransform(const Layer& layer, int64_t reduction, float out[12], Failure& failure) {
    Mapping::Matrix local;
    if (!layer.mapping || !localToWorldAtTimeZero(*layer.mapping, local))
        return failure.set(ImportUnsupportedMapping, "layer " + layer.name + " has a " +
                                                         (layer.mapping ? layer.mapping->type : "missing mapping") +
                                                         ", which is not read");
    if (local[3] != 0 || local[7] != 0 || local[11] != 0 || local[15] != 1)
        return failure.set(ImportUnsupportedMapping, "layer " + layer.name + " has a projective mapping matrix");
    // Grid to world: g * B + c, with the first voxel's centre (window.min + 0.5 in voxel space) at
    // g = 0 and voxel space spanning the extents over local [0, 1].
    double b[3][3], c[3];
    for (int row = 0; row < 3; ++row) {
        const double size = double(layer.extents.size(row));
        for (int column = 0; column < 3; ++column) b[row][column] = local[row * 4 + column] / size;
    }
    for (int column = 0; column < 3; ++column) {
        c[column] = local[12 + column];
        for (int row = 0; row < 3; ++row)
            c[column] += (double(layer.dataWindow.min[row] - layer.extents.min[row]) + 0.5) * b[row][column];
    }
    // A = B^-1 through the adjugate.
    double a[3][3];
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            const int r1 = (column + 1) % 3, r2 = (column + 2) % 3, c1 = (row + 1) % 3, c2 = (row + 2) % 3;
            a[row][column] = b[r1][c1] * b[r2][c2] - b[r1][c2] * b[r2][c1];
        }
    const double determinant = b[0][0] * a[0][0] + b[0][1] * a[1][0] + b[0][2] * a[2][0];
    if (!std::isfinite(determinant) || determinant == 0)
        return failure.set(ImportUnsupportedMapping, "layer " + layer.name + " has a mapping that cannot be inverted");
    // Frame voxel V has its centre at g = V * f + (f - 1) / 2.
    const double f = double(reduction), shift = (f - 1) / 2;
    for (int column = 0; column < 3; ++column) {
        double offset = 0;
        for (int row = 0; row < 3; ++row) {
            a[row][column] /= determinant;
            offset -= c[row] * a[row][column];
            out[row * 3 + column] = static_cast<float>(a[row][column] / f);
        }
        out[9 + column] = static_cast<float>((offset - shift) / f);
    }
    for (int i = 0; i < 12; ++i)
        if (!std::isfinite(out[i]))
            return failure.set(ImportUnsupportedMapping, "layer " + layer.name + " has a degenerate mapping");
    return true;
}

}  // namespace F3dBridge
