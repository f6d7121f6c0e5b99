// The orbit camera and the window's frustum, checked through the points they
// move rather than the numbers they store.

#include <gtest/gtest.h>

#include <cmath>

#include "app/camera.h"
#include "app/projection.h"
#include "tests/app/test_model.h"

using Geometry::Matrix4;
using Geometry::Vector3;
using Geometry::Vector4;

namespace {

Camera resetCamera() {
    Camera camera;
    camera.reset();
    return camera;
}

// point in the camera's eye coordinates.
Vector4 inEyeSpace(const Camera& camera, const Vector3& point) {
    return Matrix4(camera.viewMatrix()) * Vector4(point.x, point.y, point.z, 1);
}

TEST(Camera, ResetLooksFromBehindAndAboveAtThePointBelowTheOrigin) {
    const Camera camera = resetCamera();
    // sin(pi) * 150 is not exactly 0 in double arithmetic.
    EXPECT_NE(camera.eye.x, 0.0);
    EXPECT_NEAR(camera.eye.x, 0.0, 1e-13);
    EXPECT_EQ(camera.eye.y, 30.0);
    EXPECT_EQ(camera.eye.z, -150.0);
    EXPECT_EQ(camera.target.x, 0.0);
    EXPECT_EQ(camera.target.y, -20.0);
    EXPECT_EQ(camera.target.z, 0.0);
}

TEST(Camera, ViewMatrixPutsTheEyeAtTheOriginAndTheTargetStraightAhead) {
    const Camera camera = resetCamera();
    const Vector4 eye = inEyeSpace(camera, camera.eye);
    EXPECT_NEAR(eye.x, 0, 1e-9);
    EXPECT_NEAR(eye.y, 0, 1e-9);
    EXPECT_NEAR(eye.z, 0, 1e-9);
    const Vector4 target = inEyeSpace(camera, camera.target);
    EXPECT_NEAR(target.x, 0, 1e-9);
    EXPECT_NEAR(target.y, 0, 1e-9);
    EXPECT_NEAR(target.z, -std::sqrt(150.0 * 150.0 + 50.0 * 50.0), 1e-9);
    // Looking from -z towards +z, world +x is on the viewer's left and up stays up.
    EXPECT_LT(inEyeSpace(camera, {10, -20, 0}).x, 0);
    EXPECT_GT(inEyeSpace(camera, {0, 0, 0}).y, 0);
}

TEST(Camera, AngleDecidesWhichSideOfTheTargetTheEyeIsOn) {
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
    }
}

TEST(Camera, ZoomStopsAtOneAndTwoThousand) {
    Camera camera = resetCamera();
    for (int step = 0; step < 29; ++step) {
        camera.zoom(-5, 2000, 1);
    }
    EXPECT_EQ(camera.radius, 5);
    camera.zoom(-5, 2000, 1);
    EXPECT_EQ(camera.radius, 1);
    camera.zoom(-5, 2000, 1);
    EXPECT_EQ(camera.radius, 1);

    camera = resetCamera();
    for (int step = 0; step < 370; ++step) {
        camera.zoom(5, 2000, 1);
    }
    EXPECT_EQ(camera.radius, 2000);
    camera.zoom(5, 2000, 1);
    EXPECT_EQ(camera.radius, 2000);
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

TEST(Camera, MovesChangeOnlyWhatTheySay) {
    Camera camera = resetCamera();
    camera.raise(-5);
    EXPECT_EQ(camera.eye.y, 25);
    EXPECT_EQ(camera.target.y, -25);

    camera = resetCamera();
    camera.moveEyeHeight(5);
    EXPECT_EQ(camera.eye.y, 35);
    EXPECT_EQ(camera.target.y, -20);

    // The circle's centre moves, so the eye follows once update has run.
    camera = resetCamera();
    const double eyeX = camera.eye.x;
    camera.moveTarget(Axis::X, 5);
    EXPECT_EQ(camera.eye.x, eyeX);
    camera.update();
    EXPECT_NEAR(camera.eye.x, eyeX + 5, 1e-12);

    // The eye's height is its own: it does not follow the target.
    camera = resetCamera();
    camera.moveTarget(Axis::Y, 5);
    camera.update();
    EXPECT_EQ(camera.target.y, -15);
    EXPECT_EQ(camera.eye.y, 30);

    camera = resetCamera();
    camera.moveTarget(Axis::Z, -5);
    camera.update();
    EXPECT_EQ(camera.target.z, -5);
    EXPECT_EQ(camera.eye.z, -155);
}

TEST(Projection, FrustumFollowsTheWindowsShape) {
    struct Row {
        int width;
        int height;
        double left;
        double right;
        double top;
    } rows[] = {
        {640, 480, -0.4, 0.4, 0.6},
        {480, 640, -0.3, 0.3, 0.8},
        {500, 500, -0.3, 0.3, 0.6},
        {1, 1000, -0.3, 0.3, 600},
    };
    for (const Row& row : rows) {
        const auto frustum = frustumFor(row.width, row.height);
        ASSERT_TRUE(frustum) << row.width << "x" << row.height;
        EXPECT_DOUBLE_EQ(frustum->left, row.left) << row.width << "x" << row.height;
        EXPECT_DOUBLE_EQ(frustum->right, row.right) << row.width << "x" << row.height;
        EXPECT_EQ(frustum->bottom, 0.0);
        EXPECT_DOUBLE_EQ(frustum->top, row.top) << row.width << "x" << row.height;
        EXPECT_EQ(frustum->near, 1.0);
        EXPECT_EQ(frustum->far, 2000.0);
    }
}

TEST(Projection, WindowWithoutAreaKeepsTheFrustumItHad) {
    EXPECT_FALSE(frustumFor(0, 0));
    EXPECT_FALSE(frustumFor(0, 480));
    EXPECT_FALSE(frustumFor(640, 0));
    EXPECT_FALSE(frustumFor(-640, 480));
}

TEST(Projection, LookAtPointSitsAtTheMiddleOfTheBottomEdge) {
    const Camera camera = resetCamera();
    for (const auto& size : {std::pair{640, 480}, std::pair{480, 640}, std::pair{500, 500}}) {
        const Vector3 target = toWindow(camera.target, camera, size.first, size.second);
        EXPECT_NEAR(target.x, size.first / 2.0, 1e-6);
        EXPECT_NEAR(target.y, 0.0, 1e-6);
        // A point above the target is inside the window.
        const Vector3 above = toWindow({0, 20, 0}, camera, size.first, size.second);
        EXPECT_GT(above.y, 0.0);
        EXPECT_LT(above.y, size.second);
    }
}

}  // namespace
