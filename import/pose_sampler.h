#pragma once
// The scene's node transforms at any moment of an animation, in double
// precision, and their split into the rigid part that a bone key can express and
// the rest, which must stay the same over time to be carried by the offsets.

#include <assimp/scene.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "import/linear_algebra.h"
#include "import/skeleton.h"

namespace velmora {
inline namespace importer {

// Ticks per second assumed when a file gives none.
constexpr double kDefaultTicksPerSecond = 25.0;

// The keys of one node in one animation, times in seconds, sorted (stably, so keys of equal time
// keep their order). A component without keys keeps the node's own value.
struct NodeChannel {
    std::vector<std::pair<double, Vector3>> positions;
    std::vector<std::pair<double, Quaternion>> rotations;
    std::vector<std::pair<double, Vector3>> scalings;
};

// One animation as it is converted: possibly several of the file's animations
// merged (a file with one animation per joint).
struct AnimationSource {
    std::string name;
    double durationSeconds = 0.0;
    std::map<const aiNode*, NodeChannel> channels;
};

// Moves every key of animation that lies outside its duration (before 0, after
// its end, or at no number) to its start or end; returns how many were moved.
// The duration is the file's, or the last key's time when the file gives none.
std::size_t clampKeysIntoDuration(aiAnimation& animation);

// The animations of the scene, each duration converted with its own ticks per
// second. Several animations of one channel each, on different nodes, that
// share a name or carry only names an exporter made up (empty, the node's name,
// "Animation 3", "Bone_anim") become one animation (named like them when they
// share a name, else "Animation"); named ones stay apart. Unnamed
// animations are called "Animation <n>", n counted from 1. Keys must lie within
// their animation's duration (clampKeysIntoDuration).
std::vector<AnimationSource> animationSources(const aiScene& scene);

// A component's value at `seconds` from its keys (not empty): linear between
// positions or scalings, spherical (shorter arc) between rotations; before the
// first and after the last key the nearest key holds.
Vector3 sampledPosition(const std::vector<std::pair<double, Vector3>>& keys, double seconds);
Quaternion sampledRotation(const std::vector<std::pair<double, Quaternion>>& keys, double seconds);

// One animation named `name`, its channels bound to the nodes of that name
// (those that name no node are left out): the animation may come from another
// scene than the nodes, as a clip file's does.
AnimationSource animationSource(const aiAnimation& animation, const NodesByName& nodes,
                                std::string name);

// The node's transform relative to its parent at `seconds` into animation, or
// its own transform when animation is null or has no channel for it. Linear
// between position and scaling keys, spherical (shorter arc) between rotations;
// before the first and after the last key the nearest key holds.
Matrix4 localTransform(const aiNode& node, const AnimationSource* animation, double seconds);

// Model-space transforms (relative to the scene's root) of each bone of
// skeleton, the nodes above the skeleton's root included.
std::vector<Matrix4> boneGlobals(const Skeleton& skeleton, const AnimationSource* animation,
                                 double seconds);

// The transform of any node relative to the scene's root, in the rest pose.
Matrix4 restGlobal(const aiNode& node);

// m = [rotation | translation] * residual: the rotation is the orthogonal factor
// of m's 3x3 part (polar decomposition, a proper rotation even when m mirrors),
// the residual holds scale, shear and mirroring. A singular m yields the
// identity rotation and m's 3x3 part as residual.
struct RigidSplit {
    Matrix3 rotation;
    Vector3 translation;
    Matrix3 residual;
};
RigidSplit splitRigid(const Matrix4& m);

// Whether two residuals differ by more than rounding of single-precision input.
bool residualsDiffer(const Matrix3& a, const Matrix3& b);

}  // namespace importer
}  // namespace velmora
