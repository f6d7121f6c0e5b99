#include "geometry/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace velmora;

using namespace Geometry;

namespace {

constexpr double kNear = 1e-12;
const double kHalfRoot2 = std::sqrt(0.5);

// m applied to the point (x, y, z) carried with w = 1.
Vector4 moved(const Matrix4& m, double x, double y, double z) {
    return m * Vector4(x, y, z, 1);
}

void expectPoint(const Vector4& actual, double x, double y, double z, double w = 1) {
    EXPECT_NEAR(actual.x, x, kNear);
    EXPECT_NEAR(actual.y, y, kNear);
    EXPECT_NEAR(actual.z, z, kNear);
    EXPECT_NEAR(actual.w, w, kNear);
}

Matrix4 translation(double x, double y, double z) {
    return Matrix4({1, 0, 0, x}, {0, 1, 0, y}, {0, 0, 1, z}, {0, 0, 0, 1});
}

}  // namespace

TEST(Vectors, CrossProductIsRightHandedAndOrdered) {
    struct Case {
        Vector3 a, b, expected;
    };
    const Case cases[] = {
        {{1, 2, 3}, {4, 5, 6}, {-3, 6, -3}},
        {{4, 5, 6}, {1, 2, 3}, {3, -6, 3}},
        {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
        {{2, 4, 6}, {1, 2, 3}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "row " << &c - cases);
        const Vector3 r = cross(c.a, c.b);
        EXPECT_EQ(r.x, c.expected.x);
        EXPECT_EQ(r.y, c.expected.y);
        EXPECT_EQ(r.z, c.expected.z);
    }
}

TEST(Vectors, NormalizeDividesByTheLengthAndLeavesItsOperand) {
    const Vector3 v(3, 4, 12);
    const Vector3 unit = normalize(v);
    EXPECT_EQ(unit.x, 3.0 / 13);
    EXPECT_EQ(unit.z, 12.0 / 13);
    EXPECT_EQ(v.x, 3);
    EXPECT_EQ(v.z, 12);
    EXPECT_EQ(normalize({0, 0, -2}).z, -1);
    // 7 / 9 and 7 * (1 / 9) differ in the last place: the component is divided.
    EXPECT_EQ(normalize({4, 4, 7}).z, 7.0 / 9);
    // The squares are summed x, then y, then z: (1 + y^2) + z^2 rounds up to
    // 1 + 2^-51 here, while 1 + (y^2 + z^2) would round to 1 + 2^-52.
    const double small = 1.5 * std::ldexp(1.0, -27);
    EXPECT_EQ(normalize({1, small, small}).x, 1 / std::sqrt(1 + std::ldexp(1.0, -51)));
}

TEST(Vectors, NormalizeRefusesZeroAndNotANumberLengths) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(normalize({0, 0, 0}), ZeroDivide);
    EXPECT_THROW(normalize({1, nan, 0}), ZeroDivide);
    EXPECT_THROW(normalize(cross({1, 2, 3}, {2, 4, 6})), ZeroDivide);
}

TEST(Matrices, ProductAppliesTheRightOperandFirst) {
    Matrix4 a = translation(1, 2, 3);
    const Matrix4 quarterTurnAboutZ({0, -1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1});
    expectPoint(moved(a * quarterTurnAboutZ, 1, 0, 0), 1, 3, 3);
    a *= quarterTurnAboutZ;
    expectPoint(moved(a, 1, 0, 0), 1, 3, 3);
    expectPoint(moved(Matrix4(), 4, 5, 6), 4, 5, 6);
}

TEST(Matrices, SquaringInPlaceUsesTheOldElements) {
    const Matrix4 shear({1, 2, 0, 1}, {0, 1, 3, 0}, {0, 0, 1, 2}, {0, 0, 0, 1});
    Matrix4 squared = shear;
    squared *= squared;
    const Vector4 twice = shear * (shear * Vector4(1, 1, 1, 1));
    expectPoint(squared * Vector4(1, 1, 1, 1), twice.x, twice.y, twice.z);
}

TEST(Matrices, VectorWeightSelectsTheTranslation) {
    const Matrix4 m = translation(10, 20, 30);
    expectPoint(m * Vector4(1, 2, 3, 0), 1, 2, 3, 0);
    expectPoint(m * Vector4(1, 2, 3, 1), 11, 22, 33, 1);
    // No division by w: a bottom row other than (0, 0, 0, 1) shows in w only.
    const Matrix4 projective({1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 1, 0});
    expectPoint(moved(projective, 1, 2, 4), 1, 2, 4, 4);
}

TEST(Matrices, GLMatrixIsColumnMajorAndConvertsBack) {
    const Matrix4 m({1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16});
    const GLMatrix g(m);
    // Column-major: the translation column is stored last.
    EXPECT_EQ(g[12], 4);
    EXPECT_EQ(g[14], 12);
    expectPoint(moved(Matrix4(g), 1, 0, 1), 8, 20, 32, 44);
}

TEST(Matrices, LookAtMovesTheEyeToTheOriginLookingDownMinusZ) {
    const Matrix4 view = lookAt({0, 0, 5}, {0, 0, 0}, {0, 1, 0});
    expectPoint(moved(view, 1, 2, 0), 1, 2, -5);
    // Seen from (3, 0, 0): the centre lies ahead and +z is on the left.
    const Matrix4 side = lookAt({3, 0, 0}, {0, 0, 0}, {0, 1, 0});
    expectPoint(moved(side, 0, 0, 0), 0, 0, -3);
    expectPoint(moved(side, 0, 0, 1), -1, 0, -3);
    expectPoint(moved(side, 3, 1, 0), 0, 1, 0);
}

TEST(Matrices, LookAtRefusesDegenerateViews) {
    EXPECT_THROW(lookAt({1, 2, 3}, {1, 2, 3}, {0, 1, 0}), ZeroDivide);
    EXPECT_THROW(lookAt({0, 5, 0}, {0, 0, 0}, {0, 1, 0}), ZeroDivide);
}

TEST(Matrices, MakeTransformScalesThenRotatesXYZThenTranslates) {
    struct Case {
        Vector3 scale, angles, translation, point, expected;
    };
    const Case cases[] = {
        {{1, 1, 1}, {0, 0, 90}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
        {{2, 3, 4}, {0, 0, 0}, {0, 0, 0}, {1, 1, 1}, {2, 3, 4}},
        // Scale before rotation: x is doubled, then turned onto y.
        {{2, 1, 1}, {0, 0, 90}, {0, 0, 0}, {1, 0, 0}, {0, 2, 0}},
        // x rotation before y: (0, 1, 0) -> (0, 0, 1) -> (1, 0, 0).
        {{1, 1, 1}, {90, 90, 0}, {0, 0, 0}, {0, 1, 0}, {1, 0, 0}},
        // y rotation before z: (0, 0, 1) -> (1, 0, 0) -> (0, 1, 0); then moved.
        {{1, 1, 1}, {0, 90, 90}, {5, 0, 0}, {0, 0, 1}, {5, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "row " << &c - cases);
        const Matrix4 m(makeTransform(c.scale, c.angles, c.translation));
        expectPoint(moved(m, c.point.x, c.point.y, c.point.z), c.expected.x, c.expected.y,
                    c.expected.z);
    }
}

TEST(Quaternions, ToMatrixRotatesUnitQuaternions) {
    struct Case {
        Quaternion q;
        Vector3 point, expected;
    };
    const Case cases[] = {
        {{1, 0, 0, 0}, {1, 2, 3}, {1, 2, 3}},
        {{kHalfRoot2, 0, 0, kHalfRoot2}, {1, 0, 0}, {0, 1, 0}},
        {{-kHalfRoot2, 0, 0, -kHalfRoot2}, {1, 0, 0}, {0, 1, 0}},
        {{0, 1, 0, 0}, {1, 1, 1}, {1, -1, -1}},
        {{kHalfRoot2, kHalfRoot2, 0, 0}, {0, 1, 0}, {0, 0, 1}},
        // Not normalised: w enters only through its products with x, y and z.
        {{2, 0, 0, 0}, {1, 2, 3}, {1, 2, 3}},
        {{0, 0, 0, 0}, {1, 2, 3}, {1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "row " << &c - cases);
        expectPoint(moved(toMatrix(c.q), c.point.x, c.point.y, c.point.z), c.expected.x,
                    c.expected.y, c.expected.z);
    }
}

TEST(Quaternions, DotAccumulatesFromWToZ) {
    // From w on, each tiny term is lost against 1; from z on they would add up
    // to 2^-52 first and survive.
    const double tiny = std::ldexp(1.0, -53);
    EXPECT_EQ(dot({1, tiny, tiny, 0}, {1, 1, 1, 1}), 1.0);
    const Quaternion q(0.5, -0.5, 0.5, -0.5);
    EXPECT_EQ(dot(q, q), 1.0);
    const Quaternion sum = q * -2.0 + Quaternion(1, 1, 1, 1);
    EXPECT_EQ(sum.w, 0);
    EXPECT_EQ(sum.x, 2);
}

TEST(Angles, RadiansDivideBy180Last) {
    EXPECT_EQ(radians(180), kPi);
    EXPECT_EQ(radians(-90), -kPi / 2);
    // 1.2 * pi / 180 and 1.2 * pi * (1 / 180) differ in the last place.
    EXPECT_EQ(radians(1.2), 1.2 * kPi / 180);
    EXPECT_NE(radians(1.2), kPi * 1.2 * (1.0 / 180));
    EXPECT_EQ(degrees(kPi / 2), 90);
}

TEST(Quaternions, RotationFromAxesInvertsToMatrixOnEveryBranch) {
    const double c = std::cos(1.3), s = std::sin(1.3);
    const Quaternion cases[] = {
        {0.9, 0.1, -0.3, 0.3},         // trace above 0
        {0.1, c, s * 0.6, s * 0.8},    // x dominates
        {0.1, s * 0.6, c, -s * 0.8},   // y dominates
        {-0.1, s * 0.8, -s * 0.6, c},  // z dominates
    };
    for (const Quaternion& raw : cases) {
        const Quaternion q = normalize(raw);
        SCOPED_TRACE(::testing::Message() << q.w << " " << q.x << " " << q.y << " " << q.z);
        const Matrix4 m = toMatrix(q);
        const Quaternion back = rotationFromAxes(
            {m[0][0], m[1][0], m[2][0]}, {m[0][1], m[1][1], m[2][1]}, {m[0][2], m[1][2], m[2][2]});
        // q and -q are the same rotation.
        EXPECT_NEAR(std::fabs(dot(back, q)), 1, kNear);
        EXPECT_NEAR(dot(back, back), 1, kNear);
    }
}

TEST(Quaternions, NormalizeKeepsZeroAndScalesByTheReciprocalLength) {
    const Quaternion unit = normalize({0, 3, 0, 4});
    EXPECT_EQ(unit.x, 3 * (1.0 / 5));
    EXPECT_EQ(unit.z, 4 * (1.0 / 5));
    const Quaternion zero = normalize({0, 0, 0, 0});
    EXPECT_EQ(dot(zero, zero), 0);
}
