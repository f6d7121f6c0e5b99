#pragma once
// The in-memory form of one skinned, skeletal-animated character, as the readers
// fill it. It is read-only while it plays: the per-frame steps (model/) write
// into poses and positions that their callers own.
//
// Invariants of a Model that loadFile accepted (the per-frame code relies on them):
//   - every bone reachable from rootBone through children, and every
//     SkinInfluence::bone, names an occupied slot of bones, and the bones
//     reachable from rootBone form a tree;
//   - influences holds exactly the sum of influenceCounts, one count per vertex;
//   - every Face index lies within the vertices and mappingCoords;
//   - texture is present;
//   - in each animation whose rejection is empty, every bone reachable from
//     rootBone has a track and every track holds frameCount >= 1 keys.
// A rejected model file leaves the Model empty (no bones, no animations).

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "files/texture.h"
#include "geometry/geometry.h"

namespace velmora {
inline namespace files {

// Bone slots of a model and track slots of an animation; bone indices are 0 to 104.
constexpr int kMaxBones = 105;

struct Bone {
    // In the order in which the skeleton table lists them.
    std::vector<uint8_t> children;
    // The name the source file gives the bone (a converted character's node
    // name), as it came, any bytes; empty when unknown, as in every model text.
    std::string name;
};

struct SkinInfluence {
    // The vertex position in the influencing bone's frame.
    Geometry::Vector3 offset;
    uint8_t bone = 0;
    // Used as read, not normalised.
    double weight = 0.0;
};

struct Face {
    int32_t vertexIndex[3] = {0, 0, 0};
    int32_t mappingIndex[3] = {0, 0, 0};
};

// Texture coordinates (s, t), stored next to each other.
using MappingCoord = std::array<double, 2>;

// A face corner's mapping coordinate and position as vertex arrays hold them,
// in single precision: OpenGL implementations (Mesa among them) keep vertices
// in floats and turn the doubles of glTexCoord2dv and glVertex3dv into the
// nearest ones, so converting them here hands over the same numbers in half
// the memory (the drawing test compares the pictures).
using CornerMappingCoord = std::array<float, 2>;
using CornerPosition = std::array<float, 3>;

struct Keyframe {
    // In the parent bone's frame.
    Geometry::Quaternion rotation;
    Geometry::Vector3 translation;
};

struct BoneTrack {
    std::vector<Keyframe> keys;
};

struct Animation {
    // The motion file's path: base directory joined with the name in the model file.
    std::string name;
    uint32_t frameCount = 0;
    std::array<std::unique_ptr<BoneTrack>, kMaxBones> tracks;
    // Why the animation cannot be played (its motion file was missing or broken);
    // empty when it can.
    std::string rejection;

    // Releases the tracks and the name.
    void release();
};

// What the animation menu shows for an animation: its name after the first
// hyphen of the motion file's own name (after the last '/'), or the whole name
// when that has none. A hyphen in a folder above it does not count, so a
// character opened by its full path from a folder such as "my-models/" keeps
// its labels.
std::string animationLabel(const std::string& name);

// The fastest playback rate a conversion gives a model, in frames per second:
// above it the motion would hold more keys than anyone can watch.
constexpr int32_t kMaxPlaybackRate = 1000;

struct Model {
    // Frames per second at which keys are played; set by the reader.
    int32_t playbackRate = 0;
    std::array<std::unique_ptr<Bone>, kMaxBones> bones;
    uint8_t rootBone = 0;
    // Per vertex: how many consecutive entries of influences belong to it. A
    // vertex has no rest position: it is placed only through its influences.
    std::vector<uint8_t> influenceCounts;
    std::vector<SkinInfluence> influences;
    std::vector<MappingCoord> mappingCoords;
    std::vector<Face> faces;
    // The faces as indexed vertex arrays. A corner is a vertex together with a
    // mapping coordinate, and corners that faces share are mostly stored once,
    // so that OpenGL transforms them once. faceCorners holds the stored corner
    // of each face corner, face by face in array order; cornerVertices and
    // cornerMappingCoords (both set by indexFaces) describe the stored corners.
    std::vector<uint32_t> faceCorners;
    std::vector<int32_t> cornerVertices;
    std::vector<CornerMappingCoord> cornerMappingCoords;
    std::unique_ptr<Texture> texture;
    std::vector<Animation> animations;

    Model() { init(); }
    ~Model() { unload(); }
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;
    Model(Model&&) = default;
    Model& operator=(Model&&) = default;

    std::size_t vertexCount() const { return influenceCounts.size(); }

    // Empties the texture and every bone slot.
    void init();
    // Releases bones (slot order), the texture, then empties the arrays and the
    // animations. playbackRate and rootBone keep
    // their values; a second call changes nothing.
    void unload();

    // Fills the corner arrays from faces; the reader calls it once the faces
    // are read.
    void indexFaces();
};

// What to show for bone slot `bone` where its index is not enough: its name
// where known, with every byte outside printable ASCII shown as '?' (so it
// neither breaks a line nor steers a terminal), its index otherwise.
std::string boneLabel(const Model& model, int bone);

// The slot of the bone whose children list bone; -1 for the root and for a
// bone no other lists.
int boneParent(const Model& model, int bone);

}  // namespace files
}  // namespace velmora
