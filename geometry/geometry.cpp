#include "geometry/geometry.h"

#include <cmath>

namespace velmora {

namespace Geometry {

namespace {
constexpr double kOneOver180 = 0.005555555555555556;
}  // namespace

Vector3 operator-(const Vector3& a, const Vector3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vector3 operator+(const Vector3& a, const Vector3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

Vector3 operator*(double s, const Vector3& v) {
    return {s * v.x, s * v.y, s * v.z};
}

double dot(const Vector3& a, const Vector3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

double length(const Vector3& v) {
    return std::sqrt(dot(v, v));
}

bool isFinite(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

Vector3 lerp(const Vector3& a, const Vector3& b, double t) {
    return a + t * (b - a);
}

double lerp(double a, double b, double t) {
    return a + t * (b - a);
}

Vector3 cross(const Vector3& a, const Vector3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vector3 normalize(const Vector3& v) {
    const double size = length(v);
    // A square root is never negative, so this refuses exactly zero and NaN.
    if (!(size > 0.0)) {
        throw ZeroDivide{};
    }
    return {v.x / size, v.y / size, v.z / size};
}

Matrix4::Matrix4() : rows{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}} {}

Matrix4::Matrix4(const Vector4& r0, const Vector4& r1, const Vector4& r2, const Vector4& r3)
    : rows{r0, r1, r2, r3} {}

Matrix4::Matrix4(const GLMatrix& g) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            rows[r][c] = g[4 * c + r];
        }
    }
}

GLMatrix::GLMatrix(const Matrix4& m) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            values[4 * c + r] = m[r][c];
        }
    }
}

Matrix4& Matrix4::operator*=(const Matrix4& b) {
    Matrix4 product;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            product[i][j] = rows[i][0] * b[0][j] + rows[i][1] * b[1][j] + rows[i][2] * b[2][j] +
                            rows[i][3] * b[3][j];
        }
    }
    *this = product;
    return *this;
}

Matrix4 operator*(Matrix4 a, const Matrix4& b) {
    a *= b;
    return a;
}

Vector4 operator*(const Matrix4& m, const Vector4& v) {
    Vector4 r;
    for (int i = 0; i < 4; ++i) {
        r[i] = m[i][0] * v[0] + m[i][1] * v[1] + m[i][2] * v[2] + m[i][3] * v[3];
    }
    return r;
}

Matrix4 lookAt(const Vector3& eye, const Vector3& centre, const Vector3& up) {
    const Vector3 f = normalize(eye - centre);
    const Vector3 s = normalize(cross(up, f));
    const Vector3 u = normalize(cross(f, s));
    Matrix4 view({s.x, s.y, s.z, 0}, {u.x, u.y, u.z, 0}, {f.x, f.y, f.z, 0}, {0, 0, 0, 1});
    const Matrix4 translation({1, 0, 0, -eye.x}, {0, 1, 0, -eye.y}, {0, 0, 1, -eye.z},
                              {0, 0, 0, 1});
    view *= translation;
    return view;
}

GLMatrix makeTransform(const Vector3& scale, const Vector3& angles, const Vector3& translation) {
    const double ax = (kPi * angles.x) * kOneOver180;
    const double ay = (kPi * angles.y) * kOneOver180;
    const double az = (kPi * angles.z) * kOneOver180;
    const double cx = std::cos(ax), sx = std::sin(ax);
    const double cy = std::cos(ay), sy = std::sin(ay);
    const double cz = std::cos(az), sz = std::sin(az);
    GLMatrix g;
    g[0] = scale.x * cy * cz;
    g[1] = scale.x * cy * sz;
    g[2] = -scale.x * sy;
    g[3] = 0;
    g[4] = scale.y * (sx * sy * cz - cx * sz);
    g[5] = scale.y * (sx * sy * sz + cx * cz);
    g[6] = scale.y * sx * cy;
    g[7] = 0;
    g[8] = scale.z * (cx * sy * cz + sx * sz);
    g[9] = scale.z * (cx * sy * sz - sx * cz);
    g[10] = scale.z * cx * cy;
    g[11] = 0;
    g[12] = translation.x;
    g[13] = translation.y;
    g[14] = translation.z;
    g[15] = 1;
    return g;
}

double dot(const Quaternion& a, const Quaternion& b) {
    double sum = 0.0;
    sum += a.w * b.w;
    sum += a.x * b.x;
    sum += a.y * b.y;
    sum += a.z * b.z;
    return sum;
}

Quaternion operator*(const Quaternion& q, double s) {
    return {s * q.w, s * q.x, s * q.y, s * q.z};
}

Quaternion operator+(const Quaternion& a, const Quaternion& b) {
    return {a.w + b.w, a.x + b.x, a.y + b.y, a.z + b.z};
}

Quaternion operator*(const Quaternion& a, const Quaternion& b) {
    return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z,
            a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

Vector3 rotate(const Quaternion& q, const Vector3& v) {
    const Vector3 axis(q.x, q.y, q.z);
    const Vector3 t = 2.0 * cross(axis, v);
    return v + q.w * t + cross(axis, t);
}

Quaternion slerp(const Quaternion& a, const Quaternion& b, double t) {
    double d = dot(a, b);
    Quaternion target = b;
    if (d < 0) {
        d = -d;
        target = b * -1.0;
    }
    const double theta = std::acos(d);
    // Written so that a NaN angle also keeps a.
    if (!(std::fabs(theta) >= kEpsilon)) {
        return a;
    }
    const double w1 = std::sin(theta - theta * t) / std::sin(theta);
    const double w2 = std::sin(theta * t) / std::sin(theta);
    return a * w1 + target * w2;
}

Quaternion normalize(const Quaternion& q) {
    const double size = std::sqrt(dot(q, q));
    if (size == 0.0) {
        return q;
    }
    return q * (1.0 / size);
}

double angleBetween(const Quaternion& a, const Quaternion& b) {
    const double cosine = std::fabs(dot(normalize(a), normalize(b)));
    // Rounding may take the cosine of equal rotations just past 1.
    return 2 * std::acos(cosine > 1 ? 1 : cosine);
}

Quaternion rotationFromAxes(const Vector3& x, const Vector3& y, const Vector3& z) {
    const double trace = x.x + y.y + z.z;
    Quaternion q;
    if (trace > 0) {
        const double s = 2 * std::sqrt(1 + trace);
        q = {s / 4, (y.z - z.y) / s, (z.x - x.z) / s, (x.y - y.x) / s};
    } else if (x.x > y.y && x.x > z.z) {
        const double s = 2 * std::sqrt(1 + x.x - y.y - z.z);
        q = {(y.z - z.y) / s, s / 4, (y.x + x.y) / s, (z.x + x.z) / s};
    } else if (y.y > z.z) {
        const double s = 2 * std::sqrt(1 + y.y - x.x - z.z);
        q = {(z.x - x.z) / s, (y.x + x.y) / s, s / 4, (z.y + y.z) / s};
    } else {
        const double s = 2 * std::sqrt(1 + z.z - x.x - y.y);
        q = {(x.y - y.x) / s, (z.x + x.z) / s, (z.y + y.z) / s, s / 4};
    }
    return normalize(q);
}

Matrix4 toMatrix(const Quaternion& q) {
    const double w = q.w, x = q.x, y = q.y, z = q.z;
    return Matrix4({1 - 2 * y * y - 2 * z * z, 2 * x * y - 2 * w * z, 2 * w * y + 2 * x * z, 0},
                   {2 * w * z + 2 * x * y, 1 - 2 * x * x - 2 * z * z, 2 * y * z - 2 * w * x, 0},
                   {2 * x * z - 2 * w * y, 2 * w * x + 2 * y * z, 1 - 2 * x * x - 2 * y * y, 0},
                   {0, 0, 0, 1});
}

Quaternion inverse(const Quaternion& q) {
    return {q.w, -q.x, -q.y, -q.z};
}

Quaternion axisAngle(const Vector3& axis, double angle) {
    const Vector3 unit = normalize(axis);
    const double s = std::sin(angle / 2);
    return {std::cos(angle / 2), unit.x * s, unit.y * s, unit.z * s};
}

Quaternion rotationBetween(const Vector3& from, const Vector3& to) {
    const Vector3 a = normalize(from);
    const Vector3 b = normalize(to);
    const double cosine = dot(a, b);
    if (cosine < -1 + 1e-12) {
        Vector3 axis = cross(a, Vector3(1, 0, 0));
        if (length(axis) < 1e-6) {
            axis = cross(a, Vector3(0, 1, 0));
        }
        return axisAngle(axis, kPi);
    }
    const Vector3 axis = cross(a, b);
    return normalize(Quaternion(1 + cosine, axis.x, axis.y, axis.z));
}

Vector3 rotationVector(const Quaternion& q) {
    const Quaternion unit = q.w < 0 ? q * -1.0 : q;
    const Vector3 axis(unit.x, unit.y, unit.z);
    const double sine = length(axis);
    if (sine < 1e-15) {
        return {0, 0, 0};
    }
    const double angle = 2 * std::atan2(sine, unit.w);
    return (angle / sine) * axis;
}

Quaternion fromRotationVector(const Vector3& v) {
    const double angle = length(v);
    if (angle < 1e-15) {
        return {1, 0, 0, 0};
    }
    return axisAngle(v, angle);
}

}  // namespace Geometry

}  // namespace velmora
