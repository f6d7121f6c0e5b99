// The building blocks of the sample characters where a fault would not show in
// the finished characters (samples_test, the reference images): the opposite
// turn, ties and merges of skin weights, shared poles, the placed foot and the
// leg's reach, and the rig's refusals and child order.

#include <gtest/gtest.h>

#include <stdexcept>

#include "tools/samples/body.h"
#include "tools/samples/moves.h"
#include "tools/samples/pose_math.h"
#include "tools/samples/shapes.h"
#include "tools/samples/skin_weights.h"
#include "tools/samples/surface_mesh.h"

using namespace velmora;

namespace {

// ---- rotations ----

TEST(SampleRotations, RotationBetweenTakesOneDirectionOntoTheOther) {
    const struct {
        const char* name;
        Vector3 from;
        Vector3 to;
    } cases[] = {
        {"quarter", {0, -1, 0}, {0, 0, -1}},
        {"oblique", {1, 2, 3}, {-2, 0.5, 1}},
        {"opposite: any half turn will do", {0, 1, 0}, {0, -1, 0}},
        {"same direction: no turn", {2, 0, 0}, {5, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Vector3 turned = rotate(rotationBetween(c.from, c.to), Geometry::normalize(c.from));
        EXPECT_NEAR(length(turned - Geometry::normalize(c.to)), 0, 1e-12);
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

// ---- the skin built from parts ----

Color plainPaint(const PaintSample&) {
    return {1, 1, 1};
}

// The poles of a ball are one vertex each and its closing seam is shared; only
// the mapping keeps a column for the seam.
TEST(SampleSkin, PolesAndSeamsShareVertices) {
    Rig rig;
    rig.add("root", "", {0, 0, 0});
    Model model;
    rig.fillSkeleton(model);
    buildSkin({makePart("ball", 0, ellipsoidShape({3, 5, 0}, {2, 2, 2}), 6, 8, 20, 10, rigidTo(0))},
              plainPaint, rig, 64, model);
    // 5 inner rings of 8 vertices and two poles; 2 x 8 x 6 quads less the
    // degenerate halves at the poles.
    EXPECT_EQ(model.vertexCount(), 5u * 8u + 2u);
    EXPECT_EQ(model.faces.size(), 2u * 8u * 6u - 2u * 8u);
    EXPECT_EQ(model.mappingCoords.size(), 7u * 9u);
}

// ---- legs and rig ----

// Whatever the hips do (within reach), the placed foot's ball joint ends up
// where the placement says, the leg keeps its lengths and the knee bends
// forward; a foot out of reach is refused.
TEST(SampleLegs, TheBallLandsWhereThePlacementSays) {
    const Rig rig = makeBodyRig(BodyShape());
    RigPose pose(rig);
    const auto joint = [&](const std::string& name) {
        return solveWorld(rig, pose).position[rig.index(name)];
    };
    const struct {
        const char* name;
        Vector3 hips;
        double pitch;
        FootPlacement foot;
    } cases[] = {
        {"at rest", {0, -0.5, 0}, 0.0, {}},
        {"outward", {0.9, -0.6, 0}, 0.0, {0.3, 0.0, 0.0, 0.0, 0.0}},
        {"forward and lifted", {0, -4.0, 0.5}, -0.2, {0.2, 6.0, 1.5, 0.5, 0.1}},
    };
    const Vector3 restBall = rig.joint("toeRight");
    const double thigh = length(rig.joint("shinRight") - rig.joint("thighRight"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        placeHips(rig, pose, c.hips, c.pitch, 0.0, 0.0);
        placeFoot(rig, pose, "Right", c.foot);
        const Vector3 expected = restBall + Vector3(c.foot.outward, c.foot.lift, -c.foot.forward);
        EXPECT_NEAR(length(joint("toeRight") - expected), 0, 1e-9);
        EXPECT_NEAR(length(joint("shinRight") - joint("thighRight")), thigh, 1e-9);
        EXPECT_LE(joint("shinRight").z,
                  lerp(joint("thighRight"), joint("footRight"), 0.5).z + 1e-9);
    }
    placeHips(rig, pose, {0, 3.0, 0}, 0.0, 0.0, 0.0);
    EXPECT_THROW(placeFoot(rig, pose, "Left", {}), std::logic_error);
}

//   root ---- a ---- c
//     |
//     +------ b
TEST(SampleRig, RefusesNamesTwiceAndListsChildrenInOrder) {
    Rig rig;
    rig.add("root", "", {0, 1, 0});
    rig.add("a", "root", {0, 2, 0});
    rig.add("b", "root", {1, 1, 0});
    rig.add("c", "a", {0, 3, 0});
    EXPECT_THROW(rig.index("d"), std::logic_error);
    EXPECT_THROW(rig.add("a", "root", {}), std::logic_error);
    EXPECT_THROW(rig.add("second root", "", {}), std::logic_error);
    Model model;
    rig.fillSkeleton(model);
    EXPECT_EQ(model.bones[0]->children, (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(model.bones[1]->children, (std::vector<uint8_t>{3}));
}

}  // namespace
