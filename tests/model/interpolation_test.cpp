#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "model/pipeline.h"

using namespace velmora;

using Geometry::kPi;
using Geometry::Matrix4;
using Geometry::Quaternion;
using Geometry::Vector3;
using Geometry::Vector4;

namespace {

// A turn by angle radians about z.
Quaternion aboutZ(double angle) {
    return {std::cos(angle / 2), 0, 0, std::sin(angle / 2)};
}

Keyframe key(const Quaternion& rotation, const Vector3& translation = {0, 0, 0}) {
    return {rotation, translation};
}

// Where the local transform puts the point (x, y, z).
Vector4 moved(const Matrix4& m, double x, double y, double z) {
    return m * Vector4(x, y, z, 1);
}

void expectPoint(const Vector4& p, double x, double y, double z) {
    EXPECT_NEAR(p.x, x, 1e-12);
    EXPECT_NEAR(p.y, y, 1e-12);
    EXPECT_NEAR(p.z, z, 1e-12);
    EXPECT_EQ(p.w, 1);
}

}  // namespace

// Each case gives where (1, 0, 0) lands: keys without translation, so the point
// shows the blended rotation alone.
TEST(Interpolation, RotationsTakeTheShorterArc) {
    struct Case {
        const char* what;
        Quaternion a, b;
        double t;
        double angle;  // of the expected turn about z
    };
    const Case cases[] = {
        {"t = 0 gives a", aboutZ(0.3), aboutZ(1.2), 0, 0.3},
        {"t = 1 gives b", aboutZ(0.3), aboutZ(1.2), 1, 1.2},
        {"t = 1 through -b", aboutZ(0.3), aboutZ(1.2) * -1.0, 1, 1.2},
        {"half of a half turn", {1, 0, 0, 0}, {0, 0, 0, 1}, 0.5, kPi / 2},
        {"10 and -30 degrees meet at 20", aboutZ(kPi / 18), aboutZ(kPi / 6) * -1.0, 0.5, kPi / 9},
        {"q and -q: no turn for any t", {1, 0, 0, 0}, {-1, 0, 0, 0}, 0.7, 0},
        {"extrapolated forwards", aboutZ(0), aboutZ(kPi / 2), 2, kPi},
        {"extrapolated backwards", aboutZ(0), aboutZ(kPi / 2), -1, -kPi / 2},
    };
    for (const Case& c : cases) {
        const Matrix4 local = interpolateKeys(key(c.a), key(c.b), c.t);
        SCOPED_TRACE(c.what);
        expectPoint(moved(local, 1, 0, 0), std::cos(c.angle), std::sin(c.angle), 0);
    }
}

TEST(Interpolation, NearlyEqualRotationsGiveTheFirstKeyExactly) {
    const Quaternion a = aboutZ(0.5);
    // Quaternions 2^-24 radians apart (below kEpsilon) are not blended at all;
    // 2^-21 apart (above it) they are.
    for (const double t : {0.0, 0.5, 1.0, 3.0}) {
        SCOPED_TRACE(t);
        const Vector4 close =
            moved(interpolateKeys(key(a), key(aboutZ(0.5 + std::ldexp(1.0, -23))), t), 1, 0, 0);
        const Vector4 exact = moved(Geometry::toMatrix(a), 1, 0, 0);
        EXPECT_EQ(close.x, exact.x);
        EXPECT_EQ(close.y, exact.y);
    }
    const Vector4 apart =
        moved(interpolateKeys(key(a), key(aboutZ(0.5 + std::ldexp(1.0, -20))), 1), 1, 0, 0);
    EXPECT_NE(apart.y, moved(Geometry::toMatrix(a), 1, 0, 0).y);
}
