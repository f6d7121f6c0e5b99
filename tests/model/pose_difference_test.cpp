// The comparison of two characters: what is planted in B is found where it was
// planted, with its size, and nothing else; skeletons that differ are told
// apart; B with other keys is sampled at A's key times.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <tuple>

#include "model/pose_difference.h"

using namespace velmora;

namespace {

Geometry::Quaternion turn(double degrees, const Geometry::Vector3& axis) {
    const double half = Geometry::radians(degrees) / 2;
    return {std::cos(half), std::sin(half) * axis.x, std::sin(half) * axis.y,
            std::sin(half) * axis.z};
}

// A chain of three bones, 0 -> 1 -> 2, one unit apart upwards, with one
// animation of `keys` keys at `rate` keys a second in which, t seconds in,
// the root has moved t units along x and bone 1 has turned 50 t degrees about
// z: motion that blending between keys reproduces exactly. Two units tall.
Model chain(uint32_t keys, int32_t rate) {
    Model model;
    model.playbackRate = rate;
    model.texture = std::make_unique<Texture>();
    for (int bone = 0; bone < 3; ++bone) {
        model.bones[bone] = std::make_unique<Bone>();
    }
    model.bones[0]->children = {1};
    model.bones[1]->children = {2};
    Animation& animation = model.animations.emplace_back();
    animation.frameCount = keys;
    for (int bone = 0; bone < 3; ++bone) {
        animation.tracks[bone] = std::make_unique<BoneTrack>();
        for (uint32_t k = 0; k < keys; ++k) {
            const double t = static_cast<double>(k) / rate;
            animation.tracks[bone]->keys.push_back(
                bone == 0 ? Keyframe{{1, 0, 0, 0}, {t, 0, 0}}
                          : Keyframe{turn(bone == 1 ? 50 * t : 0, {0, 0, 1}), {0, 1, 0}});
        }
    }
    return model;
}

Keyframe& key(Model& model, int bone, int k) {
    return model.animations[0].tracks[bone]->keys[k];
}

// A difference that exceeds the thresholds: key, bone, degrees, distance.
using Found = std::tuple<uint32_t, int, double, double>;

}  // namespace

TEST(PoseDifference, FindsWhatWasPlantedAndNothingElse) {
    const struct {
        const char* name;
        std::function<void(Model&)> plant;
        const char* mismatch;
        std::vector<Found> found;
    } rows[] = {
        {"identical", [](Model&) {}, "", {}},
        {"bone 2 turned 30 degrees about x at key 1",
         [](Model& b) {
             key(b, 2, 1).rotation = turn(30, {1, 0, 0}) * key(b, 2, 1).rotation;
         },
         "",
         {{1, 2, 30, 0}}},
        {"bone 1 moved half a unit at key 3: its child moves with it",
         [](Model& b) {
             key(b, 1, 3).translation = {0.5, 1, 0};
         },
         "",
         {{3, 1, 0, 0.5}, {3, 2, 0, 0.5}}},
        {"within the thresholds: 0.05 degrees",
         [](Model& b) {
             key(b, 2, 4).rotation = turn(0.05, {1, 0, 0});
         },
         "",
         {}},
        {"B with 3 keys at 5 a second, A's odd keys between B's",
         [](Model& b) { b = chain(3, 5); },
         "",
         {}},
        {"B with 10 keys at 20 a second", [](Model& b) { b = chain(10, 20); }, "", {}},
        {"another bone",
         [](Model& b) { b.bones[7] = std::make_unique<Bone>(); },
         "A has 3 bones, B has 4",
         {}},
        {"another parent",
         [](Model& b) {
             b.bones[1]->children.clear();
             b.bones[0]->children.push_back(2);
         },
         "the parent of bone 2 is 1 in A, 0 in B",
         {}},
    };
    const Model a = chain(5, 10);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Model b = chain(5, 10);
        row.plant(b);
        const Comparison comparison = compareCharacters(a, b, {});
        EXPECT_EQ(comparison.skeletonMismatch, row.mismatch);
        EXPECT_EQ(comparison.thresholds.distance, 0.002) << "a thousandth of A's height";
        EXPECT_EQ(comparison.differences.size(), *row.mismatch ? 0u : 15u);
        ASSERT_EQ(comparison.exceeding, row.found.size());
        std::vector<BoneDifference> exceeding(
            comparison.differences.begin(),
            comparison.differences.begin() + static_cast<std::ptrdiff_t>(row.found.size()));
        std::sort(exceeding.begin(), exceeding.end(), [](const auto& x, const auto& y) {
            return std::pair(x.key, x.bone) < std::pair(y.key, y.bone);
        });
        for (std::size_t i = 0; i < row.found.size(); ++i) {
            const auto& [k, bone, degrees, distance] = row.found[i];
            EXPECT_EQ(exceeding[i].key, k);
            EXPECT_EQ(exceeding[i].bone, bone);
            EXPECT_NEAR(exceeding[i].degrees, degrees, 1e-9);
            EXPECT_NEAR(exceeding[i].distance, distance, 1e-9);
        }
        for (std::size_t i = row.found.size(); i < comparison.differences.size(); ++i) {
            EXPECT_LT(comparison.differences[i].degrees, 0.1 - 1e-9);
            EXPECT_LT(comparison.differences[i].distance, 1e-9);
        }
    }
}

TEST(PoseDifference, OneAnimationAndTheThresholdsGiven) {
    Model a = chain(5, 10);
    Model b = chain(5, 10);
    for (Model* model : {&a, &a, &b}) {
        model->animations.push_back(std::move(chain(5, 10).animations[0]));
    }
    key(b, 2, 4).rotation = turn(1, {1, 0, 0});
    ComparisonOptions options;
    options.animation = 0;
    options.maxDegrees = 2;
    options.maxDistance = 0.5;
    Comparison comparison = compareCharacters(a, b, options);
    EXPECT_EQ(comparison.differences.size(), 15u) << "animation 1 only";
    EXPECT_EQ(comparison.exceeding, 0u) << "1 degree is within 2";
    EXPECT_NEAR(comparison.differences[0].degrees, 1, 1e-9);
    comparison = compareCharacters(a, b, {});
    ASSERT_EQ(comparison.exceeding, 2u) << "B's first animation stands in for its third";
    EXPECT_EQ(comparison.differences[0].animation, 0u);
    EXPECT_EQ(comparison.differences[1].animation, 2u);
    b.animations[0].rejection = "broken";
    EXPECT_EQ(compareCharacters(a, b, {}).uncompared, (std::vector<std::size_t>{0, 2}));
}
