#include <gtest/gtest.h>

#include <cmath>

#include "model/pipeline.h"
#include "tests/support/test_support.h"

using namespace velmora;

using Geometry::Matrix4;
using Geometry::Vector3;
using Geometry::Vector4;

namespace {

const double kQuarterTurn = Geometry::kPi / 2;

struct Posed {
    uint8_t bone;
    int parent;      // -1 for the root marker
    double angle;    // its key turns it about z by this many radians
    Vector3 offset;  // and moves it this far from its parent's origin
};

// Fills model with the skeleton in row order and one animation of one frame
// that holds every bone's key.
void build(Model& model, const std::vector<Posed>& rows) {
    model.playbackRate = 10;
    model.animations.resize(1);
    Animation& animation = model.animations[0];
    animation.frameCount = 1;
    for (const Posed& row : rows) {
        model.bones[row.bone] = std::make_unique<Bone>();
        if (row.parent < 0) {
            model.rootBone = row.bone;
        } else {
            model.bones[row.parent]->children.push_back(row.bone);
        }
        const Geometry::Quaternion turn(std::cos(row.angle / 2), 0, 0, std::sin(row.angle / 2));
        animation.tracks[row.bone] = std::make_unique<BoneTrack>();
        animation.tracks[row.bone]->keys = {{turn, row.offset}};
    }
}

// The pose of model's one-frame animation.
Pose posed(const Model& model) {
    Pose pose;
    poseSkeleton(model, model.animations[0], selectFrames(model.animations[0], 10, 0), pose);
    return pose;
}

Vector4 placed(const Pose& pose, uint8_t bone, double x, double y, double z) {
    return pose.boneTransforms[bone] * Vector4(x, y, z, 1);
}

void expectAt(const Vector4& p, double x, double y, double z) {
    EXPECT_NEAR(p.x, x, 1e-12);
    EXPECT_NEAR(p.y, y, 1e-12);
    EXPECT_NEAR(p.z, z, 1e-12);
}

void expectAt(const Vector3& p, double x, double y, double z) {
    expectAt(Vector4(p.x, p.y, p.z, 1), x, y, z);
}

}  // namespace

// root (turned a quarter) -> a (1 along x, turned a quarter) -> b (1 along x)
TEST(Posing, AChildIsPlacedByItsParentsTransformTimesItsOwn) {
    Model model;
    build(
        model,
        {{0, -1, kQuarterTurn, {0, 0, 0}}, {1, 0, kQuarterTurn, {1, 0, 0}}, {2, 1, 0, {1, 0, 0}}});
    const Pose pose = posed(model);
    expectAt(placed(pose, 0, 1, 0, 0), 0, 1, 0);
    expectAt(placed(pose, 1, 0, 0, 0), 0, 1, 0);
    // L(root) L(a) L(b): (1, 0, 0) in b's frame is (2, 0, 0) in a's, (1, 2, 0) in
    // the root's and (-2, 1, 0) in model space; L(b) L(a) L(root) would give (1, 0, 0).
    expectAt(placed(pose, 2, 1, 0, 0), -2, 1, 0);
    expectAt(placed(pose, 2, 0, 0, 0), -1, 1, 0);
}

//        0                 0
//      /   \      vs     /   \        the same transforms either way
//     1     2           2     1
TEST(Posing, TheOrderOfChildrenDoesNotChangeThePose) {
    const std::vector<Posed> rows = {
        {0, -1, 0.3, {1, 1, 1}}, {1, 0, 0.5, {2, 0, 0}}, {2, 0, -0.7, {0, 3, 0}}};
    Model listed, reversed;
    build(listed, rows);
    build(reversed, {rows[0], rows[2], rows[1]});
    EXPECT_EQ(reversed.bones[0]->children, (std::vector<uint8_t>{2, 1}));
    const Pose listedPose = posed(listed);
    const Pose reversedPose = posed(reversed);
    for (uint8_t bone : {0, 1, 2}) {
        const Vector4 p = placed(listedPose, bone, 1, 2, 3);
        expectAt(placed(reversedPose, bone, 1, 2, 3), p.x, p.y, p.z);
    }
}

//   3 (marker, unreachable)     0 (last marker: the root)
//                               +-- 1
TEST(Posing, BonesOutsideTheRootsTreeKeepTheIdentity) {
    Model model;
    build(model, {{3, -1, 1.0, {5, 5, 5}}, {0, -1, 0, {0, 0, 1}}, {1, 0, 0, {1, 0, 0}}});
    const Pose pose = posed(model);
    expectAt(placed(pose, 3, 1, 2, 3), 1, 2, 3);
    expectAt(placed(pose, 1, 0, 0, 0), 1, 0, 1);
}

// The test figure's walk at 10 frames per second, 2 frames:
//
//   ms     0        50        100       150       200
//          |--------|---------|---------|---------|
//   pair  (0,1)    (0,1)     (1,1)     (1,1)     (0,1)
//   blend  0        0.5       0         0.5       0
//
// The root slides from x = 0 to 2, bone 1 (one up) turns a quarter about z.
TEST(Posing, TheFigureIsSkinnedFromItsPosedBones) {
    TestFiles files;
    const LoadResult loaded = files.load(files.addFigure());
    ASSERT_TRUE(loaded.modelRead);
    const Model& model = loaded.model;
    const double h = std::sqrt(0.5);
    struct Case {
        int64_t milliseconds;
        std::vector<Vector3> vertices;
    };
    const Case cases[] = {
        {0, {{0, 0, 0}, {1, 1, 0}, {0, 0, 0}, {1, 0, 0}}},
        {50, {{1, 0, 0}, {1 + h, 1 + h, 0}, {1 - 0.5 * h, 0.5 * (h - 1), 0}, {2, 0, 0}}},
        {150, {{2, 0, 0}, {2, 2, 0}, {1.5, -0.5, 0}, {3, 0, 0}}},
        {200, {{0, 0, 0}, {1, 1, 0}, {0, 0, 0}, {1, 0, 0}}},
    };
    for (const Case& c : cases) {
        const Animation& walk = model.animations[0];
        Pose pose;
        poseSkeleton(model, walk, selectFrames(walk, model.playbackRate, c.milliseconds), pose);
        std::vector<Vector3> positions;
        skin(model, pose, positions);
        SCOPED_TRACE(std::to_string(c.milliseconds) + " ms");
        ASSERT_EQ(positions.size(), c.vertices.size());
        for (std::size_t v = 0; v < c.vertices.size(); ++v) {
            expectAt(positions[v], c.vertices[v].x, c.vertices[v].y, c.vertices[v].z);
        }
    }
}

TEST(Skinning, VerticesAreWeightedSumsOfTheirInfluences) {
    const Matrix4 movedTen({1, 0, 0, 10}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1});
    const Matrix4 oddBottomRow({1, 0, 0, 10}, {0, 1, 0, 0}, {0, 0, 1, 0}, {7, 7, 7, 7});
    struct Case {
        const char* what;
        Matrix4 transform;
        std::vector<double> weights;  // all on bone 0 with offset (1, 2, 3)
        Vector3 expected;
    };
    const Case cases[] = {
        {"no influence: the origin", movedTen, {}, {0, 0, 0}},
        {"one of weight 1", movedTen, {1}, {11, 2, 3}},
        {"two halves", movedTen, {0.5, 0.5}, {11, 2, 3}},
        {"weights not summing to 1", movedTen, {0.5, 0.25}, {8.25, 1.5, 2.25}},
        {"first three rows only", oddBottomRow, {1}, {11, 2, 3}},
    };
    for (const Case& c : cases) {
        Model model;
        model.bones[0] = std::make_unique<Bone>();
        Pose pose;
        pose.boneTransforms[0] = c.transform;
        model.influenceCounts = {static_cast<uint8_t>(c.weights.size())};
        for (double weight : c.weights) {
            model.influences.push_back({{1, 2, 3}, 0, weight});
        }
        std::vector<Vector3> positions = {{9, 9, 9}};
        skin(model, pose, positions);
        SCOPED_TRACE(c.what);
        expectAt(positions[0], c.expected.x, c.expected.y, c.expected.z);
    }
}

// influences   I0 (x 1)   I1 (y 1)   I2 (z 1)
// counts 1, 2: vertex 0 <- I0        vertex 1 <- I1 + I2
// counts 2, 1: vertex 0 <- I0 + I1   vertex 1 <- I2
TEST(Skinning, TheInfluenceIndexRunsOnAcrossVertices) {
    for (const auto& [counts, first, second] :
         {std::tuple{std::vector<uint8_t>{1, 2}, Vector3(1, 0, 0), Vector3(0, 1, 1)},
          std::tuple{std::vector<uint8_t>{2, 1}, Vector3(1, 1, 0), Vector3(0, 0, 1)}}) {
        SCOPED_TRACE(::testing::PrintToString(counts));
        Model model;
        model.bones[0] = std::make_unique<Bone>();
        model.influenceCounts = counts;
        model.influences = {{{1, 0, 0}, 0, 1}, {{0, 1, 0}, 0, 1}, {{0, 0, 1}, 0, 1}};
        std::vector<Vector3> positions;
        skin(model, Pose(), positions);
        ASSERT_EQ(positions.size(), 2u);
        expectAt(positions[0], first.x, first.y, first.z);
        expectAt(positions[1], second.x, second.y, second.z);
    }
}
