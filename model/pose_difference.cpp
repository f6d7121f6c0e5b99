#include "model/pose_difference.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "model/posed_box.h"

namespace velmora {
inline namespace model {

namespace {

using Geometry::Vector3;

// A measure for ranking: a number that is not one counts as the largest.
double measure(double value) {
    return std::isnan(value) ? std::numeric_limits<double>::infinity() : value;
}

// value as a multiple of threshold; a zero threshold makes any difference
// very large rather than a division by zero.
double multiple(double value, double threshold) {
    return measure(value) / std::max(threshold, std::numeric_limits<double>::min());
}

double score(const BoneDifference& d, const Thresholds& thresholds) {
    return std::max(multiple(d.degrees, thresholds.degrees),
                    multiple(d.distance, thresholds.distance));
}

// Each slot's parent: -1 for the root and for a bone no other names as child,
// -2 for an empty slot.
std::array<int, kMaxBones> parentsOf(const Model& model) {
    std::array<int, kMaxBones> parents;
    for (int slot = 0; slot < kMaxBones; ++slot) {
        parents[slot] = model.bones[slot] ? -1 : -2;
    }
    for (int slot = 0; slot < kMaxBones; ++slot) {
        if (model.bones[slot]) {
            for (const uint8_t child : model.bones[slot]->children) {
                parents[child] = slot;
            }
        }
    }
    return parents;
}

std::string parentText(int parent) {
    return parent < 0 ? "none" : std::to_string(parent);
}

void markReached(const Model& model, uint8_t bone, std::array<bool, kMaxBones>& reached) {
    reached[bone] = true;
    for (const uint8_t child : model.bones[bone]->children) {
        markReached(model, child, reached);
    }
}

// The bone's local rotation between the pair's keys, blended as posing blends it.
Geometry::Quaternion localRotation(const Animation& animation, int bone, const FramePair& pair) {
    const auto& keys = animation.tracks[bone]->keys;
    return Geometry::slerp(keys[pair.currentFrame].rotation, keys[pair.nextFrame].rotation,
                           pair.frameBlend);
}

Vector3 jointOf(const Geometry::Matrix4& transform) {
    return {transform[0][3], transform[1][3], transform[2][3]};
}

// The frame pair seconds into animation's loop at playbackRate, wrapping round
// the loop.
FramePair pairAt(const Animation& animation, int32_t playbackRate, double seconds) {
    const double loop = static_cast<double>(animation.frameCount) / effectiveRate(playbackRate);
    return selectFrames(animation, playbackRate, 0, -std::fmod(seconds, loop));
}

}  // namespace

bool exceeds(const BoneDifference& difference, const Thresholds& thresholds) {
    return !(difference.degrees <= thresholds.degrees) ||
           !(difference.distance <= thresholds.distance);
}

bool ranksBefore(const BoneDifference& a, const BoneDifference& b, const Thresholds& thresholds) {
    const double scoreA = score(a, thresholds);
    const double scoreB = score(b, thresholds);
    if (scoreA != scoreB) {
        return scoreA > scoreB;
    }
    if (measure(a.degrees) != measure(b.degrees)) {
        return measure(a.degrees) > measure(b.degrees);
    }
    return measure(a.distance) > measure(b.distance);
}

std::string skeletonMismatch(const Model& a, const Model& b, const std::string& nameA,
                             const std::string& nameB) {
    const auto count = [](const Model& model) {
        return std::count_if(model.bones.begin(), model.bones.end(),
                             [](const auto& bone) { return bone != nullptr; });
    };
    if (count(a) != count(b)) {
        return nameA + " has " + std::to_string(count(a)) + " bones, " + nameB + " has " +
               std::to_string(count(b));
    }
    const std::array<int, kMaxBones> parentsA = parentsOf(a);
    const std::array<int, kMaxBones> parentsB = parentsOf(b);
    for (int slot = 0; slot < kMaxBones; ++slot) {
        if ((parentsA[slot] == -2) != (parentsB[slot] == -2)) {
            const bool inA = parentsA[slot] != -2;
            return "bone " + std::to_string(slot) + " is in " + (inA ? nameA : nameB) +
                   " but not in " + (inA ? nameB : nameA);
        }
    }
    if (a.rootBone != b.rootBone) {
        return "the root bone is " + std::to_string(a.rootBone) + " in " + nameA + ", " +
               std::to_string(b.rootBone) + " in " + nameB;
    }
    for (int slot = 0; slot < kMaxBones; ++slot) {
        if (parentsA[slot] != parentsB[slot]) {
            return "the parent of bone " + std::to_string(slot) + " is " +
                   parentText(parentsA[slot]) + " in " + nameA + ", " + parentText(parentsB[slot]) +
                   " in " + nameB;
        }
    }
    return {};
}

std::size_t counterpartAnimation(const Model& b, std::size_t animation) {
    return animation < b.animations.size() ? animation : 0;
}

double defaultMaxDistance(const Model& a) {
    for (std::size_t index = 0; index < a.animations.size(); ++index) {
        if (isPlayable(a, static_cast<int32_t>(index))) {
            const Box box = firstKeyBox(a, a.animations[index]);
            return kDefaultDistanceShare * (box.high.y - box.low.y);
        }
    }
    return 0.0;
}

void poseDifferences(const Model& a, const Animation& animationA, const FramePair& pairA,
                     const Model& b, const Animation& animationB, const FramePair& pairB,
                     Pose& poseA, Pose& poseB, std::vector<BoneDifference>& differences) {
    poseSkeleton(a, animationA, pairA, poseA);
    poseSkeleton(b, animationB, pairB, poseB);
    std::array<bool, kMaxBones> reached{};
    markReached(a, a.rootBone, reached);
    differences.clear();
    for (int bone = 0; bone < kMaxBones; ++bone) {
        if (!reached[bone]) {
            continue;
        }
        BoneDifference difference;
        difference.bone = bone;
        difference.degrees = Geometry::degrees(Geometry::angleBetween(
            localRotation(animationA, bone, pairA), localRotation(animationB, bone, pairB)));
        difference.distance = Geometry::length(jointOf(poseA.boneTransforms[bone]) -
                                               jointOf(poseB.boneTransforms[bone]));
        differences.push_back(difference);
    }
}

Comparison compareCharacters(const Model& a, const Model& b, const ComparisonOptions& options,
                             const std::string& nameA, const std::string& nameB) {
    Comparison comparison;
    comparison.skeletonMismatch = skeletonMismatch(a, b, nameA, nameB);
    comparison.thresholds = {options.maxDegrees,
                             options.maxDistance ? *options.maxDistance : defaultMaxDistance(a)};
    if (!comparison.skeletonMismatch.empty()) {
        return comparison;
    }
    Pose poseA;
    Pose poseB;
    std::vector<BoneDifference> pose;
    const int32_t rateA = effectiveRate(a.playbackRate);
    const int32_t rateB = effectiveRate(b.playbackRate);
    for (std::size_t index = 0; index < a.animations.size(); ++index) {
        if (options.animation && *options.animation != index) {
            continue;
        }
        const std::size_t counterpart = counterpartAnimation(b, index);
        if (!isPlayable(a, static_cast<int32_t>(index)) ||
            !isPlayable(b, static_cast<int32_t>(counterpart))) {
            comparison.uncompared.push_back(index);
            continue;
        }
        const Animation& animationA = a.animations[index];
        const Animation& animationB = b.animations[counterpart];
        const bool keyForKey = animationA.frameCount == animationB.frameCount && rateA == rateB;
        for (uint32_t key = 0; key < animationA.frameCount; ++key) {
            const FramePair pairA{key, key, 0.0};
            const FramePair pairB =
                keyForKey ? pairA : pairAt(animationB, rateB, static_cast<double>(key) / rateA);
            poseDifferences(a, animationA, pairA, b, animationB, pairB, poseA, poseB, pose);
            for (BoneDifference& difference : pose) {
                difference.animation = index;
                difference.key = key;
                comparison.exceeding += exceeds(difference, comparison.thresholds) ? 1 : 0;
                comparison.largestDegrees =
                    std::max(comparison.largestDegrees, measure(difference.degrees));
                comparison.largestDistance =
                    std::max(comparison.largestDistance, measure(difference.distance));
                comparison.differences.push_back(difference);
            }
        }
    }
    std::stable_sort(comparison.differences.begin(), comparison.differences.end(),
                     [&](const BoneDifference& x, const BoneDifference& y) {
                         return ranksBefore(x, y, comparison.thresholds);
                     });
    return comparison;
}

}  // namespace model
}  // namespace velmora
