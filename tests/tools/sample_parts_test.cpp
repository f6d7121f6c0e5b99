// The building blocks of the sample characters where a fault would not show
// plainly in the finished characters: rotations, skin weights, the skin built
// from parts, the keyframes made from clips, the legs placed by inverse
// kinematics, the rig and the files written.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <stdexcept>

#include "files/load.h"
#include "model/pipeline.h"
#include "tests/support/test_support.h"
#include "tools/samples/body.h"
#include "tools/samples/character.h"
#include "tools/samples/moves.h"
#include "tools/samples/pose_math.h"
#include "tools/samples/shapes.h"
#include "tools/samples/skin_weights.h"
#include "tools/samples/surface_mesh.h"

namespace {

void expectNear(const Vector3& actual, const Vector3& expected, double tolerance,
                const std::string& what = "") {
    EXPECT_NEAR(actual.x, expected.x, tolerance) << what;
    EXPECT_NEAR(actual.y, expected.y, tolerance) << what;
    EXPECT_NEAR(actual.z, expected.z, tolerance) << what;
}

// ---- rotations ----

TEST(SampleRotations, AxisAngleTurnsRightHandedAndInverseUndoesIt) {
    const Quaternion quarterUp = axisAngle(kUp, kPi / 2);
    const Quaternion quarterRight = axisAngle(kRight, kPi / 2);
    // (0, -1, 0) turned about x by a quarter goes to (0, 0, -1), then about y
    // by a quarter to (-1, 0, 0).
    expectNear(rotate(quarterUp * quarterRight, {0, -1, 0}), {-1, 0, 0}, 1e-12);
    expectNear(rotate(inverse(quarterUp) * quarterUp, {1, 2, 3}), {1, 2, 3}, 1e-12);
}

TEST(SampleRotations, RotationBetweenTakesOneDirectionOntoTheOther) {
    const struct {
        Vector3 from;
        Vector3 to;
    } cases[] = {
        {{0, -1, 0}, {0, 0, -1}},
        {{1, 2, 3}, {-2, 0.5, 1}},
        {{0, 1, 0}, {0, -1, 0}},  // opposite: any half turn will do
        {{2, 0, 0}, {5, 0, 0}},   // same direction: no turn
    };
    for (const auto& c : cases) {
        expectNear(rotate(rotationBetween(c.from, c.to), Geometry::normalize(c.from)),
                   Geometry::normalize(c.to), 1e-12);
    }
}

// ---- skin weights ----

TEST(SampleWeights, KeepTheFourHeaviestSummingToOne) {
    Weights weights;
    const double shares[] = {0.05, 0.3, 0.1, 0.2, 0.25, 0.0001};
    for (int bone = 0; bone < 6; ++bone) {
        weights.add(bone, shares[bone]);
    }
    weights.add(2, 0.1);  // bone 2 again: merged, 0.2 in all
    const std::vector<BoneWeight> kept = weights.influences();
    ASSERT_EQ(kept.size(), 4u);
    EXPECT_EQ(kept[0].bone, 1);
    EXPECT_EQ(kept[1].bone, 4);
    // Bones 2 and 3 weigh the same: the lower index first.
    EXPECT_EQ(kept[2].bone, 2);
    EXPECT_EQ(kept[3].bone, 3);
    double total = 0;
    for (const BoneWeight& entry : kept) {
        total += entry.weight;
    }
    EXPECT_EQ(total, 1.0);
    EXPECT_NEAR(kept[0].weight, 0.3 / 0.95, 1e-12);
}

//   bone 7 owns up to 1, then hands over to bone 8 by 3, which owns the rest
//   7 7 7 ~~~~~ 8 8 8
//   0   1   2   3   4
TEST(SampleWeights, StationsHandOverSmoothlyBetweenJoints) {
    const std::vector<Station> stations{{1.0, 7}, {3.0, 8}};
    const struct {
        double place;
        double weightOfEight;
    } cases[] = {{0.0, 0.0}, {1.0, 0.0}, {2.0, 0.5}, {3.0, 1.0}, {4.0, 1.0}};
    for (const auto& c : cases) {
        double eight = 0;
        for (const BoneWeight& entry : alongStations(c.place, stations).influences()) {
            if (entry.bone == 8) {
                eight = entry.weight;
            }
        }
        EXPECT_NEAR(eight, c.weightOfEight, 1e-12) << "at " << c.place;
    }
}

// ---- the skin built from parts ----

// A ball of radius 2 round (3, 5, 0) on a bone whose joint is at (1, 5, 0),
// and its mirror image on the left.
struct BallFigure {
    Rig rig;
    std::vector<Part> parts;

    BallFigure() {
        rig.add("root", "", {0, 0, 0});
        rig.add("ballRight", "root", {1, 5, 0});
        rig.add("ballLeft", "root", {-1, 5, 0});
        Part ball = makePart("ballRight", 0, ellipsoidShape({3, 5, 0}, {2, 2, 2}), 6, 8, 20, 10,
                             rigidTo(rig.index("ballRight")));
        parts.push_back(ball);
        parts.push_back(mirrored(ball, "ballLeft", rig));
    }
};

Color plainPaint(const PaintSample&) {
    return {1, 1, 1};
}

TEST(SampleSkin, PolesAndSeamsShareVerticesWhileTheMappingStaysInItsRectangle) {
    BallFigure figure;
    Model model;
    figure.rig.fillSkeleton(model);
    const Image texture = buildSkin({figure.parts[0]}, plainPaint, figure.rig, 64, model);
    // 5 inner rings of 8 vertices and two poles; 2 x 8 x 6 quads less the
    // degenerate halves at the poles.
    EXPECT_EQ(model.vertexCount(), 5u * 8u + 2u);
    EXPECT_EQ(model.faces.size(), 2u * 8u * 6u - 2u * 8u);
    EXPECT_EQ(model.mappingCoords.size(), 7u * 9u);
    for (const MappingCoord& coord : model.mappingCoords) {
        // The part's texels are columns 0 to 19 and rows 0 to 9 of 64; every
        // coordinate sits on a texel's centre line or between, never outside.
        EXPECT_GE(coord[0] * 64, 0.5);
        EXPECT_LE(coord[0] * 64, 19.5);
        EXPECT_GE(coord[1] * 64, 0.5);
        EXPECT_LE(coord[1] * 64, 9.5);
    }
    // Painted inside the rectangle; outside it, the magenta of unused texels.
    EXPECT_GT(texture.pixels[1], 128);
    EXPECT_EQ(texture.pixels[(10 * 64 + 30) * 3], 255);
    EXPECT_EQ(texture.pixels[(10 * 64 + 30) * 3 + 1], 0);
}

// Skinning the bind pose (every bone moved to its joint, not turned) puts every
// vertex back where its part put it: the offsets are right.
TEST(SampleSkin, TheBindPoseReproducesThePartsSurface) {
    BallFigure figure;
    Model model;
    figure.rig.fillSkeleton(model);
    buildSkin(figure.parts, plainPaint, figure.rig, 64, model);
    Pose pose;
    for (int bone = 0; bone < figure.rig.size(); ++bone) {
        const Vector3 joint = figure.rig.bone(bone).joint;
        pose.boneTransforms[bone] =
            Geometry::Matrix4(Geometry::makeTransform({1, 1, 1}, {0, 0, 0}, joint));
    }
    std::vector<Vector3> positions;
    skin(model, pose, positions);
    for (const Vector3& p : positions) {
        const double toRight = length(p - Vector3(3, 5, 0));
        const double toLeft = length(p - Vector3(-3, 5, 0));
        EXPECT_NEAR(std::min(toRight, toLeft), 2.0, 1e-12);
    }
    // The mirrored ball lies on the left, on the left bone, and uses the same
    // texels.
    const std::size_t half = positions.size() / 2;
    for (std::size_t v = 0; v < positions.size(); ++v) {
        const bool left = v >= half;
        EXPECT_EQ(positions[v].x < 0, left) << "vertex " << v;
        EXPECT_EQ(model.influences[v].bone, figure.rig.index(left ? "ballLeft" : "ballRight"));
    }
    EXPECT_EQ(model.mappingCoords.size(), 2u * 7u * 9u);
    std::set<double> rightColumns;
    std::set<double> leftColumns;
    for (std::size_t i = 0; i < model.mappingCoords.size(); ++i) {
        (i < model.mappingCoords.size() / 2 ? rightColumns : leftColumns)
            .insert(model.mappingCoords[i][0]);
    }
    EXPECT_EQ(rightColumns, leftColumns);
}

// ---- keyframes from clips ----

// A root with a pendulum bone hanging from it:
//
//   root (moves sideways, a sine over the loop)
//    |
//   bob (swings after it; its tip 4 units below)
struct Pendulum {
    Rig rig;
    Clip clip;

    Pendulum() {
        rig.add("root", "", {0, 10, 0});
        rig.add("bob", "root", {0, 8, 0});
        clip.name = "Swing";
        clip.frames = 40;
        clip.pose = [this](double phase) {
            RigPose pose(rig);
            pose.translation[0] =
                pose.translation[0] + Vector3(3 * std::sin(2 * kPi * phase), 0, 0);
            return pose;
        };
        clip.jiggles.push_back({"bob", {0, 4, 0}, 2.0, 0.3, 0.5});
    }
};

TEST(SampleClips, TheLastKeyRepeatsTheFirstAndSwingsLoopExactly) {
    Pendulum pendulum;
    const Animation animation = makeAnimation(pendulum.rig, pendulum.clip);
    ASSERT_EQ(animation.frameCount, 41u);
    double largest = 0;
    for (int bone = 0; bone < 2; ++bone) {
        const auto& keys = animation.tracks[bone]->keys;
        ASSERT_EQ(keys.size(), 41u);
        EXPECT_EQ(keys.back().rotation.w, keys.front().rotation.w);
        EXPECT_EQ(keys.back().rotation.x, keys.front().rotation.x);
        EXPECT_EQ(keys.back().rotation.z, keys.front().rotation.z);
        EXPECT_EQ(keys.back().translation.x, keys.front().translation.x);
        for (const Keyframe& key : keys) {
            EXPECT_NEAR(Geometry::dot(key.rotation, key.rotation), 1.0, 1e-12);
            largest = std::max(largest, length(rotationVector(key.rotation)));
        }
    }
    // The bob swings, and never further than its limit.
    EXPECT_GT(largest, 0.05);
    EXPECT_LE(largest, 0.5 + 1e-9);
    // Its swing runs on smoothly from the last step back to the first.
    const auto& bob = animation.tracks[1]->keys;
    const double wrap = length(rotationVector(bob[0].rotation * inverse(bob[39].rotation)));
    const double step = length(rotationVector(bob[2].rotation * inverse(bob[1].rotation)));
    EXPECT_LT(wrap, 3 * step + 1e-3);
}

// ---- legs placed by inverse kinematics ----

class SampleLegs : public ::testing::Test {
  protected:
    SampleLegs() : rig_(makeBodyRig(BodyShape())), pose_(rig_) {}

    Vector3 worldJoint(const std::string& name) const {
        return solveWorld(rig_, pose_).position[rig_.index(name)];
    }

    Rig rig_;
    RigPose pose_;
};

// Whatever the hips do (within reach), the placed foot's ball joint ends up
// where the placement says, and the leg keeps its lengths.
TEST_F(SampleLegs, TheBallLandsWhereThePlacementSays) {
    const struct {
        Vector3 hips;
        double pitch;
        FootPlacement foot;
    } cases[] = {
        {{0, -0.5, 0}, 0.0, {}},
        {{0.9, -0.6, 0}, 0.0, {0.3, 0.0, 0.0, 0.0, 0.0}},
        {{0, -4.0, 0.5}, -0.2, {0.2, 6.0, 1.5, 0.5, 0.1}},
    };
    const Vector3 restBall = rig_.joint("toeRight");
    const double thigh = length(rig_.joint("shinRight") - rig_.joint("thighRight"));
    for (const auto& c : cases) {
        placeHips(rig_, pose_, c.hips, c.pitch, 0.0, 0.0);
        placeFoot(rig_, pose_, "Right", c.foot);
        const Vector3 expected = restBall + Vector3(c.foot.outward, c.foot.lift, -c.foot.forward);
        expectNear(worldJoint("toeRight"), expected, 1e-9);
        EXPECT_NEAR(length(worldJoint("shinRight") - worldJoint("thighRight")), thigh, 1e-9);
        // The knee bends forward, never back.
        const Vector3 hip = worldJoint("thighRight");
        const Vector3 ankle = worldJoint("footRight");
        EXPECT_LE(worldJoint("shinRight").z, lerp(hip, ankle, 0.5).z + 1e-9);
    }
}

TEST_F(SampleLegs, AFootOutOfReachIsRefused) {
    placeHips(rig_, pose_, {0, 3.0, 0}, 0.0, 0.0, 0.0);
    EXPECT_THROW(placeFoot(rig_, pose_, "Left", {}), std::logic_error);
}

// ---- the rig ----

//   root ---- a ---- c
//     |
//     +------ b
TEST(SampleRig, BonesTakeSlotsInOrderAndParentsListChildrenInOrder) {
    Rig rig;
    rig.add("root", "", {0, 1, 0});
    rig.add("a", "root", {0, 2, 0});
    rig.add("b", "root", {1, 1, 0});
    rig.add("c", "a", {0, 3, 0});
    EXPECT_EQ(rig.index("c"), 3);
    EXPECT_THROW(rig.index("d"), std::logic_error);
    EXPECT_THROW(rig.add("a", "root", {}), std::logic_error);
    EXPECT_THROW(rig.add("second root", "", {}), std::logic_error);
    Model model;
    rig.fillSkeleton(model);
    EXPECT_EQ(model.rootBone, 0);
    EXPECT_EQ(model.bones[0]->children, (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(model.bones[1]->children, (std::vector<uint8_t>{3}));
    EXPECT_FALSE(model.bones[4]);
    // The bind pose puts every joint back where the rig has it.
    const WorldPose world = solveWorld(rig, RigPose(rig));
    for (int bone = 0; bone < rig.size(); ++bone) {
        expectNear(world.position[bone], rig.bone(bone).joint, 1e-15);
    }
}

// ---- writing ----

// The files of a character and the names inside them: the model names its
// texture and motion files relative to its folder, and the motion files'
// names label the animations.
TEST(SampleWriting, WritesTheModelItsTextureAndOneMotionFilePerClip) {
    SampleCharacter character;
    character.name = "ball";
    Rig& rig = character.rig;
    rig.add("root", "", {0, 0, 0});
    rig.add("ballRight", "root", {1, 5, 0});
    rig.add("ballLeft", "root", {-1, 5, 0});
    character.parts.push_back(makePart("ballRight", 0, ellipsoidShape({3, 5, 0}, {2, 2, 2}), 6, 8,
                                       20, 10, rigidTo(rig.index("ballRight"))));
    character.paint = plainPaint;
    for (const char* name : {"Idle", "Spin"}) {
        Clip clip;
        clip.name = name;
        clip.frames = 4;
        clip.pose = [&rig](double phase) {
            RigPose pose(rig);
            pose.rotation[0] = axisAngle(kUp, 2 * kPi * phase);
            return pose;
        };
        character.clips.push_back(clip);
    }
    TemporaryFolder folder;
    writeCharacter(character, folder.path() + ".");
    std::set<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        written.insert(entry.path().filename().string());
    }
    EXPECT_EQ(written,
              (std::set<std::string>{"ball.animesh", "ball.png", "ball-Idle", "ball-Spin"}));
    const LoadResult loaded = loadModelFile(folder.path() + "ball.animesh", {});
    ASSERT_TRUE(loaded.modelRead);
    const Model& model = loaded.model;
    EXPECT_EQ(model.playbackRate, kFramesPerSecond);
    ASSERT_EQ(model.animations.size(), 2u);
    EXPECT_EQ(model.animations[1].name, folder.path() + "ball-Spin");
    EXPECT_EQ(model.animations[1].frameCount, 5u);
    EXPECT_EQ(model.texture->fileName, folder.path() + "ball.png");
}

}  // namespace
