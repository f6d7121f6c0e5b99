// Joint picking: where points project (checked against the frame's own
// projection, as the test figure's toWindow computes it), and which bone a
// click selects: the nearest joint within 12 pixels, none beyond or behind.

#include <gtest/gtest.h>

#include <cmath>

#include "drawing/joint_picking.h"
#include "tests/drawing/test_model.h"

using namespace velmora;

using Geometry::Vector3;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

Camera resetCamera() {
    Camera camera;
    camera.reset();
    return camera;
}

TEST(JointPicking, PointsProjectAsTheFrameDrawsThem) {
    const Camera camera = resetCamera();
    for (const Vector3& point : {Vector3(0, -20, 0), Vector3(30, 40, 10), Vector3(-50, 0, -80)}) {
        const auto shown = projectToWindow(camera, kWidth, kHeight, point);
        ASSERT_TRUE(shown);
        const Vector3 drawn = toWindow(point, camera, kWidth, kHeight);
        EXPECT_NEAR(shown->first, drawn.x, 1e-9);
        EXPECT_NEAR(shown->second, kHeight - drawn.y, 1e-9) << "y counts down from the top";
    }
    // The look-at point lies on the window's bottom edge, in the middle.
    const auto target = projectToWindow(camera, kWidth, kHeight, camera.target);
    EXPECT_NEAR(target->first, kWidth / 2.0, 1e-9);
    EXPECT_NEAR(target->second, kHeight, 1e-9);
    EXPECT_FALSE(projectToWindow(camera, kWidth, kHeight, {0, 30, -200})) << "behind the eye";
    EXPECT_FALSE(projectToWindow(camera, 0, kHeight, {0, 0, 0})) << "a window without area";
}

TEST(JointPicking, AClickSelectsTheNearestJointWithinTwelvePixels) {
    const Camera camera = resetCamera();
    // Bone 4 and bone 7 about 15 pixels apart across; bone 9 behind the eye,
    // where a click on the same pixel must not find it.
    const Vector3 a(0, 20, 0);
    const Vector3 b(-3, 20, 0);  // seen from -z, -x lies to the right
    const std::vector<std::pair<uint8_t, Vector3>> joints = {{4, a}, {7, b}, {9, {0, 30, -300}}};
    const auto pa = *projectToWindow(camera, kWidth, kHeight, a);
    const auto pb = *projectToWindow(camera, kWidth, kHeight, b);
    ASSERT_GT(pb.first - pa.first, 13);
    ASSERT_LT(pb.first - pa.first, 20);
    struct Row {
        const char* name;
        double dx;  // from a's picture, pixels; clicks go down by dy
        double dy;
        std::optional<uint8_t> bone;
    };
    const Row rows[] = {
        {"on the joint", 0, 0, 4},
        {"11 pixels above", 0, -11, 4},
        {"11 pixels left", -11, 0, 4},
        {"13 pixels left: none", -13, 0, std::nullopt},
        {"13 pixels below: none", 0, 13, std::nullopt},
        {"diagonal 9 + 9 (12.7): none", -9, 9, std::nullopt},
        {"nearer a than b", 0.3 * (pb.first - pa.first), 0, 4},
        {"nearer b than a", 0.7 * (pb.first - pa.first), 0, 7},
        {"beyond b", (pb.first - pa.first) + 11, 0, 7},
    };
    for (const Row& row : rows) {
        // The click's pixel centre within half a pixel of the point asked for.
        const int x = static_cast<int>(std::lround(pa.first + row.dx - 0.5));
        const int y = static_cast<int>(std::lround(pa.second + row.dy - 0.5));
        EXPECT_EQ(pickJoint(camera, kWidth, kHeight, joints, x, y), row.bone) << row.name;
    }
    EXPECT_EQ(pickJoint(camera, kWidth, kHeight, {}, 320, 240), std::nullopt) << "no joints";
}

}  // namespace
