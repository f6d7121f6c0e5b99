// Skinning gives the positions of the straightforward loop (one influence at a
// time, through each bone's own Matrix4) to the last bit, with every loop that
// this processor runs.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "benchmarks/baseline_frame.h"
#include "files/load.h"
#include "model/pipeline.h"
#include "tests/benchmarks/sample_models.h"

using namespace velmora;

using Geometry::Matrix4;
using Geometry::Vector3;

namespace {

const SkinningLoop kLoops[] = {SkinningLoop::Portable, SkinningLoop::Avx2};

const char* nameOf(SkinningLoop loop) {
    return loop == SkinningLoop::Portable ? "portable loop" : "AVX2 loop";
}

// The first vertex whose position differs in any bit, or -1.
long firstDifferentVertex(const std::vector<Vector3>& a, const std::vector<Vector3>& b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::memcmp(&a[i], &b[i], sizeof(Vector3)) != 0) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

// Skins model in pose with every supported loop and with the baseline; every
// loop must give the baseline's bits. Positions start out as NaN, so a vertex
// that a loop leaves alone shows. Returns the baseline's positions.
std::vector<Vector3> expectBaselineBits(const Model& model, const Pose& pose) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<Vector3> expected(model.vertexCount(), Vector3(nan, nan, nan));
    skinScalar(model, pose, expected);
    for (SkinningLoop loop : kLoops) {
        if (!isSupported(loop)) {
            continue;
        }
        SCOPED_TRACE(nameOf(loop));
        std::vector<Vector3> positions(model.vertexCount(), Vector3(nan, nan, nan));
        skin(model, pose, positions, loop);
        const long vertex = firstDifferentVertex(expected, positions);
        EXPECT_EQ(vertex, -1) << "vertex " << vertex;
    }
    return expected;
}

}  // namespace

TEST(Skinning, ThePortableLoopRunsEverywhere) {
    EXPECT_TRUE(isSupported(SkinningLoop::Portable));
}

// Every bone's transform full of unrelated numbers of all magnitudes (also in
// the bottom row, which skinning ignores); vertices with 0, 1, 2, 3, 4, 5, 7,
// 16 and 255 influences, so that the running influence index crosses vertices
// of every size; weights of both signs, 0 and -0 among them.
TEST(Skinning, AwkwardNumbersGiveTheBaselinesBits) {
    std::mt19937_64 random(20240601);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-30, 30);
    auto number = [&] {
        const int kind = static_cast<int>(random() % 16);
        if (kind == 0) {
            return 0.0;
        }
        if (kind == 1) {
            return -0.0;
        }
        return std::ldexp(mantissa(random), exponent(random));
    };
    Model model;
    Pose pose;
    for (int bone = 0; bone < kMaxBones; ++bone) {
        model.bones[bone] = std::make_unique<Bone>();
        for (auto& row : pose.boneTransforms[bone].rows) {
            row = {number(), number(), number(), number()};
        }
    }
    const uint8_t counts[] = {0, 1, 2, 3, 4, 5, 7, 16, 255};
    for (int round = 0; round < 40; ++round) {
        for (uint8_t count : counts) {
            model.influenceCounts.push_back(count);
            for (int n = 0; n < count; ++n) {
                model.influences.push_back({{number(), number(), number()},
                                            static_cast<uint8_t>(random() % kMaxBones),
                                            number()});
            }
        }
    }
    expectBaselineBits(model, pose);
}

// Offsets of -0 on a bone whose transform is 0 except for a translation of -0:
// every product is -0, and the sum that starts at +0 must stay +0, as in the
// baseline.
TEST(Skinning, NegativeZerosGiveTheBaselinesSigns) {
    Model model;
    model.bones[0] = std::make_unique<Bone>();
    Pose pose;
    pose.boneTransforms[0] =
        Matrix4({0, 0, 0, -0.0}, {0, 0, 0, -0.0}, {0, 0, 0, -0.0}, {0, 0, 0, 1});
    model.influenceCounts = {1, 2};
    for (int n = 0; n < 3; ++n) {
        model.influences.push_back({{-0.0, -0.0, -0.0}, 0, 1.0});
    }
    EXPECT_FALSE(std::signbit(expectBaselineBits(model, pose)[0].x));
}

// The benchmarked models, posed by their first animation at several clock
// readings (milliseconds).
TEST(Skinning, TheBenchmarkedModelsGiveTheBaselinesBits) {
    for (const char* name : {"schoolgirl", "stress"}) {
        SCOPED_TRACE(name);
        const LoadResult loaded = loadModelFile(sampleModelPath(name), {});
        ASSERT_TRUE(loaded.modelRead);
        const Model& model = loaded.model;
        for (int64_t milliseconds : {0, 517, 1990, 123457}) {
            SCOPED_TRACE(std::to_string(milliseconds) + " ms");
            const Animation& animation = model.animations[0];
            Pose pose;
            poseSkeleton(model, animation,
                         selectFrames(animation, model.playbackRate, milliseconds), pose);
            expectBaselineBits(model, pose);
        }
    }
}
