#include "tools/import/pose_sampler.h"

#include <algorithm>
#include <cmath>
#include <set>

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

void addChannels(const aiAnimation& animation, const std::map<std::string, const aiNode*>& nodes,
                 AnimationSource& source) {
    const double tps = ticksPerSecond(animation);
    const double duration = durationTicks(animation) / tps;
    source.durationSeconds = std::max(source.durationSeconds, duration);
    for (unsigned int c = 0; c < animation.mNumChannels; ++c) {
        const aiNodeAnim& keys = *animation.mChannels[c];
        const auto node = nodes.find(keys.mNodeName.C_Str());
        if (node == nodes.end()) {
            continue;
        }
        const auto vector = [](const aiVector3D& v) { return Vector(v.x, v.y, v.z); };
        const auto rotation = [](const aiQuaternion& q) { return Rotation(q.w, q.x, q.y, q.z); };
        NodeChannel& channel = source.channels[node->second];
        channel.positions = keysInSeconds<aiVectorKey, Vector>(keys.mPositionKeys,
                                                               keys.mNumPositionKeys, tps, vector);
        channel.rotations = keysInSeconds<aiQuatKey, Rotation>(
            keys.mRotationKeys, keys.mNumRotationKeys, tps, rotation);
        channel.scalings = keysInSeconds<aiVectorKey, Vector>(keys.mScalingKeys,
                                                              keys.mNumScalingKeys, tps, vector);
    }
}

// Several animations that each move one node, a different one: what exporters
// that write one animation per joint produce.
bool isOneAnimationPerJoint(const aiScene& scene) {
    if (scene.mNumAnimations < 2) {
        return false;
    }
    std::set<std::string> nodes;
    for (unsigned int a = 0; a < scene.mNumAnimations; ++a) {
        const aiAnimation& animation = *scene.mAnimations[a];
        if (animation.mNumChannels != 1 ||
            !nodes.insert(animation.mChannels[0]->mNodeName.C_Str()).second) {
            return false;
        }
    }
    return true;
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

Vector lerp(const Vector& a, const Vector& b, double t) {
    return a + (b - a) * t;
}

// T * R * S: scaled first, then rotated, then moved. (The library's own
// constructor from these three scales the rotated axes instead, which differs
// for unequal scale factors.)
Matrix composed(const Vector& scaling, const Rotation& rotation, const Vector& position) {
    const Matrix3 r = rotation.GetMatrix();
    return Matrix(r.a1 * scaling.x, r.a2 * scaling.y, r.a3 * scaling.z, position.x,
                  r.b1 * scaling.x, r.b2 * scaling.y, r.b3 * scaling.z, position.y,
                  r.c1 * scaling.x, r.c2 * scaling.y, r.c3 * scaling.z, position.z, 0, 0, 0, 1);
}

Rotation slerp(const Rotation& a, const Rotation& b, double t) {
    Rotation out;
    Rotation::Interpolate(out, a, b, t);
    return out.Normalize();
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
    const auto nodes = nodesByName(scene);
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
        AnimationSource source;
        source.name = scene.mAnimations[a]->mName.C_Str();
        if (source.name.empty()) {
            source.name = "Animation " + std::to_string(a + 1);
        }
        addChannels(*scene.mAnimations[a], nodes, source);
        sources.push_back(std::move(source));
    }
    return sources;
}

Matrix localTransform(const aiNode& node, const AnimationSource* animation, double seconds) {
    const Matrix own = node.mTransformation;
    if (!animation) {
        return own;
    }
    const auto found = animation->channels.find(&node);
    if (found == animation->channels.end()) {
        return own;
    }
    const NodeChannel& channel = found->second;
    Vector scaling;
    Rotation rotation;
    Vector position;
    own.Decompose(scaling, rotation, position);
    if (!channel.positions.empty()) {
        position = sampled(channel.positions, seconds, lerp);
    }
    if (!channel.rotations.empty()) {
        rotation = sampled(channel.rotations, seconds, slerp);
    }
    if (!channel.scalings.empty()) {
        scaling = sampled(channel.scalings, seconds, lerp);
    }
    return composed(scaling, rotation.Normalize(), position);
}

std::vector<Matrix> boneGlobals(const Skeleton& skeleton, const AnimationSource* animation,
                                double seconds) {
    std::vector<Matrix> globals(skeleton.nodes.size());
    for (std::size_t b = 0; b < skeleton.nodes.size(); ++b) {
        const aiNode& node = *skeleton.nodes[b];
        const Matrix local = localTransform(node, animation, seconds);
        if (skeleton.parents[b] >= 0) {
            globals[b] = globals[skeleton.parents[b]] * local;
            continue;
        }
        Matrix above;
        for (const aiNode* n = node.mParent; n; n = n->mParent) {
            above = localTransform(*n, animation, seconds) * above;
        }
        globals[b] = above * local;
    }
    return globals;
}

Matrix restGlobal(const aiNode& node) {
    Matrix global;
    for (const aiNode* n = &node; n; n = n->mParent) {
        global = Matrix(n->mTransformation) * global;
    }
    return global;
}

Matrix3 operator*(double s, const Matrix3& m) {
    return Matrix3(s * m.a1, s * m.a2, s * m.a3, s * m.b1, s * m.b2, s * m.b3, s * m.c1, s * m.c2,
                   s * m.c3);
}

Vector apply(const Matrix3& m, const Vector& v) {
    return Vector(m.a1 * v.x + m.a2 * v.y + m.a3 * v.z, m.b1 * v.x + m.b2 * v.y + m.b3 * v.z,
                  m.c1 * v.x + m.c2 * v.y + m.c3 * v.z);
}

Vector applyToPoint(const Matrix& m, const Vector& v) {
    return Vector(m.a1 * v.x + m.a2 * v.y + m.a3 * v.z + m.a4,
                  m.b1 * v.x + m.b2 * v.y + m.b3 * v.z + m.b4,
                  m.c1 * v.x + m.c2 * v.y + m.c3 * v.z + m.c4);
}

namespace {

double largestEntry(const Matrix3& m) {
    double largest = 0.0;
    for (unsigned int r = 0; r < 3; ++r) {
        for (unsigned int c = 0; c < 3; ++c) {
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

RigidSplit splitRigid(const Matrix& m) {
    RigidSplit split;
    split.translation = Vector(m.a4, m.b4, m.c4);
    const Matrix3 a(m);
    const double size = largestEntry(a);
    const double determinant = a.Determinant();
    if (!(size > 0) || !std::isfinite(determinant) ||
        std::fabs(determinant) < kSingular * size * size * size) {
        split.residual = a;
        return split;
    }
    Matrix3 r = determinant < 0 ? -1.0 * a : a;
    for (int i = 0; i < kPolarIterations; ++i) {
        Matrix3 inverseTransposed = r;
        inverseTransposed.Inverse().Transpose();
        Matrix3 next;
        double change = 0.0;
        for (unsigned int row = 0; row < 3; ++row) {
            for (unsigned int c = 0; c < 3; ++c) {
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
    Matrix3 rotationTransposed = r;
    split.residual = rotationTransposed.Transpose() * a;
    return split;
}

bool residualsDiffer(const Matrix3& a, const Matrix3& b) {
    constexpr double kRelativeTolerance = 1e-4;
    const double size = std::max(largestEntry(a), largestEntry(b));
    for (unsigned int r = 0; r < 3; ++r) {
        for (unsigned int c = 0; c < 3; ++c) {
            if (std::fabs(a[r][c] - b[r][c]) > kRelativeTolerance * size) {
                return true;
            }
        }
    }
    return false;
}
