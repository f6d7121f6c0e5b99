#include "import/linear_algebra.h"

#include <cmath>
#include <limits>

namespace velmora {
inline namespace importer {

Matrix3 linearPart(const Matrix4& m) {
    Matrix3 a;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            a[r][c] = m[r][c];
        }
    }
    return a;
}

Matrix3 operator*(const Matrix3& a, const Matrix3& b) {
    Matrix3 product;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            product[r][c] = a[r][0] * b[0][c] + a[r][1] * b[1][c] + a[r][2] * b[2][c];
        }
    }
    return product;
}

Matrix3 operator*(double s, const Matrix3& m) {
    Matrix3 scaled;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            scaled[r][c] = s * m[r][c];
        }
    }
    return scaled;
}

Matrix3 transposed(const Matrix3& m) {
    Matrix3 t;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            t[r][c] = m[c][r];
        }
    }
    return t;
}

double determinant(const Matrix3& m) {
    return m[0][0] * m[1][1] * m[2][2] - m[0][0] * m[1][2] * m[2][1] + m[0][1] * m[1][2] * m[2][0] -
           m[0][1] * m[1][0] * m[2][2] + m[0][2] * m[1][0] * m[2][1] - m[0][2] * m[1][1] * m[2][0];
}

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

// The adjugate over the determinant.
Matrix3 inverse(const Matrix3& m) {
    const double det = determinant(m);
    Matrix3 res;
    if (det == 0.0) {
        for (auto& row : res.rows) {
            row[0] = row[1] = row[2] = kNaN;
        }
        return res;
    }
    const double invdet = 1.0 / det;
    const double a1 = m[0][0], a2 = m[0][1], a3 = m[0][2];
    const double b1 = m[1][0], b2 = m[1][1], b3 = m[1][2];
    const double c1 = m[2][0], c2 = m[2][1], c3 = m[2][2];
    res[0][0] = invdet * (b2 * c3 - b3 * c2);
    res[0][1] = -invdet * (a2 * c3 - a3 * c2);
    res[0][2] = invdet * (a2 * b3 - a3 * b2);
    res[1][0] = -invdet * (b1 * c3 - b3 * c1);
    res[1][1] = invdet * (a1 * c3 - a3 * c1);
    res[1][2] = -invdet * (a1 * b3 - a3 * b1);
    res[2][0] = invdet * (b1 * c2 - b2 * c1);
    res[2][1] = -invdet * (a1 * c2 - a2 * c1);
    res[2][2] = invdet * (a1 * b2 - a2 * b1);
    return res;
}

Vector3 apply(const Matrix3& m, const Vector3& v) {
    return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
            m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
            m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}

void columns(const Matrix3& m, Vector3& x, Vector3& y, Vector3& z) {
    x = {m[0][0], m[1][0], m[2][0]};
    y = {m[0][1], m[1][1], m[2][1]};
    z = {m[0][2], m[1][2], m[2][2]};
}

// Expanded along all 24 permutations; rows a to d, columns 1 to 4.
double determinant(const Matrix4& m) {
    const double a1 = m[0][0], a2 = m[0][1], a3 = m[0][2], a4 = m[0][3];
    const double b1 = m[1][0], b2 = m[1][1], b3 = m[1][2], b4 = m[1][3];
    const double c1 = m[2][0], c2 = m[2][1], c3 = m[2][2], c4 = m[2][3];
    const double d1 = m[3][0], d2 = m[3][1], d3 = m[3][2], d4 = m[3][3];
    return a1 * b2 * c3 * d4 - a1 * b2 * c4 * d3 + a1 * b3 * c4 * d2 - a1 * b3 * c2 * d4 +
           a1 * b4 * c2 * d3 - a1 * b4 * c3 * d2 - a2 * b3 * c4 * d1 + a2 * b3 * c1 * d4 -
           a2 * b4 * c1 * d3 + a2 * b4 * c3 * d1 - a2 * b1 * c3 * d4 + a2 * b1 * c4 * d3 +
           a3 * b4 * c1 * d2 - a3 * b4 * c2 * d1 + a3 * b1 * c2 * d4 - a3 * b1 * c4 * d2 +
           a3 * b2 * c4 * d1 - a3 * b2 * c1 * d4 - a4 * b1 * c2 * d3 + a4 * b1 * c3 * d2 -
           a4 * b2 * c3 * d1 + a4 * b2 * c1 * d3 - a4 * b3 * c1 * d2 + a4 * b3 * c2 * d1;
}

// The adjugate over the determinant.
Matrix4 inverse(const Matrix4& m) {
    const double det = determinant(m);
    if (det == 0.0) {
        const Geometry::Vector4 nan(kNaN, kNaN, kNaN, kNaN);
        return Matrix4(nan, nan, nan, nan);
    }
    const double invdet = 1.0 / det;
    const double a1 = m[0][0], a2 = m[0][1], a3 = m[0][2], a4 = m[0][3];
    const double b1 = m[1][0], b2 = m[1][1], b3 = m[1][2], b4 = m[1][3];
    const double c1 = m[2][0], c2 = m[2][1], c3 = m[2][2], c4 = m[2][3];
    const double d1 = m[3][0], d2 = m[3][1], d3 = m[3][2], d4 = m[3][3];
    Matrix4 res;
    res[0][0] =
        invdet * (b2 * (c3 * d4 - c4 * d3) + b3 * (c4 * d2 - c2 * d4) + b4 * (c2 * d3 - c3 * d2));
    res[0][1] =
        -invdet * (a2 * (c3 * d4 - c4 * d3) + a3 * (c4 * d2 - c2 * d4) + a4 * (c2 * d3 - c3 * d2));
    res[0][2] =
        invdet * (a2 * (b3 * d4 - b4 * d3) + a3 * (b4 * d2 - b2 * d4) + a4 * (b2 * d3 - b3 * d2));
    res[0][3] =
        -invdet * (a2 * (b3 * c4 - b4 * c3) + a3 * (b4 * c2 - b2 * c4) + a4 * (b2 * c3 - b3 * c2));
    res[1][0] =
        -invdet * (b1 * (c3 * d4 - c4 * d3) + b3 * (c4 * d1 - c1 * d4) + b4 * (c1 * d3 - c3 * d1));
    res[1][1] =
        invdet * (a1 * (c3 * d4 - c4 * d3) + a3 * (c4 * d1 - c1 * d4) + a4 * (c1 * d3 - c3 * d1));
    res[1][2] =
        -invdet * (a1 * (b3 * d4 - b4 * d3) + a3 * (b4 * d1 - b1 * d4) + a4 * (b1 * d3 - b3 * d1));
    res[1][3] =
        invdet * (a1 * (b3 * c4 - b4 * c3) + a3 * (b4 * c1 - b1 * c4) + a4 * (b1 * c3 - b3 * c1));
    res[2][0] =
        invdet * (b1 * (c2 * d4 - c4 * d2) + b2 * (c4 * d1 - c1 * d4) + b4 * (c1 * d2 - c2 * d1));
    res[2][1] =
        -invdet * (a1 * (c2 * d4 - c4 * d2) + a2 * (c4 * d1 - c1 * d4) + a4 * (c1 * d2 - c2 * d1));
    res[2][2] =
        invdet * (a1 * (b2 * d4 - b4 * d2) + a2 * (b4 * d1 - b1 * d4) + a4 * (b1 * d2 - b2 * d1));
    res[2][3] =
        -invdet * (a1 * (b2 * c4 - b4 * c2) + a2 * (b4 * c1 - b1 * c4) + a4 * (b1 * c2 - b2 * c1));
    res[3][0] =
        -invdet * (b1 * (c2 * d3 - c3 * d2) + b2 * (c3 * d1 - c1 * d3) + b3 * (c1 * d2 - c2 * d1));
    res[3][1] =
        invdet * (a1 * (c2 * d3 - c3 * d2) + a2 * (c3 * d1 - c1 * d3) + a3 * (c1 * d2 - c2 * d1));
    res[3][2] =
        -invdet * (a1 * (b2 * d3 - b3 * d2) + a2 * (b3 * d1 - b1 * d3) + a3 * (b1 * d2 - b2 * d1));
    res[3][3] =
        invdet * (a1 * (b2 * c3 - b3 * c2) + a2 * (b3 * c1 - b1 * c3) + a3 * (b1 * c2 - b2 * c1));
    return res;
}

Vector3 applyToPoint(const Matrix4& m, const Vector3& v) {
    return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z + m[0][3],
            m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z + m[1][3],
            m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z + m[2][3]};
}

Matrix4 scaling(const Vector3& factors) {
    return Matrix4({factors.x, 0, 0, 0}, {0, factors.y, 0, 0}, {0, 0, factors.z, 0}, {0, 0, 0, 1});
}

Matrix4 translation(const Vector3& offset) {
    return Matrix4({1, 0, 0, offset.x}, {0, 1, 0, offset.y}, {0, 0, 1, offset.z}, {0, 0, 0, 1});
}

Decomposed decompose(const Matrix4& m) {
    Decomposed parts;
    parts.position = {m[0][3], m[1][3], m[2][3]};
    Vector3 axes[3];
    columns(linearPart(m), axes[0], axes[1], axes[2]);
    parts.scaling = {Geometry::length(axes[0]), Geometry::length(axes[1]),
                     Geometry::length(axes[2])};
    if (determinant(m) < 0) {
        parts.scaling = -1.0 * parts.scaling;
    }
    const double factors[3] = {parts.scaling.x, parts.scaling.y, parts.scaling.z};
    for (int i = 0; i < 3; ++i) {
        if (factors[i] != 0) {
            axes[i] = (1.0 / factors[i]) * axes[i];
        }
    }
    parts.rotation = Geometry::rotationFromAxes(axes[0], axes[1], axes[2]);
    return parts;
}

}  // namespace importer
}  // namespace velmora
