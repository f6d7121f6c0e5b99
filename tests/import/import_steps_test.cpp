// The converter's steps on their own: influence limiting, key clamping, the
// rigid split of bone transforms, file names and progress.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "import/character_builder.h"
#include "import/import_log.h"
#include "import/output_folder.h"
#include "import/pose_sampler.h"

using namespace velmora;

namespace {

// Weights in, weights out (bones named by their index, one matrix each).
TEST(KeepLargestInfluences, KeepsTheFourLargestAtTheSameTotal) {
    struct Case {
        const char* name;
        std::vector<double> weights;
        std::vector<int> keptBones;
        bool dropped;
    };
    const Case cases[] = {
        {"four stay as given", {0.1, 0.2, 0.3, 0.4}, {0, 1, 2, 3}, false},
        {"smallest of five goes", {0.3, 0.05, 0.25, 0.2, 0.2}, {0, 2, 3, 4}, true},
        {"ties keep the earlier", {0.2, 0.2, 0.2, 0.2, 0.2}, {0, 1, 2, 3}, true},
        {"total other than 1 is kept", {1, 1, 1, 1, 2}, {4, 0, 1, 2}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<VertexInfluence> influences;
        double total = 0;
        for (std::size_t i = 0; i < c.weights.size(); ++i) {
            influences.push_back({static_cast<int>(i), c.weights[i], i});
            total += c.weights[i];
        }
        EXPECT_EQ(keepLargestInfluences(influences, 4), c.dropped);
        std::vector<int> bones;
        double kept = 0;
        for (const VertexInfluence& influence : influences) {
            bones.push_back(influence.bone);
            kept += influence.weight;
        }
        EXPECT_EQ(bones, c.keptBones);
        EXPECT_NEAR(kept, total, 1e-12);
    }
}

TEST(KeepLargestInfluences, SameBoneAndMatrixCountOnce) {
    std::vector<VertexInfluence> influences = {{0, 0.1, 0}, {1, 0.2, 1}, {0, 0.1, 0},
                                               {2, 0.2, 2}, {3, 0.2, 3}, {4, 0.2, 4}};
    EXPECT_TRUE(keepLargestInfluences(influences, 4));
    ASSERT_EQ(influences.size(), 4u);
    EXPECT_EQ(influences[0].bone, 0);  // 0.1 + 0.1 ties the others and comes first
    EXPECT_NEAR(influences[0].weight, 0.25, 1e-12);
}

// Keys beyond the animation's duration are clamped into it and counted; times
// become seconds by the animation's own ticks per second.
//
//   ticks  -10   0        50       100 (duration)  130
//   keys    a    b         c                        d   ->  a, b at 0 s; d at 1 s
TEST(AnimationSources, KeysOutsideTheDurationAreClamped) {
    aiScene scene;
    scene.mRootNode = new aiNode("root");
    scene.mNumAnimations = 1;
    scene.mAnimations = new aiAnimation*[1];
    aiAnimation* animation = scene.mAnimations[0] = new aiAnimation;
    animation->mName = "Run";
    animation->mDuration = 100;
    animation->mTicksPerSecond = 100;
    animation->mNumChannels = 1;
    animation->mChannels = new aiNodeAnim*[1];
    aiNodeAnim* channel = animation->mChannels[0] = new aiNodeAnim;
    channel->mNodeName = "root";
    channel->mNumPositionKeys = 4;
    channel->mPositionKeys = new aiVectorKey[4]{{-10, aiVector3D(1, 0, 0)},
                                                {0, aiVector3D(2, 0, 0)},
                                                {50, aiVector3D(3, 0, 0)},
                                                {130, aiVector3D(4, 0, 0)}};
    EXPECT_EQ(clampKeysIntoDuration(*animation), 2u);
    const std::vector<AnimationSource> sources = animationSources(scene);
    ASSERT_EQ(sources.size(), 1u);
    EXPECT_EQ(sources[0].name, "Run");
    EXPECT_DOUBLE_EQ(sources[0].durationSeconds, 1.0);
    const struct {
        double seconds;
        double x;
    } samples[] = {{0, 2}, {0.25, 2.5}, {0.5, 3}, {0.75, 3.5}, {1.0, 4}};
    for (const auto& sample : samples) {
        const Matrix4 local = localTransform(*scene.mRootNode, &sources[0], sample.seconds);
        EXPECT_NEAR(local[0][3], sample.x, 1e-12) << sample.seconds << " s";
    }
}

Vector3 transformed(const RigidSplit& split, const Vector3& p) {
    return apply(split.rotation, apply(split.residual, p)) + split.translation;
}

// Whatever the matrix, rotation * residual + translation gives back the same
// points, and the rotation is a proper one (determinant 1).
TEST(SplitRigid, RebuildsThePointsWithAProperRotation) {
    const Vector3 axis = Geometry::normalize({0.3, 1, -0.2});
    const double s = std::sin(0.45);
    const Matrix4 rotation =
        Geometry::toMatrix({std::cos(0.45), s * axis.x, s * axis.y, s * axis.z});
    const Matrix4 stretch = scaling({2, 1, 0.5});
    const Matrix4 mirror = scaling({-1, 1, 1});
    const Matrix4 flat = scaling({1, 0, 1});
    const Matrix4 move = translation({3, -4, 5});
    const struct {
        const char* name;
        Matrix4 m;
        bool rigid;
    } cases[] = {
        {"rigid", move * rotation, true},
        {"stretched", move * rotation * stretch, false},
        {"mirrored", move * rotation * mirror, false},
        {"flattened (singular)", move * rotation * flat, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RigidSplit split = splitRigid(c.m);
        EXPECT_NEAR(determinant(split.rotation), 1.0, 1e-12);
        EXPECT_EQ(residualsDiffer(split.residual, Matrix3()), !c.rigid);
        for (const Vector3& p : {Vector3(1, 0, 0), Vector3(0, 2, 0), Vector3(-1, 1, 3)}) {
            const Vector3 expected = applyToPoint(c.m, p);
            EXPECT_NEAR(Geometry::length(transformed(split, p) - expected), 0, 1e-12);
        }
    }
}

TEST(SafeFileName, KeepsLabelsReadableAndPathsInside) {
    EXPECT_EQ(safeFileName("Armature|Walk cycle", true), "Armature_Walk_cycle");
    EXPECT_EQ(safeFileName("run-fast", true), "run-fast");
    EXPECT_EQ(safeFileName("run-fast", false), "run_fast");
    EXPECT_EQ(safeFileName("../../etc", true), "_._.._etc");
    EXPECT_EQ(safeFileName(std::string(200, 'a'), true).size(), 80u);
}

// Progress appears only once the work has taken longer than the delay, in
// steps of ten per cent; warnings always appear.
TEST(ImportLog, ProgressOnlyForLongWork) {
    std::ostringstream quick;
    ImportLog patient(quick, std::chrono::hours(1));
    patient.stage("sampling");
    patient.progress(0.5);
    patient.warn("3 vertices had more than 4 bone influences");
    EXPECT_EQ(quick.str(), "velmora-import: warning: 3 vertices had more than 4 bone influences\n");

    std::ostringstream slow;
    ImportLog eager(slow, std::chrono::seconds(0));
    eager.stage("sampling");
    for (double f : {0.0, 0.05, 0.12, 0.19, 0.5, 1.0}) {
        eager.progress(f);
    }
    EXPECT_EQ(slow.str(),
              "velmora-import: sampling\nvelmora-import: sampling 0%\nvelmora-import: sampling "
              "10%\nvelmora-import: sampling 50%\nvelmora-import: sampling 100%\n");
}

}  // namespace
