#include "import/pose_sampler.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <iterator>
#include <set>

#include "import/to_geometry.h"

namespace velmora {
inline namespace importer {

namespace {

double ticksPerSecond(const aiAnimation& animation) {
    return animation.mTicksPerSecond > 0 ? animation.mTicksPerSecond : kDefaultTicksPerSecond;
}

// The animation's length in ticks: as the file says, or up to its last key.
double durationTicks(const aiAnimation& animation) {
    if (animation.mDuration > 0) {
        return animation.mDuration;
    }
    double last = 0.0;
    for (unsigned int c = 0; c < animation.mNumChannels; ++c) {
        const aiNodeAnim& channel = *animation.mChannels[c];
        if (channel.mNumPositionKeys) {
            last = std::max(last, channel.mPositionKeys[channel.mNumPositionKeys - 1].mTime);
        }
        if (channel.mNumRotationKeys) {
            last = std::max(last, channel.mRotationKeys[channel.mNumRotationKeys - 1].mTime);
        }
        if (channel.mNumScalingKeys) {
            last = std::max(last, channel.mScalingKeys[channel.mNumScalingKeys - 1].mTime);
        }
    }
    return last;
}

template <typename Key>
std::size_t clampKeys(Key* keys, unsigned int count, double duration) {
    std::size_t moved = 0;
    for (unsigned int k = 0; k < count; ++k) {
        const double time = keys[k].mTime;
        const double inside = time >= 0 ? std::min(time, duration) : 0.0;
        moved += inside != time ? 1 : 0;
        keys[k].mTime = inside;
    }
    return moved;
}

template <typename Key, typename Value, typename Convert>
std::vector<std::pair<double, Value>> keysInSeconds(const Key* keys, unsigned int count,
                                                    double ticksPerSecond, Convert convert) {
    std::vector<std::pair<double, Value>> result;
    result.reserve(count);
    for (unsigned int k = 0; k < count; ++k) {
        result.emplace_back(keys[k].mTime / ticksPerSecond, convert(keys[k].mValue));
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return result;
}

void addChannels(const aiAnimation& animation, const NodesByName& nodes, AnimationSource& source) {
    const double tps = ticksPerSecond(animation);
    const double duration = durationTicks(animation) / tps;
    source.durationSeconds = std::max(source.durationSeconds, duration);
    for (unsigned int c = 0; c < animation.mNumChannels; ++c) {
        const aiNodeAnim& keys = *animation.mChannels[c];
        const aiNode* node = nodes.find(keys.mNodeName.C_Str());
        if (!node) {
            continue;
        }
        const auto vector = [](const aiVector3D& v) { return toGeometry(v); };
        // Made unit in double precision: two nearby keys stored in single
        // precision can have a dot product above 1, for which the spherical
        // blend keeps its first key, so that a time a rounding error before a
        // key would show the key before it.
        const auto rotation = [](const aiQuaternion& q) {
            return Geometry::normalize(toGeometry(q));
        };
        NodeChannel& channel = source.channels[node];
        channel.positions = keysInSeconds<aiVectorKey, Vector3>(keys.mPositionKeys,
                                                                keys.mNumPositionKeys, tps, vector);
        channel.rotations = keysInSeconds<aiQuatKey, Quaternion>(
            keys.mRotationKeys, keys.mNumRotationKeys, tps, rotation);
        channel.scalings = keysInSeconds<aiVectorKey, Vector3>(keys.mScalingKeys,
                                                               keys.mNumScalingKeys, tps, vector);
    }
}

std::string lowerCase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// Whether a one-channel animation's name is one an exporter made up rather
// than a name its author gave: empty, or, once the driven node's name is taken
// out of it, nothing but separators, digits and the words exporters add
// ("Armature|Bone|Action", "joint3_anim", "Animation 7", "Take 001").
bool isMadeUpName(const std::string& name, const std::string& node) {
    std::string rest = lowerCase(name);
    const std::string lowerNode = lowerCase(node);
    if (const std::size_t at = lowerNode.empty() ? std::string::npos : rest.find(lowerNode);
        at != std::string::npos) {
        rest.erase(at, lowerNode.size());
    }
    static const char* const kMadeUpWords[] = {"animation", "anim",   "action", "armature",
                                               "take",      "track",  "pose",   "matrix",
                                               "transform", "channel"};
    for (std::size_t i = 0; i < rest.size();) {
        const unsigned char c = static_cast<unsigned char>(rest[i]);
        if (!std::isalpha(c)) {
            ++i;
            continue;
        }
        const auto word =
            std::find_if(std::begin(kMadeUpWords), std::end(kMadeUpWords),
                         [&](const char* w) { return rest.compare(i, std::strlen(w), w) == 0; });
        if (word == std::end(kMadeUpWords)) {
            return false;
        }
        i += std::strlen(*word);
    }
    return true;
}

// Several animations that each move one node, a different one, named alike or
// by names the exporter made up: what exporters that write one animation per
// joint produce. Animations that carry names of their own stay apart, whatever
// they drive (a lever's "pull" and a wheel's "spin").
bool isOneAnimationPerJoint(const aiScene& scene) {
    if (scene.mNumAnimations < 2) {
        return false;
    }
    std::set<std::string> nodes;
    bool shareName = true;
    bool madeUpNames = true;
    for (unsigned int a = 0; a < scene.mNumAnimations; ++a) {
        const aiAnimation& animation = *scene.mAnimations[a];
        if (animation.mNumChannels != 1 ||
            !nodes.insert(animation.mChannels[0]->mNodeName.C_Str()).second) {
            return false;
        }
        shareName = shareName && animation.mName == scene.mAnimations[0]->mName;
        madeUpNames = madeUpNames && isMadeUpName(animation.mName.C_Str(),
                                                  animation.mChannels[0]->mNodeName.C_Str());
    }
    return shareName || madeUpNames;
}

template <typename Value, typename Blend>
Value sampled(const std::vector<std::pair<double, Value>>& keys, double seconds, Blend blend) {
    const auto after = std::upper_bound(keys.begin(), keys.end(), seconds,
                                        [](double t, const auto& key) { return t < key.first; });
    if (after == keys.begin()) {
        return keys.front().second;
    }
    if (after == keys.end()) {
        return keys.back().second;
    }
    const auto& before = *(after - 1);
    const double span = after->first - before.first;
    return blend(before.second, after->second, span > 0 ? (seconds - before.first) / span : 1.0);
}

// T * R * S: scaled first, then rotated, then moved.
Matrix4 composed(const Vector3& scaling, const Quaternion& rotation, const Vector3& position) {
    const Matrix4 r = Geometry::toMatrix(rotation);
    return Matrix4({r[0][0] * scaling.x, r[0][1] * scaling.y, r[0][2] * scaling.z, position.x},
                   {r[1][0] * scaling.x, r[1][1] * scaling.y, r[1][2] * scaling.z, position.y},
                   {r[2][0] * scaling.x, r[2][1] * scaling.y, r[2][2] * scaling.z, position.z},
                   {0, 0, 0, 1});
}

}  // namespace

std::size_t clampKeysIntoDuration(aiAnimation& animation) {
    const double duration = durationTicks(animation);
    std::size_t moved = 0;
    for (unsigned int c = 0; c < animation.mNumChannels; ++c) {
        aiNodeAnim& keys = *animation.mChannels[c];
        moved += clampKeys(keys.mPositionKeys, keys.mNumPositionKeys, duration) +
                 clampKeys(keys.mRotationKeys, keys.mNumRotationKeys, duration) +
                 clampKeys(keys.mScalingKeys, keys.mNumScalingKeys, duration);
    }
    return moved;
}

std::vector<AnimationSource> animationSources(const aiScene& scene) {
    const NodesByName nodes(scene);
    std::vector<AnimationSource> sources;
    if (isOneAnimationPerJoint(scene)) {
        AnimationSource merged;
        merged.name = scene.mAnimations[0]->mName.C_Str();
        for (unsigned int a = 0; a < scene.mNumAnimations; ++a) {
            if (merged.name != scene.mAnimations[a]->mName.C_Str()) {
                merged.name = "Animation";
            }
            addChannels(*scene.mAnimations[a], nodes, merged);
        }
        if (merged.name.empty()) {
            merged.name = "Animation";
        }
        sources.push_back(std::move(merged));
        return sources;
    }
    for (unsigned int a = 0; a < scene.mNumAnimations; ++a) {
        const std::string name = scene.mAnimations[a]->mName.C_Str();
        sources.push_back(
            animationSource(*scene.mAnimations[a], nodes,
                            name.empty() ? "Animation " + std::to_string(a + 1) : name));
    }
    return sources;
}

AnimationSource animationSource(const aiAnimation& animation, const NodesByName& nodes,
                                std::string name) {
    AnimationSource source;
    source.name = std::move(name);
    addChannels(animation, nodes, source);
    return source;
}

Vector3 sampledPosition(const std::vector<std::pair<double, Vector3>>& keys, double seconds) {
    return sampled(keys, seconds, [](const Vector3& a, const Vector3& b, double t) {
        return Geometry::lerp(a, b, t);
    });
}

Quaternion sampledRotation(const std::vector<std::pair<double, Quaternion>>& keys, double seconds) {
    return sampled(keys, seconds, [](const Quaternion& a, const Quaternion& b, double t) {
        return Geometry::normalize(Geometry::slerp(a, b, t));
    });
}

Matrix4 localTransform(const aiNode& node, const AnimationSource* animation, double seconds) {
    const Matrix4 own = toGeometry(node.mTransformation);
    if (!animation) {
        return own;
    }
    const auto found = animation->channels.find(&node);
    if (found == animation->channels.end()) {
        return own;
    }
    const NodeChannel& channel = found->second;
    auto [scaling, rotation, position] = decompose(own);
    if (!channel.positions.empty()) {
        position = sampledPosition(channel.positions, seconds);
    }
    if (!channel.rotations.empty()) {
        rotation = sampledRotation(channel.rotations, seconds);
    }
    if (!channel.scalings.empty()) {
        scaling = sampledPosition(channel.scalings, seconds);
    }
    return composed(scaling, Geometry::normalize(rotation), position);
}

std::vector<Matrix4> boneGlobals(const Skeleton& skeleton, const AnimationSource* animation,
                                 double seconds) {
    std::vector<Matrix4> globals(skeleton.nodes.size());
    for (std::size_t b = 0; b < skeleton.nodes.size(); ++b) {
        const aiNode& node = *skeleton.nodes[b];
        const Matrix4 local = localTransform(node, animation, seconds);
        if (skeleton.parents[b] >= 0) {
            globals[b] = globals[skeleton.parents[b]] * local;
            continue;
        }
        Matrix4 above;
        for (const aiNode* n = node.mParent; n; n = n->mParent) {
            above = localTransform(*n, animation, seconds) * above;
        }
        globals[b] = above * local;
    }
    return globals;
}

Matrix4 restGlobal(const aiNode& node) {
    Matrix4 global;
    for (const aiNode* n = &node; n; n = n->mParent) {
        global = toGeometry(n->mTransformation) * global;
    }
    return global;
}

namespace {

double largestEntry(const Matrix3& m) {
    double largest = 0.0;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            largest = std::max(largest, std::fabs(m[r][c]));
        }
    }
    return largest;
}

// Polar decomposition by the averaging iteration R <- (R + R^-T) / 2, which
// converges quadratically to the orthogonal factor of an invertible matrix.
constexpr int kPolarIterations = 100;
constexpr double kPolarTolerance = 1e-15;
// Below this determinant (relative to the matrix's size) the 3x3 part counts
// as singular: a node scaled to nothing has no rotation to recover.
constexpr double kSingular = 1e-12;

}  // namespace

RigidSplit splitRigid(const Matrix4& m) {
    RigidSplit split;
    split.translation = Vector3(m[0][3], m[1][3], m[2][3]);
    const Matrix3 a = linearPart(m);
    const double size = largestEntry(a);
    const double volume = determinant(a);
    if (!(size > 0) || !std::isfinite(volume) ||
        std::fabs(volume) < kSingular * size * size * size) {
        split.residual = a;
        return split;
    }
    Matrix3 r = volume < 0 ? -1.0 * a : a;
    for (int i = 0; i < kPolarIterations; ++i) {
        const Matrix3 inverseTransposed = transposed(inverse(r));
        Matrix3 next;
        double change = 0.0;
        for (int row = 0; row < 3; ++row) {
            for (int c = 0; c < 3; ++c) {
                next[row][c] = 0.5 * (r[row][c] + inverseTransposed[row][c]);
                change = std::max(change, std::fabs(next[row][c] - r[row][c]));
            }
        }
        r = next;
        if (change < kPolarTolerance) {
            break;
        }
    }
    split.rotation = r;
    split.residual = transposed(r) * a;
    return split;
}

bool residualsDiffer(const Matrix3& a, const Matrix3& b) {
    constexpr double kRelativeTolerance = 1e-4;
    const double size = std::max(largestEntry(a), largestEntry(b));
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            if (std::fabs(a[r][c] - b[r][c]) > kRelativeTolerance * size) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace importer
}  // namespace velmora
