// Every key of both tables, keys without an action, and the guards where no
// model or no animation is there to act on.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/keys.h"
#include "tests/app/fakes.h"

using Geometry::Vector3;

namespace {

class Keys : public testing::Test {
  protected:
    Keys() { camera.reset(); }

    // The camera's eye as update derives it from the other fields.
    Vector3 derivedEye() const {
        const double theta = 3.141592653589793 * camera.angle / 180;
        return Vector3(std::sin(theta) * camera.radius + camera.target.x, camera.eye.y,
                       std::cos(theta) * camera.radius + camera.target.z);
    }

    EventLog log;
    FakeMenus menus{log};
    FakeDialogs dialogs{log};
    Camera camera;
    Viewer viewer{camera, menus, dialogs};
};

TEST_F(Keys, CameraKeysMoveByFiveUnitsOrDegrees) {
    struct Row {
        unsigned char key;
        Vector3 target;
        double eyeHeight;
        double radius;
        double angle;
    } rows[] = {
        {'+', {0, -20, 0}, 30, 145, 180},
        {'-', {0, -20, 0}, 30, 155, 180},
        {'.', {0, -20, 0}, 30, 150, 185},
        {'0', {0, -20, 0}, 30, 150, 175},
        {'1', {0, -20, 0}, 25, 150, 180},
        {'9', {0, -20, 0}, 35, 150, 180},
        {'2', {0, -20, -5}, 30, 150, 180},
        {'8', {0, -20, 5}, 30, 150, 180},
        {'4', {-5, -20, 0}, 30, 150, 180},
        {'6', {5, -20, 0}, 30, 150, 180},
        // No action: the digits 3 and 7, upper-case letters, others.
        {'3', {0, -20, 0}, 30, 150, 180},
        {'7', {0, -20, 0}, 30, 150, 180},
        {'B', {0, -20, 0}, 30, 150, 180},
        {'M', {0, -20, 0}, 30, 150, 180},
        {'x', {0, -20, 0}, 30, 150, 180},
        {200, {0, -20, 0}, 30, 150, 180},
    };
    for (const Row& row : rows) {
        camera.reset();
        EXPECT_EQ(onKey(viewer, row.key), KeyOutcome::Continue);
        SCOPED_TRACE(testing::Message() << "key '" << row.key << "'");
        EXPECT_EQ(camera.target.x, row.target.x);
        EXPECT_EQ(camera.target.y, row.target.y);
        EXPECT_EQ(camera.target.z, row.target.z);
        EXPECT_EQ(camera.eye.y, row.eyeHeight);
        EXPECT_EQ(camera.radius, row.radius);
        EXPECT_EQ(camera.angle, row.angle);
        const Vector3 eye = derivedEye();
        EXPECT_EQ(camera.eye.x, eye.x);
        EXPECT_EQ(camera.eye.z, eye.z);
    }
}

TEST_F(Keys, EveryKeyButEscapeDerivesTheEyeAgain) {
    for (int key = 0; key < 256; ++key) {
        if (key == kEscapeKey) {
            continue;
        }
        camera.reset();
        camera.target.x = 7;  // moved without update: the eye is stale
        onKey(viewer, static_cast<unsigned char>(key));
        EXPECT_NEAR(camera.eye.x, derivedEye().x, 1e-12) << "key " << key;
    }
    for (int key : {kKeyLeft, kKeyUp, kKeyRight, kKeyDown, 1, 104, 200}) {
        camera.reset();
        camera.target.x = 7;
        onSpecialKey(viewer, key);
        EXPECT_NEAR(camera.eye.x, derivedEye().x, 1e-12) << "special key " << key;
    }
}

TEST_F(Keys, EscapeAsksToExitAndTouchesNothing) {
    camera.target.x = 7;
    const double staleEye = camera.eye.x;
    EXPECT_EQ(onKey(viewer, kEscapeKey), KeyOutcome::Exit);
    EXPECT_EQ(camera.eye.x, staleEye);
}

TEST_F(Keys, FiveRestoresTheResetViewAfterAnyMoves) {
    for (unsigned char key : {'+', '+', '0', '1', '2', '4', '9', '.', '-', '6', '8'}) {
        onKey(viewer, key);
    }
    onSpecialKey(viewer, kKeyUp);
    onKey(viewer, '5');
    Camera reset;
    reset.reset();
    EXPECT_EQ(camera.eye.x, reset.eye.x);
    EXPECT_EQ(camera.eye.y, reset.eye.y);
    EXPECT_EQ(camera.eye.z, reset.eye.z);
    EXPECT_EQ(camera.target.y, reset.target.y);
    EXPECT_EQ(camera.radius, reset.radius);
    EXPECT_EQ(camera.angle, reset.angle);
}

TEST_F(Keys, LowerCaseLettersToggleTheDisplaySwitches) {
    ASSERT_TRUE(viewer.showMesh);
    ASSERT_FALSE(viewer.showBones);
    onKey(viewer, 'B');
    onKey(viewer, 'M');
    EXPECT_TRUE(viewer.showMesh);
    EXPECT_FALSE(viewer.showBones);
    onKey(viewer, 'b');
    EXPECT_TRUE(viewer.showBones);
    onKey(viewer, 'b');
    EXPECT_FALSE(viewer.showBones);
    onKey(viewer, 'm');
    EXPECT_FALSE(viewer.showMesh);
    onKey(viewer, 'm');
    EXPECT_TRUE(viewer.showMesh);
}

TEST_F(Keys, SpaceCyclesThroughTheAnimations) {
    viewer.animationCount = 3;
    int seen[4];
    for (int& index : seen) {
        index = viewer.currentAnimation;
        onKey(viewer, ' ');
    }
    EXPECT_EQ(seen[0], 0);
    EXPECT_EQ(seen[1], 1);
    EXPECT_EQ(seen[2], 2);
    EXPECT_EQ(seen[3], 0);
}

TEST_F(Keys, SpaceWithoutAnimationsDoesNothing) {
    viewer.animationCount = 0;
    onKey(viewer, ' ');
    EXPECT_EQ(viewer.currentAnimation, 0);
}

TEST_F(Keys, ArrowsUpAndDownMoveTheWholeCameraDownAndUp) {
    onSpecialKey(viewer, kKeyUp);
    EXPECT_EQ(camera.eye.y, 25);
    EXPECT_EQ(camera.target.y, -25);
    onSpecialKey(viewer, kKeyDown);
    onSpecialKey(viewer, kKeyDown);
    EXPECT_EQ(camera.eye.y, 35);
    EXPECT_EQ(camera.target.y, -15);
}

TEST_F(Keys, LeftAndRightChangeThePlaybackRate) {
    constexpr int32_t kLargest = std::numeric_limits<int32_t>::max();
    constexpr int32_t kSmallest = std::numeric_limits<int32_t>::min();
    struct Row {
        int32_t from;
        int key;
        int32_t to;
    } rows[] = {
        {1, kKeyLeft, 1},         {5, kKeyLeft, 4},
        {2, kKeyLeft, 1},         {-3, kKeyLeft, 1},
        {kSmallest, kKeyLeft, 1}, {1, kKeyRight, 2},
        {-3, kKeyRight, -2},      {kLargest, kKeyRight, kLargest},
        {30, kKeyUp, 30},         {30, 104, 30},
    };
    viewer.model = std::make_unique<Model>();
    for (const Row& row : rows) {
        viewer.model->playbackRate = row.from;
        onSpecialKey(viewer, row.key);
        EXPECT_EQ(viewer.model->playbackRate, row.to) << row.from << ", key " << row.key;
    }
}

TEST_F(Keys, LeftAndRightWithoutAModelOnlyUpdateTheCamera) {
    camera.target.x = 7;
    onSpecialKey(viewer, kKeyLeft);
    onSpecialKey(viewer, kKeyRight);
    EXPECT_EQ(viewer.model, nullptr);
    EXPECT_NEAR(camera.eye.x, 7, 1e-12);
}

}  // namespace
