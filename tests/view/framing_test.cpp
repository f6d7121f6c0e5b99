// Framing: boxes of every shape and place end up wholly in the window, inside
// the margins and filling it one way or the other, seen from the same direction.

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "tests/drawing/test_model.h"
#include "view/framing.h"

using namespace velmora;

using Geometry::Vector3;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

TEST(Framing, ThePoseFitsWithinTheMarginsAndFillsTheWindow) {
    struct Row {
        const char* name;
        Vector3 low;
        Vector3 high;
        double angle;
        double eyeHeight;  // above the look-at point, at radius 150
        int width = kWidth;
        int height = kHeight;
    } rows[] = {
        {"a figure far off to the side", {260, 0, 380}, {300, 170, 420}, 180, 50},
        {"a figure below and behind the camera", {-30, -400, -600}, {30, -230, -560}, 180, 50},
        {"a wide, flat crowd", {-500, 0, -20}, {500, 30, 20}, 180, 50},
        {"turned to the side, eye below", {-20, 0, -20}, {20, 180, 20}, 90, -40},
        {"a tall window", {-20, 0, -20}, {20, 180, 20}, 225, 10, 300, 700},
        {"a mouse in a window full of it", {5, 5, 5}, {8, 8, 8}, 180, 50},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Camera camera;
        camera.reset();
        camera.angle = row.angle;
        camera.eye.y = camera.target.y + row.eyeHeight;
        camera.update();
        std::vector<Vector3> points;
        for (int corner = 0; corner < 8; ++corner) {
            points.emplace_back(corner & 1 ? row.high.x : row.low.x,
                                corner & 2 ? row.high.y : row.low.y,
                                corner & 4 ? row.high.z : row.low.z);
        }
        frameCamera(camera, points, row.width, row.height);

        EXPECT_EQ(camera.angle, row.angle);
        EXPECT_NEAR((camera.eye.y - camera.target.y) / camera.radius, row.eyeHeight / 150, 1e-12);
        EXPECT_DOUBLE_EQ(camera.target.x, (row.low.x + row.high.x) / 2);
        EXPECT_DOUBLE_EQ(camera.target.z, (row.low.z + row.high.z) / 2);
        double left = row.width;
        double right = 0;
        double bottom = row.height;
        double top = 0;
        for (const Vector3& point : points) {
            const Vector3 at = toWindow(point, camera, row.width, row.height);
            left = std::min(left, at.x);
            right = std::max(right, at.x);
            bottom = std::min(bottom, at.y);
            top = std::max(top, at.y);
            EXPECT_GT(at.z, 0) << "in front of the near plane";
        }
        const double marginX = kFramingMargin * row.width;
        const double marginY = kFramingMargin * row.height;
        EXPECT_GE(left, marginX - 1e-6);
        EXPECT_LE(right, row.width - marginX + 1e-6);
        EXPECT_GE(bottom, marginY - 1e-6);
        EXPECT_LE(top, row.height - marginY + 1e-6);
        const bool fillsAcross = right - left > row.width - 2 * marginX - 1;
        const bool fillsUp = top - bottom > row.height - 2 * marginY - 1;
        EXPECT_TRUE(fillsAcross || fillsUp || camera.radius == kMinRadius)
            << "as large as it fits: " << right - left << " x " << top - bottom;
    }
}

TEST(Framing, NoPointsOrNoWindowLeaveTheCamera) {
    Camera camera;
    camera.reset();
    const Camera before = camera;
    frameCamera(camera, {}, kWidth, kHeight);
    frameCamera(camera, {{100, 0, 0}}, 0, kHeight);
    EXPECT_EQ(camera.target.x, before.target.x);
    EXPECT_EQ(camera.radius, before.radius);
    EXPECT_EQ(camera.eye.y, before.eye.y);
}

// A weight far out of range throws a vertex to infinity: framing shows the rest
// of the pose, and leaves the camera where it is when nothing finite remains.
TEST(Framing, PointsThatAreNotFiniteAreLeftOut) {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Vector3> square = {
        {kSquareLeft, kSquareBottom, 0},
        {kSquareRight, kSquareBottom, 0},
        {kSquareRight, kSquareTop, 0},
        {kSquareLeft, kSquareTop, 0},
    };
    const struct Row {
        const char* name;
        std::vector<Vector3> points;
        // Beside the square, which is then framed alone; otherwise the
        // camera stays.
        bool besideTheSquare;
    } rows[] = {
        {"one vertex at infinity", {{kInfinity, 37.5, 0}}, true},
        {"undefined and negative infinite coordinates",
         {{kNaN, 0, 0}, {0, -kInfinity, kNaN}, {0, 0, kInfinity}},
         true},
        {"nothing finite", {{kInfinity, 37.5, 0}, {kNaN, kNaN, kNaN}}, false},
        {"finite, but too high to aim at in double arithmetic", {{0, 1e308, 0}}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Camera camera;
        camera.reset();
        Camera expected = camera;
        std::vector<Vector3> points = row.points;
        if (row.besideTheSquare) {
            points.insert(points.begin() + 1, square.begin(), square.end());
            frameCamera(expected, square, kWidth, kHeight);
        }
        frameCamera(camera, points, kWidth, kHeight);
        EXPECT_EQ(camera.target.x, expected.target.x);
        EXPECT_EQ(camera.target.y, expected.target.y);
        EXPECT_EQ(camera.target.z, expected.target.z);
        EXPECT_EQ(camera.radius, expected.radius);
        EXPECT_EQ(camera.eye.y, expected.eye.y);
        EXPECT_NO_THROW(camera.viewMatrix());
    }
}

}  // namespace
