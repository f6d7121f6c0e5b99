#pragma once

namespace velmora {

// Double-precision vectors, 4x4 matrices and quaternions: the one vocabulary of
// vector arithmetic for the viewer and the tools.
//
// Conventions
//   - Right-handed axes; a positive angle turns counter-clockwise when seen
//     from the tip of its axis looking back at the origin.
//   - Vectors are columns: a point p is transformed as M * p, translations sit in
//     the last column and the last row of an affine transform is (0, 0, 0, 1).
//     In a product A * B applied to a point, B acts first.
//   - Matrix4 is the row-major working form (rows[r] is row r). GLMatrix holds the
//     same sixteen numbers column after column, the order glMultMatrixd reads.
//   - Angles are radians, except makeTransform, which takes degrees.
//   - Quaternion components are ordered w, x, y, z (scalar part first); in a
//     product a * b applied to a point, b acts first.
//   - Nothing here allocates. Only normalize of a vector (and lookAt through it)
//     refuses its input; it throws ZeroDivide, the library's one exception.
//     Infinities and NaNs pass through everything else.

namespace Geometry {

constexpr double kPi = 3.141592653589793;

// angle * kPi / 180, in that order. makeTransform and the camera multiply by
// the rounded 1 / 180 instead, which can differ in the last place.
constexpr double radians(double angle) {
    return angle * kPi / 180.0;
}
constexpr double degrees(double angle) {
    return angle * (180 / kPi);
}

// Smallest angle between two key rotations that keyframe interpolation blends
// (2^-23, the single-precision machine epsilon held as a double).
constexpr double kEpsilon = 1.1920928955078125e-07;

// Thrown by value when a division by a zero (or NaN) length is refused.
struct ZeroDivide {};

struct Vector3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    constexpr Vector3() = default;
    constexpr Vector3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
};

struct Vector4 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double w = 0.0;

    constexpr Vector4() = default;
    constexpr Vector4(double x_, double y_, double z_, double w_) : x(x_), y(y_), z(z_), w(w_) {}

    double operator[](int i) const { return (&x)[i]; }
    double& operator[](int i) { return (&x)[i]; }
};

Vector3 operator-(const Vector3& a, const Vector3& b);
Vector3 operator+(const Vector3& a, const Vector3& b);
Vector3 operator*(double s, const Vector3& v);

// a.x * b.x + a.y * b.y + a.z * b.z, summed left to right.
double dot(const Vector3& a, const Vector3& b);
double length(const Vector3& v);
// a + t * (b - a): exactly a at t = 0; b at t = 1 up to rounding.
Vector3 lerp(const Vector3& a, const Vector3& b, double t);
double lerp(double a, double b, double t);

// Whether every component is a number other than an infinity.
bool isFinite(const Vector3& v);

// Right-handed cross product a x b.
Vector3 cross(const Vector3& a, const Vector3& b);

// v divided (component by component) by length(v); throws ZeroDivide when the
// length is zero or not a number. v itself is left unchanged.
Vector3 normalize(const Vector3& v);

struct GLMatrix;

struct Matrix4 {
    Vector4 rows[4];

    // The identity.
    Matrix4();
    Matrix4(const Vector4& r0, const Vector4& r1, const Vector4& r2, const Vector4& r3);
    explicit Matrix4(const GLMatrix& g);

    const Vector4& operator[](int r) const { return rows[r]; }
    Vector4& operator[](int r) { return rows[r]; }

    // this <- this * b. Every element is computed from the unchanged operands
    // before any is written, so b may be *this.
    Matrix4& operator*=(const Matrix4& b);
};

struct GLMatrix {
    double values[16] = {};

    GLMatrix() = default;
    explicit GLMatrix(const Matrix4& m);

    const double* data() const { return values; }
    double operator[](int i) const { return values[i]; }
    double& operator[](int i) { return values[i]; }
};

// a * b as a new matrix, summed as operator*= sums.
Matrix4 operator*(Matrix4 a, const Matrix4& b);

// m * v with all four components of v; there is no division by w.
Vector4 operator*(const Matrix4& m, const Vector4& v);

// View matrix mapping the eye to the origin and centre onto the negative z axis,
// up towards +y. Throws ZeroDivide when eye equals centre or up is parallel to
// eye - centre.
Matrix4 lookAt(const Vector3& eye, const Vector3& centre, const Vector3& up);

// T * Rz * Ry * Rx * S with angles in degrees: a point is scaled, rotated about
// x, then y, then z, then translated. With unit scale and zero angles the result
// is exactly the identity with the translation in the last column.
GLMatrix makeTransform(const Vector3& scale, const Vector3& angles, const Vector3& translation);

struct Quaternion {
    double w = 0.0;
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    constexpr Quaternion() = default;
    constexpr Quaternion(double w_, double x_, double y_, double z_) : w(w_), x(x_), y(y_), z(z_) {}
};

// Accumulated from 0.0 in the order w, x, y, z.
double dot(const Quaternion& a, const Quaternion& b);
Quaternion operator*(const Quaternion& q, double s);
Quaternion operator+(const Quaternion& a, const Quaternion& b);
// The Hamilton product: the rotation by b followed by the rotation by a.
Quaternion operator*(const Quaternion& a, const Quaternion& b);

// v rotated by the unit quaternion q (q v q^-1, without forming the matrix).
Vector3 rotate(const Quaternion& q, const Vector3& v);

// Spherical interpolation from a (t = 0) to b (t = 1) along the shorter arc:
// b is negated when the two lie in opposite hemispheres. When the angle between
// them is below kEpsilon (or not a number) the result is a itself. t outside
// [0, 1] extrapolates along the same arc. Neither input is normalised.
Quaternion slerp(const Quaternion& a, const Quaternion& b, double t);

// q times the reciprocal of its length sqrt(dot(q, q)). Unlike the vector form
// it throws nothing: a zero quaternion is returned as it is, and NaNs pass
// through.
Quaternion normalize(const Quaternion& q);

// The angle in radians (0 to pi) of the rotation that carries the rotation of
// a to that of b, each quaternion taken at unit length: 2 acos |dot|, so that
// q and -q, the same rotation, are 0 apart. A zero quaternion is pi from any;
// NaNs pass through.
double angleBetween(const Quaternion& a, const Quaternion& b);

// The unit quaternion of the rotation matrix whose columns are x, y and z (an
// orthonormal, right-handed basis). The square root is taken of the largest of
// the trace and the diagonal terms, so it never meets a small number.
Quaternion rotationFromAxes(const Vector3& x, const Vector3& y, const Vector3& z);

// The inverse of the unit quaternion q: the rotation that undoes q's.
Quaternion inverse(const Quaternion& q);

// Right-handed rotation by angle (radians) about axis (any length but zero;
// a zero axis throws ZeroDivide).
Quaternion axisAngle(const Vector3& axis, double angle);

// The smallest rotation taking direction from onto direction to (neither of
// zero length); for opposite directions, a half turn about an axis across.
Quaternion rotationBetween(const Vector3& from, const Vector3& to);

// Axis times angle (radians, 0 to pi) of the rotation of q, and back: small
// deflections add and scale in this form.
Vector3 rotationVector(const Quaternion& q);
Quaternion fromRotationVector(const Vector3& v);

// Rotation matrix of q, no translation. Assumes a unit quaternion and does not
// normalise: another length gives a matrix that is not a rotation.
Matrix4 toMatrix(const Quaternion& q);

}  // namespace Geometry

}  // namespace velmora
