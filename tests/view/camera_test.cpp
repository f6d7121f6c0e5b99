// The orbit camera and the window's frustum, checked through the points they
// move rather than the numbers they store.

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "tests/drawing/test_model.h"
#include "view/camera.h"
#include "view/projection.h"

using namespace velmora;

using Geometry::Vector3;
using Geometry::Vector4;

namespace {

Camera resetCamera() {
    Camera camera;
    camera.reset();
    return camera;
}

Vector4 inEyeSpace(const Camera& camera, const Vector3& point) {
    return Geometry::Matrix4(camera.viewMatrix()) * Vector4(point.x, point.y, point.z, 1);
}

// Seen from the top, the eye circles the target at radius 150, 50 units above:
//
//              +z   angle 0
//               |
//   angle 270 --T-- angle 90 (+x)
//               |
//              -z   angle 180 (the reset view)
TEST(Camera, EyeCirclesTheTargetAndLooksStraightAtIt) {
    struct Row {
        double angle;
        Vector3 eye;
    } rows[] = {{0, {0, 30, 150}}, {90, {150, 30, 0}}, {180, {0, 30, -150}}, {270, {-150, 30, 0}}};
    for (const Row& row : rows) {
        Camera camera = resetCamera();
        camera.angle = row.angle;
        camera.update();
        EXPECT_NEAR(camera.eye.x, row.eye.x, 1e-9) << row.angle;
        EXPECT_EQ(camera.eye.y, row.eye.y) << row.angle;
        EXPECT_NEAR(camera.eye.z, row.eye.z, 1e-9) << row.angle;
        const Vector4 eye = inEyeSpace(camera, camera.eye);
        EXPECT_NEAR(eye.x * eye.x + eye.y * eye.y + eye.z * eye.z, 0, 1e-9) << row.angle;
        const Vector4 target = inEyeSpace(camera, camera.target);
        EXPECT_NEAR(target.x, 0, 1e-9) << row.angle;
        EXPECT_NEAR(target.y, 0, 1e-9) << row.angle;
        EXPECT_NEAR(target.z, -std::sqrt(150.0 * 150.0 + 50.0 * 50.0), 1e-9) << row.angle;
    }
    // From the reset view world +x is on the viewer's left and up stays up.
    const Camera camera = resetCamera();
    EXPECT_EQ(camera.target.y, -20.0);
    EXPECT_LT(inEyeSpace(camera, {10, -20, 0}).x, 0);
    EXPECT_GT(inEyeSpace(camera, {0, 0, 0}).y, 0);
}

TEST(Camera, ZoomStopsAtOneAndTwoThousand) {
    struct Row {
        double step;
        int steps;
        double radius;
    } rows[] = {{-5, 29, 5}, {-5, 30, 1}, {-5, 40, 1}, {5, 370, 2000}, {5, 400, 2000}};
    for (const Row& row : rows) {
        Camera camera = resetCamera();
        for (int step = 0; step < row.steps; ++step) {
            camera.zoom(row.step, kMaxRadius, kMinRadius);
        }
        EXPECT_EQ(camera.radius, row.radius) << row.steps << " steps of " << row.step;
    }
}

TEST(Camera, RotateWrapsWithoutCarryingTheExcess) {
    struct Row {
        double from;
        double by;
        double to;
    } rows[] = {
        {180, 5, 185}, {180, -5, 175}, {5, -5, 360}, {360, 5, 0},
        {355, 5, 0},   {0, -5, 360},   {2, -5, 360}, {358, 5, 0},
    };
    for (const Row& row : rows) {
        Camera camera = resetCamera();
        camera.angle = row.from;
        camera.rotate(row.by);
        EXPECT_EQ(camera.angle, row.to) << row.from << " by " << row.by;
    }
}

TEST(Projection, FrustumFollowsTheWindowsShape) {
    struct Row {
        int width;
        int height;
        // Nothing: a window without area keeps the frustum it had.
        std::optional<double> right;
        double top;
    } rows[] = {
        {640, 480, 0.4, 0.6}, {480, 640, 0.3, 0.8}, {500, 500, 0.3, 0.6}, {1, 1000, 0.3, 600},
        {0, 0, {}, 0},        {0, 480, {}, 0},      {640, 0, {}, 0},      {-640, 480, {}, 0},
    };
    for (const Row& row : rows) {
        const auto frustum = frustumFor(row.width, row.height);
        SCOPED_TRACE(testing::Message() << row.width << "x" << row.height);
        ASSERT_EQ(frustum.has_value(), row.right.has_value());
        if (frustum) {
            EXPECT_DOUBLE_EQ(frustum->left, -*row.right);
            EXPECT_DOUBLE_EQ(frustum->right, *row.right);
            EXPECT_EQ(frustum->bottom, 0.0);
            EXPECT_DOUBLE_EQ(frustum->top, row.top);
            EXPECT_EQ(frustum->near, 1.0);
            EXPECT_EQ(frustum->far, 2000.0);
        }
    }
}

// The bottom edge's height on a vertical line lands on the window's bottom
// row, whatever the camera's angle, height and the window's shape; a point
// above it shows inside the window.
TEST(Projection, BottomEdgeHeightLandsOnTheWindowsBottomRow) {
    struct Case {
        const char* name;
        double angle;
        double eyeRise;
        int width;
        int height;
    };
    const Case cases[] = {{"reset view", 180, 0, 640, 480},
                          {"from the side", 90, 0, 640, 480},
                          {"from higher, narrow window", 180, 40, 480, 640}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Camera camera = resetCamera();
        camera.rotate(c.angle - camera.angle);
        camera.moveEyeHeight(c.eyeRise);
        camera.update();
        const Frustum frustum = *frustumFor(c.width, c.height);
        for (const auto& [x, z] : {std::pair{0.0, 0.0}, {10.0, -20.0}, {-15.0, 30.0}}) {
            const double edge = bottomEdgeHeight(camera, frustum, x, z);
            EXPECT_NEAR(toWindow({x, edge, z}, camera, c.width, c.height).y, 0.0, 1e-6);
            EXPECT_GT(toWindow({x, edge + 1, z}, camera, c.width, c.height).y, 0.0);
        }
    }
    EXPECT_NEAR(bottomEdgeHeight(resetCamera(), *frustumFor(640, 480), 0, -15), -15, 1e-9)
        << "the edge rises a third of a unit for each unit towards the camera";
}

}  // namespace
