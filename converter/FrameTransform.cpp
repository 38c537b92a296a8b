#include "converter/FrameTransform.h"

#include <cmath>

bool indexToWorldMatrix(const float transform[12], double matrix[16]) {
    double a[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) a[r][c] = transform[3 * r + c];

    // Cofactor inverse: element (r, c) of A^-1 is the cofactor of (c, r) over the determinant.
    const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                       a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                       a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    float inverse[3][3];
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            // Rows and columns other than c and r, taken cyclically, give the signed minor.
            const int r1 = (c + 1) % 3, r2 = (c + 2) % 3;
            const int c1 = (r + 1) % 3, c2 = (r + 2) % 3;
            const double cofactor = a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1];
            inverse[r][c] = static_cast<float>(cofactor / det);
        }
    }

    const float o[3] = {transform[9], transform[10], transform[11]};
    float offset[3];
    for (int c = 0; c < 3; ++c) offset[c] = -(o[0] * inverse[0][c] + o[1] * inverse[1][c] + o[2] * inverse[2][c]);

    bool finite = true;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            matrix[4 * r + c] = inverse[r][c];
            finite = finite && std::isfinite(inverse[r][c]);
        }
        matrix[4 * r + 3] = 0.0;
    }
    for (int c = 0; c < 3; ++c) {
        matrix[12 + c] = offset[c];
        finite = finite && std::isfinite(offset[c]);
    }
    matrix[15] = 1.0;
    return finite;
}
