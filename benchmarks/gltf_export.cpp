#include "benchmarks/gltf_export.h"

#include <assimp/material.h>
#include <assimp/scene.h>
#include <assimp/Exporter.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "files/png_image.h"
#include "model/pipeline.h"

namespace velmora {
inline namespace benchmarks {

namespace {

using Geometry::Matrix4;
using Geometry::Vector3;

// How far apart (in model units) the places of one vertex that its influences
// give may lie before the offsets are taken not to share a bind pose.
constexpr double kBindTolerance = 1e-3;

aiMatrix4x4 toAssimp(const Matrix4& m) {
    return aiMatrix4x4(m[0].x, m[0].y, m[0].z, m[0].w, m[1].x, m[1].y, m[1].z, m[1].w, m[2].x,
                       m[2].y, m[2].z, m[2].w, m[3].x, m[3].y, m[3].z, m[3].w);
}

// The label of animation's motion file, wherever the file lies.
std::string motionLabel(const Animation& animation) {
    return animationLabel(std::filesystem::path(animation.name).filename().string());
}

aiString boneName(std::size_t bone) {
    return aiString("bone" + std::to_string(bone));
}

template <typename T>
void setArray(T*& array, unsigned int& count, std::vector<T>&& items) {
    count = static_cast<unsigned int>(items.size());
    array = new T[items.size()];
    std::move(items.begin(), items.end(), array);
}

// The first influence of every vertex, and one past the last vertex's.
std::vector<std::size_t> firstInfluences(const Model& model) {
    std::vector<std::size_t> first(model.vertexCount() + 1, 0);
    for (std::size_t v = 0; v < model.vertexCount(); ++v) {
        first[v + 1] = first[v] + model.influenceCounts[v];
    }
    return first;
}

// Where each bone's frame stood when the offsets were taken (see the header):
// bones that share a vertex are placed so that its offsets agree, and a group
// sharing none with the bones placed so far starts where the first key of the
// first animation puts its first bone. Bones of no influence keep nothing.
std::array<std::optional<Vector3>, kMaxBones> bindPlaces(const Model& model, const Pose& firstKey) {
    const std::vector<std::size_t> first = firstInfluences(model);
    std::array<std::optional<Vector3>, kMaxBones> places;
    const auto propagate = [&] {
        bool changed = false;
        for (std::size_t v = 0; v < model.vertexCount(); ++v) {
            const auto begin = model.influences.begin() + static_cast<std::ptrdiff_t>(first[v]);
            const auto end = model.influences.begin() + static_cast<std::ptrdiff_t>(first[v + 1]);
            const auto placed = std::find_if(
                begin, end, [&](const SkinInfluence& i) { return places[i.bone].has_value(); });
            if (placed == end) {
                continue;
            }
            const Vector3 rest = *places[placed->bone] + placed->offset;
            for (auto i = begin; i != end; ++i) {
                if (!places[i->bone]) {
                    places[i->bone] = rest - i->offset;
                    changed = true;
                }
            }
        }
        return changed;
    };
    for (const SkinInfluence& influence : model.influences) {
        if (!places[influence.bone]) {
            const Matrix4& start = firstKey.boneTransforms[influence.bone];
            places[influence.bone] = Vector3(start[0].w, start[1].w, start[2].w);
            while (propagate()) {
            }
        }
    }
    return places;
}

// The bones reachable from the root, parents first, with the node of each.
void addNodes(const Model& model, const Animation& animation, uint8_t bone, aiNode& node) {
    node.mName = boneName(bone);
    node.mTransformation = toAssimp(localTransform(animation, bone, FramePair{}));
    const std::vector<uint8_t>& children = model.bones[bone]->children;
    node.mNumChildren = static_cast<unsigned int>(children.size());
    node.mChildren = new aiNode*[children.size()];
    for (std::size_t c = 0; c < children.size(); ++c) {
        node.mChildren[c] = new aiNode();
        node.mChildren[c]->mParent = &node;
        addNodes(model, animation, children[c], *node.mChildren[c]);
    }
}

void preorder(const Model& model, uint8_t bone, std::vector<uint8_t>& bones) {
    bones.push_back(bone);
    for (const uint8_t child : model.bones[bone]->children) {
        preorder(model, child, bones);
    }
}

// The skinned mesh: a vertex per stored corner, faces as the model lists them.
// Returns an error when the offsets share no bind pose.
std::string buildMesh(const Model& model, const Pose& firstKey, aiMesh& mesh) {
    const std::array<std::optional<Vector3>, kMaxBones> places = bindPlaces(model, firstKey);
    const std::vector<std::size_t> first = firstInfluences(model);
    const std::size_t corners = model.cornerVertices.size();
    std::vector<aiVector3D> positions(corners);
    std::vector<aiVector3D> coords(corners);
    std::array<std::vector<aiVertexWeight>, kMaxBones> weights;
    for (std::size_t k = 0; k < corners; ++k) {
        const auto vertex = static_cast<std::size_t>(model.cornerVertices[k]);
        const SkinInfluence& lead = model.influences[first[vertex]];
        const Vector3 rest = *places[lead.bone] + lead.offset;
        for (std::size_t i = first[vertex]; i < first[vertex + 1]; ++i) {
            const SkinInfluence& influence = model.influences[i];
            const Vector3 apart = *places[influence.bone] + influence.offset - rest;
            if (Geometry::length(apart) > kBindTolerance) {
                return "vertex " + std::to_string(vertex + 1) +
                       ": its offsets place it at points " + std::to_string(length(apart)) +
                       " apart; the bones' frames share no orientation";
            }
            weights[influence.bone].emplace_back(static_cast<unsigned int>(k),
                                                 static_cast<ai_real>(influence.weight));
        }
        positions[k] = aiVector3D(static_cast<ai_real>(rest.x), static_cast<ai_real>(rest.y),
                                  static_cast<ai_real>(rest.z));
        // The library's mapping coordinates grow upwards; the model's t downwards.
        coords[k] = aiVector3D(model.cornerMappingCoords[k][0],
                               1.0f - model.cornerMappingCoords[k][1], 0.0f);
    }
    mesh.mName = aiString("skin");
    mesh.mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh.mMaterialIndex = 0;
    setArray(mesh.mVertices, mesh.mNumVertices, std::move(positions));
    unsigned int coordCount = 0;
    setArray(mesh.mTextureCoords[0], coordCount, std::move(coords));
    mesh.mNumUVComponents[0] = 2;
    std::vector<aiFace> faces(model.faces.size());
    for (std::size_t f = 0; f < faces.size(); ++f) {
        faces[f].mNumIndices = 3;
        faces[f].mIndices = new unsigned int[3];
        std::copy_n(model.faceCorners.begin() + static_cast<std::ptrdiff_t>(3 * f), 3,
                    faces[f].mIndices);
    }
    setArray(mesh.mFaces, mesh.mNumFaces, std::move(faces));
    std::vector<aiBone*> bones;
    for (std::size_t b = 0; b < kMaxBones; ++b) {
        if (weights[b].empty()) {
            continue;
        }
        auto bone = std::make_unique<aiBone>();
        bone->mName = boneName(b);
        const Vector3& place = *places[b];
        bone->mOffsetMatrix = aiMatrix4x4(1, 0, 0, static_cast<ai_real>(-place.x), 0, 1, 0,
                                          static_cast<ai_real>(-place.y), 0, 0, 1,
                                          static_cast<ai_real>(-place.z), 0, 0, 0, 1);
        setArray(bone->mWeights, bone->mNumWeights, std::move(weights[b]));
        bones.push_back(bone.release());
    }
    setArray(mesh.mBones, mesh.mNumBones, std::move(bones));
    return {};
}

aiMaterial* material(const Model& model, aiScene& scene) {
    auto made = std::make_unique<aiMaterial>();
    const aiString name("skin");
    made->AddProperty(&name, AI_MATKEY_NAME);
    if (model.texture && model.texture->image && !model.texture->image->pixels.empty()) {
        const std::string png = encodePng(*model.texture->image);
        auto texture = std::make_unique<aiTexture>();
        // A compressed texture: mWidth bytes of the file, mHeight 0.
        texture->mWidth = static_cast<unsigned int>(png.size());
        texture->mHeight = 0;
        std::strcpy(texture->achFormatHint, "png");
        texture->mFilename = aiString("skin.png");
        texture->pcData = new aiTexel[(png.size() + sizeof(aiTexel) - 1) / sizeof(aiTexel)];
        std::memcpy(texture->pcData, png.data(), png.size());
        std::vector<aiTexture*> textures{texture.release()};
        setArray(scene.mTextures, scene.mNumTextures, std::move(textures));
        const aiString embedded("*0");
        made->AddProperty(&embedded, AI_MATKEY_TEXTURE_DIFFUSE(0));
    }
    return made.release();
}

aiAnimation* animationOf(const Model& model, const Animation& animation) {
    auto made = std::make_unique<aiAnimation>();
    made->mName = aiString(motionLabel(animation));
    made->mTicksPerSecond = effectiveRate(model.playbackRate);
    made->mDuration = animation.frameCount - 1;
    std::vector<uint8_t> bones;
    preorder(model, model.rootBone, bones);
    std::vector<aiNodeAnim*> channels;
    for (const uint8_t bone : bones) {
        auto channel = std::make_unique<aiNodeAnim>();
        channel->mNodeName = boneName(bone);
        std::vector<aiVectorKey> positions;
        std::vector<aiQuatKey> rotations;
        std::vector<aiVectorKey> scalings;
        for (uint32_t f = 0; f < animation.frameCount; ++f) {
            aiQuaternion rotation;
            aiVector3D position;
            toAssimp(localTransform(animation, bone, FramePair{f, f, 0.0}))
                .DecomposeNoScaling(rotation, position);
            positions.emplace_back(f, position);
            rotations.emplace_back(f, rotation);
            scalings.emplace_back(f, aiVector3D(1, 1, 1));
        }
        setArray(channel->mPositionKeys, channel->mNumPositionKeys, std::move(positions));
        setArray(channel->mRotationKeys, channel->mNumRotationKeys, std::move(rotations));
        setArray(channel->mScalingKeys, channel->mNumScalingKeys, std::move(scalings));
        channels.push_back(channel.release());
    }
    setArray(made->mChannels, made->mNumChannels, std::move(channels));
    return made.release();
}

}  // namespace

std::string exportGltf(const Model& model, const std::string& path, bool binary) {
    if (model.animations.empty() || !isPlayable(model, 0)) {
        return "the model has no playable first animation";
    }
    const Animation& firstAnimation = model.animations[0];
    Pose firstKey;
    poseSkeleton(model, firstAnimation, FramePair{}, firstKey);

    auto scene = std::make_unique<aiScene>();
    scene->mRootNode = new aiNode("scene");
    aiNode& root = *scene->mRootNode;
    root.mNumChildren = 2;
    root.mChildren = new aiNode* [2] { new aiNode(), new aiNode("mesh") };
    for (unsigned int c = 0; c < root.mNumChildren; ++c) {
        root.mChildren[c]->mParent = &root;
    }
    addNodes(model, firstAnimation, model.rootBone, *root.mChildren[0]);
    root.mChildren[1]->mNumMeshes = 1;
    root.mChildren[1]->mMeshes = new unsigned int[1]{0};

    std::vector<aiMesh*> meshes{new aiMesh()};
    setArray(scene->mMeshes, scene->mNumMeshes, std::move(meshes));
    if (std::string problem = buildMesh(model, firstKey, *scene->mMeshes[0]); !problem.empty()) {
        return problem;
    }
    std::vector<aiMaterial*> materials{material(model, *scene)};
    setArray(scene->mMaterials, scene->mNumMaterials, std::move(materials));
    std::vector<aiAnimation*> animations;
    for (const Animation& animation : model.animations) {
        if (animation.rejection.empty()) {
            animations.push_back(animationOf(model, animation));
        }
    }
    setArray(scene->mAnimations, scene->mNumAnimations, std::move(animations));

    Assimp::Exporter exporter;
    if (exporter.Export(scene.get(), binary ? "glb2" : "gltf2", path) != AI_SUCCESS) {
        return exporter.GetErrorString();
    }
    return {};
}

}  // namespace benchmarks
}  // namespace velmora
