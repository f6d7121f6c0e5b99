#pragma once
// The comparison of two characters with one skeleton, "A" and "B" (two exports
// of one character, say), pose by pose: for each key of A and each bone, the
// angle between the two bones' local rotations and the distance between their
// joints in model space, B sampled at A's key times. velmora-info --diff lists
// the differences; the viewer names the bone that differs most in the pose it
// shows. A plain job: models and options in, differences out, nothing kept.
//
// Input: Models that keep the invariants of files/model.h. An animation is
// compared only when both sides can be played (isPlayable).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/model.h"
#include "model/pipeline.h"

namespace velmora {
inline namespace model {

// The thresholds when none are given: an angle in degrees, and a distance as a
// share of A's height (defaultMaxDistance).
constexpr double kDefaultMaxDegrees = 0.1;
constexpr double kDefaultDistanceShare = 0.001;

struct BoneDifference {
    // A's animation and key, counted from 0.
    std::size_t animation = 0;
    uint32_t key = 0;
    int bone = 0;
    // Of the rotation that carries A's local rotation to B's, 0 to 180; q and
    // -q are the same rotation.
    double degrees = 0.0;
    // Between the bone's joints (the origins of its frames) in model space.
    double distance = 0.0;
};

// A difference exceeds them when its angle or its distance is larger (or not
// a number).
struct Thresholds {
    double degrees = kDefaultMaxDegrees;
    double distance = 0.0;
};
bool exceeds(const BoneDifference& difference, const Thresholds& thresholds);

// Whether a ranks before b, largest first: by the larger of its angle and its
// distance, each taken as a multiple of its threshold; ties by the angle, then
// the distance. A number that is not one ranks as the largest.
bool ranksBefore(const BoneDifference& a, const BoneDifference& b, const Thresholds& thresholds);

// How the skeletons of a and b differ, in one line that names them nameA and
// nameB (bone counts, a bone slot held by one only, a bone's parent, the root
// bone); empty when they have the same bones with the same parents.
std::string skeletonMismatch(const Model& a, const Model& b, const std::string& nameA,
                             const std::string& nameB);

// B's animation that A's animation (counted from 0) is compared with: the one
// of the same index, or B's first when B has fewer.
std::size_t counterpartAnimation(const Model& b, std::size_t animation);

// kDefaultDistanceShare times A's height: the upright (y) side of its
// firstKeyBox in its first playable animation; 0 when none can be played.
double defaultMaxDistance(const Model& a);

// The differences of every bone that posing reaches, in slot order, between a
// posed at pairA in animationA and b posed at pairB in animationB (each of its
// own model and playable; the skeletons match). animation and key are left 0.
// poseA and poseB are the caller's scratch; differences is replaced.
void poseDifferences(const Model& a, const Animation& animationA, const FramePair& pairA,
                     const Model& b, const Animation& animationB, const FramePair& pairB,
                     Pose& poseA, Pose& poseB, std::vector<BoneDifference>& differences);

struct ComparisonOptions {
    // Only this animation of A (counted from 0); every one when none.
    std::optional<std::size_t> animation;
    double maxDegrees = kDefaultMaxDegrees;
    // defaultMaxDistance(a) when none.
    std::optional<double> maxDistance;
};

struct Comparison {
    // Set when the skeletons differ: then nothing was compared.
    std::string skeletonMismatch;
    // The thresholds used.
    Thresholds thresholds;
    // For each compared animation of A, each of its keys and each bone:
    // largest first (ranksBefore), ties in the order animation, key, bone.
    std::vector<BoneDifference> differences;
    // How many of them exceed the thresholds; the largest angle and distance
    // among them (0 without any; infinity where one is not a number).
    std::size_t exceeding = 0;
    double largestDegrees = 0.0;
    double largestDistance = 0.0;
    // A's animations (counted from 0) that were not compared because one side
    // cannot be played.
    std::vector<std::size_t> uncompared;
};

// B is sampled at A's key times: key k of a animation at rate R lies k / R
// seconds into its loop; B, at its own rate, is posed at that moment of its
// loop (wrapping round it when it is shorter), through selectFrames, so that
// keys between B's keys are blended as playback blends them. With equal key
// counts and rates key k is compared with key k. nameA and nameB name the
// models in a skeleton mismatch.
Comparison compareCharacters(const Model& a, const Model& b, const ComparisonOptions& options,
                             const std::string& nameA = "A", const std::string& nameB = "B");

}  // namespace model
}  // namespace velmora
