// The index-to-world matrix of the written grids, from a frame's world-to-grid transform.
#pragma once

// transform holds the frame's world-to-grid map: a 3x3 matrix A of rows (T0, T1, T2),
// (T3, T4, T5), (T6, T7, T8) and an offset o = (T9, T10, T11), taking a world position p (a row
// vector) to p * A + o. Writes the inverse map as a row-major 4x4 matrix for row vectors: rows
// A' (each with a 0 appended) and (o', 1), where A' = A^-1 element by element in double
// precision rounded to single, and o' = -(o * A') in single precision.
// Returns false when the inverse is not finite (A is singular, or nearly so for single precision).
bool indexToWorldMatrix(const float transform[12], double matrix[16]);
