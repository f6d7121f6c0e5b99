#include "tests/import/gltf_fixture.h"

#include <assimp/matrix4x4.h>
#include <assimp/quaternion.h>
#include <assimp/types.h>
#include <assimp/vector3.h>

#include <algorithm>
#include <cstring>
#include <sstream>

#include "files/png_image.h"

using namespace velmora;

namespace {

std::string base64(const std::string& bytes) {
    static const char* const kDigits =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            group |= static_cast<uint8_t>(bytes[i + 2]);
        out += kDigits[(group >> 18) & 63];
        out += kDigits[(group >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(group >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[group & 63] : '=';
    }
    return out;
}

// The binary buffer and the JSON arrays that describe pieces of it.
class Buffer {
  public:
    // Appends raw bytes as a buffer view; returns its index.
    int view(const std::string& bytes) {
        while (bytes_.size() % 4) {
            bytes_ += '\0';
        }
        views_.push_back("{\"buffer\":0,\"byteOffset\":" + std::to_string(bytes_.size()) +
                         ",\"byteLength\":" + std::to_string(bytes.size()) + "}");
        bytes_ += bytes;
        return static_cast<int>(views_.size() - 1);
    }

    // An accessor of count elements of type ("SCALAR", "VEC3", ...), with the
    // component type's code. The importer does not read min and max, so they
    // are left out.
    template <typename T>
    int accessor(const std::vector<T>& values, int componentType, const std::string& type,
                 int components) {
        std::string bytes(values.size() * sizeof(T), '\0');
        std::memcpy(bytes.data(), values.data(), bytes.size());
        const int v = view(bytes);
        const std::size_t count = values.size() / components;
        std::string json = "{\"bufferView\":" + std::to_string(v) +
                           ",\"componentType\":" + std::to_string(componentType) +
                           ",\"count\":" + std::to_string(count) + ",\"type\":\"" + type + "\"";
        accessors_.push_back(json + "}");
        return static_cast<int>(accessors_.size() - 1);
    }

    static std::string number(float value) {
        std::ostringstream out;
        out.precision(9);
        out << value;
        return out.str();
    }

    // The buffer embedded, or named uri when given.
    std::string json(const std::string& uri) const {
        return "\"buffers\":[{\"byteLength\":" + std::to_string(bytes_.size()) + ",\"uri\":\"" +
               (uri.empty() ? "data:application/octet-stream;base64," + base64(bytes_) : uri) +
               "\"}],\"bufferViews\":[" + joined(views_) + "],\"accessors\":[" +
               joined(accessors_) + "]";
    }
    const std::string& bytes() const { return bytes_; }

    static std::string joined(const std::vector<std::string>& items) {
        std::string out;
        for (const std::string& item : items) {
            out += (out.empty() ? "" : ",") + item;
        }
        return out;
    }

  private:
    std::string bytes_;
    std::vector<std::string> views_;
    std::vector<std::string> accessors_;
};

constexpr int kFloat = 5126;
constexpr int kUnsignedByte = 5121;
constexpr int kUnsignedShort = 5123;

template <std::size_t N>
std::string array(const std::array<float, N>& values) {
    std::string out = "[";
    for (std::size_t i = 0; i < N; ++i) {
        out += (i ? "," : "") + Buffer::number(values[i]);
    }
    return out + "]";
}

aiMatrix4x4 restTransform(const FixtureNode& node) {
    return aiMatrix4x4(
        aiVector3D(node.scale[0], node.scale[1], node.scale[2]),
        aiQuaternion(node.rotation[3], node.rotation[0], node.rotation[1], node.rotation[2]),
        aiVector3D(node.translation[0], node.translation[1], node.translation[2]));
}

}  // namespace

std::string GltfFixture::text() const {
    return text(std::string(), nullptr);
}

std::string GltfFixture::text(const std::string& bufferUri, std::string* bufferBytes) const {
    Buffer buffer;
    const int jointCount = static_cast<int>(joints.size());
    // Nodes: the joints, then one node per mesh.
    std::vector<std::string> nodes;
    std::vector<std::vector<int>> children(joints.size() + meshes.size());
    std::vector<int> sceneNodes;
    std::vector<int> sceneMeshNodes;
    for (int j = 0; j < jointCount; ++j) {
        (joints[j].parent < 0 ? sceneNodes : children[joints[j].parent]).push_back(j);
    }
    for (std::size_t m = 0; m < meshes.size(); ++m) {
        const int node = jointCount + static_cast<int>(m);
        const bool onJoint = !meshes[m].skinned && meshes[m].attachedTo >= 0;
        (onJoint ? children[meshes[m].attachedTo] : sceneMeshNodes).push_back(node);
    }
    sceneNodes.insert(meshNodesFirst ? sceneNodes.begin() : sceneNodes.end(),
                      sceneMeshNodes.begin(), sceneMeshNodes.end());
    const auto childList = [&](int node) {
        std::string list;
        for (int c : children[node]) {
            list += (list.empty() ? "" : ",") + std::to_string(c);
        }
        return list.empty() ? std::string() : ",\"children\":[" + list + "]";
    };
    std::vector<float> inverseBinds;
    for (int j = 0; j < jointCount; ++j) {
        const FixtureNode& joint = joints[j];
        nodes.push_back("{\"name\":\"" + joint.name + "\",\"translation\":" +
                        array(joint.translation) + ",\"rotation\":" + array(joint.rotation) +
                        ",\"scale\":" + array(joint.scale) + childList(j) + "}");
        aiMatrix4x4 global;
        for (int n = j; n >= 0; n = joints[n].parent) {
            global = restTransform(joints[n]) * global;
        }
        global.Inverse();
        for (int c = 0; c < 4; ++c) {
            for (int r = 0; r < 4; ++r) {
                inverseBinds.push_back(global[r][c]);
            }
        }
    }
    std::vector<std::string> meshJson;
    for (std::size_t m = 0; m < meshes.size(); ++m) {
        std::vector<std::string> primitives;
        for (const FixturePrimitive& primitive : meshes[m].primitives) {
            std::vector<float> positions;
            std::vector<float> uvs;
            std::vector<uint8_t> jointIndices;
            std::vector<float> weights;
            std::vector<float> colours;
            for (const FixtureVertex& v : primitive.vertices) {
                colours.insert(colours.end(), v.colour.begin(), v.colour.end());
                positions.insert(positions.end(), v.position.begin(), v.position.end());
                uvs.insert(uvs.end(), v.uv.begin(), v.uv.end());
                jointIndices.insert(jointIndices.end(), v.joints.begin(), v.joints.end());
                weights.insert(weights.end(), v.weights.begin(), v.weights.end());
            }
            std::string attributes =
                "\"POSITION\":" + std::to_string(buffer.accessor(positions, kFloat, "VEC3", 3)) +
                ",\"TEXCOORD_0\":" + std::to_string(buffer.accessor(uvs, kFloat, "VEC2", 2));
            if (primitive.coloured) {
                attributes +=
                    ",\"COLOR_0\":" + std::to_string(buffer.accessor(colours, kFloat, "VEC4", 4));
            }
            if (meshes[m].skinned) {
                attributes +=
                    ",\"JOINTS_0\":" +
                    std::to_string(buffer.accessor(jointIndices, kUnsignedByte, "VEC4", 4)) +
                    ",\"WEIGHTS_0\":" + std::to_string(buffer.accessor(weights, kFloat, "VEC4", 4));
            }
            const int indices = buffer.accessor(primitive.indices, kUnsignedShort, "SCALAR", 1);
            primitives.push_back("{\"attributes\":{" + attributes +
                                 "},\"indices\":" + std::to_string(indices) +
                                 ",\"material\":" + std::to_string(primitive.material) + "}");
        }
        meshJson.push_back("{\"name\":\"mesh" + std::to_string(m) + "\",\"primitives\":[" +
                           Buffer::joined(primitives) + "]}");
        const std::string nodeName =
            meshes[m].nodeName.empty() ? "body" + std::to_string(m) : meshes[m].nodeName;
        nodes.push_back("{\"name\":\"" + nodeName + "\",\"mesh\":" + std::to_string(m) +
                        (meshes[m].skinned ? ",\"skin\":0" : "") + "}");
    }
    std::string skin;
    if (jointCount > 0) {
        std::string jointList;
        for (int j = 0; j < jointCount; ++j) {
            jointList += (j ? "," : "") + std::to_string(j);
        }
        skin = ",\"skins\":[{\"joints\":[" + jointList + "],\"inverseBindMatrices\":" +
               std::to_string(buffer.accessor(inverseBinds, kFloat, "MAT4", 16)) + "}]";
    }
    std::vector<std::string> materialJson;
    std::vector<std::string> textures;
    std::vector<std::string> images;
    for (const FixtureMaterial& material : materials) {
        std::string pbr = "\"baseColorFactor\":" + array(material.colour);
        if (!material.png.empty() || !material.uri.empty()) {
            images.push_back(material.uri.empty()
                                 ? "{\"bufferView\":" + std::to_string(buffer.view(material.png)) +
                                       ",\"mimeType\":\"image/png\"}"
                                 : "{\"uri\":\"" + material.uri + "\"}");
            textures.push_back("{\"source\":" + std::to_string(images.size() - 1) + "}");
            pbr += ",\"baseColorTexture\":{\"index\":" + std::to_string(textures.size() - 1) + "}";
        }
        materialJson.push_back("{\"pbrMetallicRoughness\":{" + pbr + "}}");
    }
    std::vector<std::string> animationJson;
    for (const FixtureAnimation& animation : animations) {
        std::vector<std::string> channels;
        std::vector<std::string> samplers;
        for (const FixtureChannel& channel : animation.channels) {
            const int width = channel.path == "rotation" ? 4 : 3;
            const int input = buffer.accessor(channel.times, kFloat, "SCALAR", 1);
            const int output =
                buffer.accessor(channel.values, kFloat, width == 4 ? "VEC4" : "VEC3", width);
            samplers.push_back("{\"input\":" + std::to_string(input) + ",\"output\":" +
                               std::to_string(output) + ",\"interpolation\":\"LINEAR\"}");
            channels.push_back("{\"sampler\":" + std::to_string(samplers.size() - 1) +
                               ",\"target\":{\"node\":" + std::to_string(channel.joint) +
                               ",\"path\":\"" + channel.path + "\"}}");
        }
        animationJson.push_back("{\"name\":\"" + animation.name + "\",\"channels\":[" +
                                Buffer::joined(channels) + "],\"samplers\":[" +
                                Buffer::joined(samplers) + "]}");
    }
    std::string sceneList;
    for (int n : sceneNodes) {
        sceneList += (sceneList.empty() ? "" : ",") + std::to_string(n);
    }
    std::string json = "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[" +
                       sceneList + "]}],\"nodes\":[" + Buffer::joined(nodes) + "],\"meshes\":[" +
                       Buffer::joined(meshJson) + "],\"materials\":[" +
                       Buffer::joined(materialJson) + "]" + skin;
    if (!images.empty()) {
        json += ",\"images\":[" + Buffer::joined(images) + "],\"textures\":[" +
                Buffer::joined(textures) + "]";
    }
    if (!animationJson.empty()) {
        json += ",\"animations\":[" + Buffer::joined(animationJson) + "]";
    }
    if (bufferBytes) {
        *bufferBytes = buffer.bytes();
    }
    return json + "," + buffer.json(bufferUri) + "}";
}

std::string fixturePng(uint32_t width, uint32_t height,
                       std::array<uint8_t, 3> (*colour)(uint32_t x, uint32_t y)) {
    Image image{width, height, 3, {}};
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const auto rgb = colour(x, y);
            image.pixels.insert(image.pixels.end(), rgb.begin(), rgb.end());
        }
    }
    return encodePng(image);
}

GltfFixture columnFixture(int jointCount) {
    GltfFixture fixture;
    for (int j = 0; j < jointCount; ++j) {
        FixtureNode joint;
        joint.name = "joint" + std::to_string(j);
        joint.parent = j - 1;
        joint.translation = {0, j == 0 ? 0.0f : 1.0f, 0};
        fixture.joints.push_back(joint);
    }
    FixturePrimitive strip;
    const float top = static_cast<float>(std::max(1, jointCount - 1));
    for (int level = 0; level < jointCount; ++level) {
        for (float x : {-0.5f, 0.5f}) {
            FixtureVertex v;
            v.position = {x, static_cast<float>(level), 0};
            v.uv = {x < 0 ? 0.0f : 1.0f, 1 - level / top};
            const bool shared = level > 0 && level < jointCount - 1;
            v.joints = {static_cast<uint8_t>(level), static_cast<uint8_t>(shared ? level - 1 : 0),
                        0, 0};
            v.weights = {shared ? 0.5f : 1.0f, shared ? 0.5f : 0.0f, 0, 0};
            strip.vertices.push_back(v);
        }
        if (level > 0) {
            const auto b = static_cast<uint16_t>(2 * (level - 1));
            strip.indices.insert(strip.indices.end(),
                                 {b, static_cast<uint16_t>(b + 1), static_cast<uint16_t>(b + 3), b,
                                  static_cast<uint16_t>(b + 3), static_cast<uint16_t>(b + 2)});
        }
    }
    fixture.meshes.push_back({{strip}, true, 0, {}});
    fixture.materials.push_back({});
    return fixture;
}

// The library reads MD5 files only with blank lines between their sections.
std::string md5FixtureMesh() {
    return "MD5Version 10\ncommandline \"\"\n\nnumJoints 2\nnumMeshes 1\n\njoints {\n"
           "\"root\" -1 ( 0 0 0 ) ( 0 0 0 )\n\"head\" 0 ( 0 0 2 ) ( 0 0 0 )\n}\n\n"
           "mesh {\nshader \"skin\"\nnumverts 3\nvert 0 ( 0 0 ) 0 1\nvert 1 ( 1 0 ) 1 1\n"
           "vert 2 ( 0 1 ) 2 1\nnumtris 1\ntri 0 0 1 2\nnumweights 3\n"
           "weight 0 0 1 ( 0 -0.5 0 )\nweight 1 0 1 ( 0 0.5 0 )\nweight 2 1 1 ( 0 0 0 )\n}\n";
}

std::string md5FixtureAnimation(const std::string& head) {
    return "MD5Version 10\ncommandline \"\"\n\nnumFrames 3\nnumJoints 2\nframeRate 24\n"
           "numAnimatedComponents 1\n\nhierarchy {\n\"root\" -1 0 0\n\"" +
           head +
           "\" 0 1 0\n}\n\nbounds {\n( -1 -1 0 ) ( 1 1 3 )\n( -1 -1 0 ) ( 1 1 3 )\n"
           "( -1 -1 0 ) ( 1 1 3 )\n}\n\nbaseframe {\n( 0 0 0 ) ( 0 0 0 )\n( 0 0 2 ) ( 0 0 0 )\n}\n"
           "\nframe 0 {\n0\n}\n\nframe 1 {\n0.3\n}\n\nframe 2 {\n0.5\n}\n";
}
