#pragma once
// What the importer computes on transforms beyond Geometry's vocabulary: the
// linear (3x3) part of a transform, inverses and the split of a node's
// transform into scaling, rotation and position. Row-major like Matrix4.

#include "geometry/geometry.h"

namespace velmora {
inline namespace importer {

using Geometry::Matrix4;
using Geometry::Quaternion;
using Geometry::Vector3;

struct Matrix3 {
    // The identity.
    double rows[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

    const double* operator[](int r) const { return rows[r]; }
    double* operator[](int r) { return rows[r]; }
};

// The upper left 3x3 part of m.
Matrix3 linearPart(const Matrix4& m);
Matrix3 operator*(const Matrix3& a, const Matrix3& b);
Matrix3 operator*(double s, const Matrix3& m);
Matrix3 transposed(const Matrix3& m);
double determinant(const Matrix3& m);
// All NaN when m is singular (determinant exactly 0).
Matrix3 inverse(const Matrix3& m);
Vector3 apply(const Matrix3& m, const Vector3& v);
// The columns of m.
void columns(const Matrix3& m, Vector3& x, Vector3& y, Vector3& z);

double determinant(const Matrix4& m);
// All NaN when m is singular (determinant exactly 0).
Matrix4 inverse(const Matrix4& m);
// The affine transform m applied to the point v.
Vector3 applyToPoint(const Matrix4& m, const Vector3& v);
Matrix4 scaling(const Vector3& factors);
Matrix4 translation(const Vector3& offset);

// m = T * R * S: position from the last column, scaling from the lengths of the
// first three columns (all negated when m mirrors), rotation from the columns
// divided by them (a unit quaternion).
struct Decomposed {
    Vector3 scaling;
    Quaternion rotation;
    Vector3 position;
};
Decomposed decompose(const Matrix4& m);

}  // namespace importer
}  // namespace velmora
