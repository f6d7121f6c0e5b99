#include "tests/import/import_reference.h"

#include <algorithm>
#include <cmath>

#include "import/skeleton.h"
#include "model/pipeline.h"

using namespace velmora;

namespace {

template <typename Key>
const Key* around(const Key* keys, unsigned int count, double tick, float& blend) {
    blend = 0;
    if (tick <= keys[0].mTime) {
        return keys;
    }
    for (unsigned int k = 0; k + 1 < count; ++k) {
        if (tick < keys[k + 1].mTime) {
            blend =
                static_cast<float>((tick - keys[k].mTime) / (keys[k + 1].mTime - keys[k].mTime));
            return keys + k;
        }
    }
    return keys + count - 1;
}

aiMatrix4x4 local(const aiNode& node, const aiAnimation* animation, double tick) {
    if (!animation) {
        return node.mTransformation;
    }
    for (unsigned int c = 0; c < animation->mNumChannels; ++c) {
        const aiNodeAnim& channel = *animation->mChannels[c];
        if (channel.mNodeName != node.mName) {
            continue;
        }
        aiVector3D scaling;
        aiQuaternion rotation;
        aiVector3D position;
        node.mTransformation.Decompose(scaling, rotation, position);
        float t = 0;
        if (channel.mNumPositionKeys) {
            const aiVectorKey* k = around(channel.mPositionKeys, channel.mNumPositionKeys, tick, t);
            position = t > 0 ? k[0].mValue + (k[1].mValue - k[0].mValue) * t : k[0].mValue;
        }
        if (channel.mNumRotationKeys) {
            const aiQuatKey* k = around(channel.mRotationKeys, channel.mNumRotationKeys, tick, t);
            rotation = k[0].mValue;
            if (t > 0) {
                aiQuaternion::Interpolate(rotation, k[0].mValue, k[1].mValue, t);
            }
        }
        if (channel.mNumScalingKeys) {
            const aiVectorKey* k = around(channel.mScalingKeys, channel.mNumScalingKeys, tick, t);
            scaling = t > 0 ? k[0].mValue + (k[1].mValue - k[0].mValue) * t : k[0].mValue;
        }
        aiMatrix4x4 translation;
        aiMatrix4x4::Translation(position, translation);
        aiMatrix4x4 scale;
        aiMatrix4x4::Scaling(scaling, scale);
        return translation * aiMatrix4x4(rotation.Normalize().GetMatrix()) * scale;
    }
    return node.mTransformation;
}

aiMatrix4x4 global(const aiNode* node, const aiAnimation* animation, double tick) {
    aiMatrix4x4 m;
    for (; node; node = node->mParent) {
        m = local(*node, animation, tick) * m;
    }
    return m;
}

}  // namespace

std::vector<aiVector3D> referencePose(const aiScene& scene, int animationIndex, double seconds) {
    const aiAnimation* animation =
        animationIndex >= 0 ? scene.mAnimations[animationIndex] : nullptr;
    const double tick =
        animation ? std::min(seconds * animation->mTicksPerSecond, animation->mDuration) : 0.0;
    std::vector<aiVector3D> positions;
    for (const MeshInstance& instance : meshInstances(scene)) {
        const aiMesh& mesh = *instance.mesh;
        const std::size_t first = positions.size();
        positions.resize(first + mesh.mNumVertices);
        if (!mesh.HasBones()) {
            const aiMatrix4x4 m = global(instance.node, animation, tick);
            for (unsigned int v = 0; v < mesh.mNumVertices; ++v) {
                positions[first + v] = m * mesh.mVertices[v];
            }
            continue;
        }
        for (unsigned int b = 0; b < mesh.mNumBones; ++b) {
            const aiBone& bone = *mesh.mBones[b];
            const aiNode* node = scene.mRootNode->FindNode(bone.mName);
            const aiMatrix4x4 m = global(node, animation, tick) * bone.mOffsetMatrix;
            for (unsigned int w = 0; w < bone.mNumWeights; ++w) {
                const aiVertexWeight& weight = bone.mWeights[w];
                positions[first + weight.mVertexId] +=
                    (m * mesh.mVertices[weight.mVertexId]) * weight.mWeight;
            }
        }
    }
    return positions;
}

std::vector<Geometry::Vector3> viewerPose(const Model& model, int animation, int64_t milliseconds) {
    const Animation& played = model.animations[animation];
    Pose pose;
    poseSkeleton(model, played, selectFrames(played, model.playbackRate, milliseconds), pose);
    std::vector<Geometry::Vector3> positions;
    skin(model, pose, positions);
    return positions;
}

double largestDistance(const std::vector<aiVector3D>& expected,
                       const std::vector<Geometry::Vector3>& actual) {
    if (expected.size() != actual.size()) {
        return INFINITY;
    }
    double largest = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        largest =
            std::max(largest, std::hypot(expected[i].x - actual[i].x, expected[i].y - actual[i].y,
                                         expected[i].z - actual[i].z));
    }
    return largest;
}
