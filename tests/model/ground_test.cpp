// Holding the walk on the spot and the ground under the first pose, on the
// test figure: its walk carries the root from x = 0 to x = 2 in one key.

#include <gtest/gtest.h>

#include "model/ground.h"
#include "tests/support/test_support.h"

using namespace velmora;

namespace {

class GroundTest : public testing::Test {
  protected:
    GroundTest() : loaded(files.load(files.addFigure())) {}

    Pose poseAt(int64_t milliseconds) const {
        const Animation& walk = loaded.model.animations[0];
        Pose pose;
        poseSkeleton(loaded.model, walk, selectFrames(walk, 10, milliseconds), pose);
        return pose;
    }

    TestFiles files;
    LoadResult loaded;
};

TEST_F(GroundTest, TheRootStaysOverItsFirstKeyAndEveryBoneMovesWithIt) {
    const struct {
        int64_t milliseconds;
        double offsetX;
    } rows[] = {{0, 0}, {50, -1}, {100, -2}, {250, -1}};
    const Model& model = loaded.model;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.milliseconds);
        const Pose pose = poseAt(row.milliseconds);
        const Geometry::Vector3 offset = inPlaceOffset(model, model.animations[0], pose);
        EXPECT_NEAR(offset.x, row.offsetX, 1e-12);
        EXPECT_EQ(offset.y, 0.0);
        EXPECT_EQ(offset.z, 0.0);
        const Pose held = movedPose(pose, offset);
        for (uint8_t bone : {0, 1, 2}) {
            for (int axis = 0; axis < 3; ++axis) {
                EXPECT_NEAR(held.boneTransforms[bone][axis][3],
                            pose.boneTransforms[bone][axis][3] + (axis == 0 ? offset.x : 0), 1e-12);
            }
        }
        EXPECT_NEAR(held.boneTransforms[0][0][3], 0.0, 1e-12) << "the root's first key";
    }
}

TEST_F(GroundTest, TheGroundLiesUnderTheFirstPoseAndScrollsWithinOneSpacing) {
    // Skinned at the first key the figure spans (0, 0, 0) to (1, 1, 0).
    const auto ground = groundFor(loaded.model);
    ASSERT_TRUE(ground);
    EXPECT_DOUBLE_EQ(ground->centre.x, 0.5);
    EXPECT_DOUBLE_EQ(ground->centre.y, 0.0);
    EXPECT_DOUBLE_EQ(ground->centre.z, 0.0);
    EXPECT_DOUBLE_EQ(ground->spacing, 0.1);
    const struct {
        double offset;
        double shift;
    } rows[] = {{0, 0}, {-1.25, -0.05}, {0.07, 0.07}, {2.05, 0.05}};
    for (const auto& row : rows) {
        const Geometry::Vector3 shift = gridShift(*ground, {row.offset, 5, row.offset});
        EXPECT_NEAR(shift.x, row.shift, 1e-9) << row.offset;
        EXPECT_NEAR(shift.z, row.shift, 1e-9) << row.offset;
        EXPECT_EQ(shift.y, 0.0);
    }
    EXPECT_FALSE(groundFor(Model())) << "nothing to play, no ground";
}

}  // namespace
