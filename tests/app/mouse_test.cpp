// The mouse camera: which gesture moves what and by how much, the zoom's limits,
// turns across the angle's wrap, and a pan that keeps the point under the
// pointer under it.

#include <gtest/gtest.h>

#include "app/mouse.h"
#include "tests/drawing/test_model.h"

using namespace velmora;

using Geometry::Vector3;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

void expectSame(const Vector3& actual, const Vector3& expected) {
    EXPECT_EQ(actual.x, expected.x);
    EXPECT_EQ(actual.y, expected.y);
    EXPECT_EQ(actual.z, expected.z);
}

TEST(MouseCamera, GesturesMoveTheCameraByTheirSteps) {
    struct Row {
        const char* name;
        int button;
        bool shift;
        int dx, dy;  // a drag from (300, 200), or 0 for a press alone
        double startAngle;
        double startRadius;
        double angle;
        double eyeHeight;
        double radius;
        Vector3 target;
    };
    const Vector3 resetTarget(0, -20, 0);
    const Row rows[] = {
        {"left drag right turns the scene right", kLeftButton, false, 20, 0, 180, 150, 170, 30, 150,
         resetTarget},
        {"left drag left", kLeftButton, false, -20, 0, 180, 150, 190, 30, 150, resetTarget},
        {"left drag down raises the eye", kLeftButton, false, 0, 10, 180, 150, 180, 45, 150,
         resetTarget},
        {"left drag up, nearer", kLeftButton, false, 0, -10, 180, 50, 180, 25, 50, resetTarget},
        {"turn across 0 keeps the excess", kLeftButton, false, 6, 0, 2, 150, 359, 30, 150,
         resetTarget},
        {"turn onto 0 gives 360", kLeftButton, false, 4, 0, 2, 150, 360, 30, 150, resetTarget},
        {"turn across 360", kLeftButton, false, -10, 0, 358, 150, 3, 30, 150, resetTarget},
        {"turn from 0, which rotate leaves at 0", kLeftButton, false, 2, 0, 0, 150, 359, 30, 150,
         resetTarget},
        {"turn more than a full circle", kLeftButton, false, -1000, 0, 180, 150, 320, 30, 150,
         resetTarget},
        {"wheel in zooms as '+'", kWheelIn, false, 0, 0, 180, 150, 180, 30, 145, resetTarget},
        {"wheel out zooms as '-'", kWheelOut, false, 0, 0, 180, 150, 180, 30, 155, resetTarget},
        {"wheel in stops at 1", kWheelIn, false, 0, 0, 180, 3, 180, 30, 1, resetTarget},
        {"wheel out stops at 2000", kWheelOut, false, 0, 0, 180, 1998, 180, 30, 2000, resetTarget},
        {"right drag is the menu's", kRightButton, false, 20, 20, 180, 150, 180, 30, 150,
         resetTarget},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Camera camera;
        camera.reset();
        camera.angle = row.startAngle;
        camera.radius = row.startRadius;
        MouseCamera mouse;
        mouse.press(camera, row.button, row.shift, 300, 200);
        mouse.drag(camera, 300 + row.dx, 200 + row.dy, kWidth, kHeight);
        mouse.release(row.button);
        // Released: further motion changes nothing.
        mouse.drag(camera, 0, 0, kWidth, kHeight);
        EXPECT_NEAR(camera.angle, row.angle, 1e-9);
        EXPECT_NEAR(camera.eye.y, row.eyeHeight, 1e-9);
        EXPECT_EQ(camera.radius, row.radius);
        expectSame(camera.target, row.target);
        Camera derived = camera;
        derived.update();
        SCOPED_TRACE("the eye is derived again");
        expectSame(camera.eye, derived.eye);
    }
}

TEST(MouseCamera, PanKeepsThePointUnderThePointer) {
    struct Row {
        const char* name;
        int button;
        bool shift;
        int dx, dy;
        double angle;
        int width, height;
    };
    const Row rows[] = {
        {"middle drag right", kMiddleButton, false, 40, 0, 180, kWidth, kHeight},
        {"middle drag down", kMiddleButton, false, 0, 30, 180, kWidth, kHeight},
        {"shift + left drag, turned", kLeftButton, true, -25, -35, 95, kWidth, kHeight},
        {"tall window", kMiddleButton, false, 30, 20, 180, 300, 600},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Camera camera;
        camera.reset();
        camera.angle = row.angle;
        camera.update();
        const Camera before = camera;
        const Vector3 grabbed = before.target;
        MouseCamera mouse;
        mouse.press(camera, row.button, row.shift, 100, 100);
        // In two moves: the second starts where the first ended.
        mouse.drag(camera, 100 + row.dx / 2, 100 + row.dy / 2, row.width, row.height);
        mouse.drag(camera, 100 + row.dx, 100 + row.dy, row.width, row.height);
        const Vector3 from = toWindow(grabbed, before, row.width, row.height);
        const Vector3 to = toWindow(grabbed, camera, row.width, row.height);
        EXPECT_NEAR(to.x - from.x, row.dx, 1e-6);
        EXPECT_NEAR(from.y - to.y, row.dy, 1e-6) << "window rows count upwards";
        EXPECT_NEAR(camera.eye.y - camera.target.y, before.eye.y - before.target.y, 1e-9)
            << "eye and look-at point move together";
        EXPECT_EQ(camera.angle, before.angle);
        EXPECT_EQ(camera.radius, before.radius);
    }
}

TEST(MouseCamera, TheLatestPressDecidesAndItsReleaseEnds) {
    Camera camera;
    camera.reset();
    MouseCamera mouse;
    mouse.press(camera, kLeftButton, false, 100, 100);
    mouse.press(camera, kMiddleButton, false, 100, 100);
    mouse.release(kLeftButton);
    mouse.drag(camera, 120, 100, kWidth, kHeight);
    EXPECT_EQ(camera.angle, 180) << "the middle button's pan, not the left's orbit";
    EXPECT_NE(camera.target.x, 0);
    mouse.release(kMiddleButton);
    const Camera before = camera;
    mouse.drag(camera, 140, 100, kWidth, kHeight);
    expectSame(camera.target, before.target);
}

}  // namespace
