#pragma once
// Small characters written by the tests themselves. glTF 2.0: joints, skinned and
// rigid meshes, materials with embedded PNG textures, and animations, all in
// one .gltf text with its buffer embedded as base64 (or beside it).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct FixtureNode {
    std::string name;
    // Index of the parent joint; -1 for a child of the scene.
    int parent = -1;
    std::array<float, 3> translation{0, 0, 0};
    // x, y, z, w as glTF stores it.
    std::array<float, 4> rotation{0, 0, 0, 1};
    std::array<float, 3> scale{1, 1, 1};
};

struct FixtureVertex {
    std::array<float, 3> position{};
    std::array<float, 2> uv{};
    std::array<uint8_t, 4> joints{};
    std::array<float, 4> weights{};
    // COLOR_0, written where the primitive is coloured.
    std::array<float, 4> colour{1, 1, 1, 1};
};

struct FixturePrimitive {
    std::vector<FixtureVertex> vertices;
    std::vector<uint16_t> indices;
    int material = 0;
    bool coloured = false;
};

struct FixtureMesh {
    std::vector<FixturePrimitive> primitives;
    // Skinned by all joints, or held rigidly by the joint attachedTo (by a node
    // of its own at the top of the scene for -1).
    bool skinned = true;
    int attachedTo = 0;
    // Name of the node that holds the mesh; empty: "body<index>".
    std::string nodeName;
};

struct FixtureMaterial {
    std::array<float, 4> colour{1, 1, 1, 1};
    // PNG bytes of the base colour texture; empty for an untextured material.
    std::string png;
    // Instead of png: the texture as an external file of this name.
    std::string uri;
};

struct FixtureChannel {
    int joint = 0;
    // "translation", "rotation" or "scale".
    std::string path;
    std::vector<float> times;
    // 3 or 4 numbers per time.
    std::vector<float> values;
};

struct FixtureAnimation {
    std::string name;
    std::vector<FixtureChannel> channels;
};

struct GltfFixture {
    std::vector<FixtureNode> joints;
    std::vector<FixtureMesh> meshes;
    std::vector<FixtureMaterial> materials;
    std::vector<FixtureAnimation> animations;
    // Whether the scene lists the nodes of its top-level meshes before its joints.
    bool meshNodesFirst = false;

    // The .gltf file. Inverse bind matrices come from the joints' rest pose.
    std::string text() const;
    // The .gltf file with its buffer in a file of its own, named bufferUri,
    // whose bytes go to bufferBytes.
    std::string text(const std::string& bufferUri, std::string* bufferBytes) const;
};

// A PNG of width x height pixels, each pixel colour(x, y) as RGB.
std::string fixturePng(uint32_t width, uint32_t height,
                       std::array<uint8_t, 3> (*colour)(uint32_t x, uint32_t y));

// A column of joints standing on y = 0, joint i one unit above joint i - 1:
//
//   joint 2   y = 2   +--+   vertices at x = -0.5 and 0.5 on every level,
//   joint 1   y = 1   |  |   each held by its level's joint, the middle
//   joint 0   y = 0   +--+   levels half by the joint below as well
//
// skinned by a strip of quads with mapping coordinates u = 0 | 1, v = 1 - y / top,
// material 0.
GltfFixture columnFixture(int jointCount);

// An MD5 mesh of two joints, "root" and "head" two units above it, and one
// triangle, each corner held by one joint.
std::string md5FixtureMesh();
// An MD5 animation of three frames at 24 per second for the joints "root" and
// `head`, which moves along x from 0 to 0.5.
std::string md5FixtureAnimation(const std::string& head);
