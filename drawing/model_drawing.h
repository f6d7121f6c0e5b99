#pragma once
// Drawing a Model with OpenGL 1.1 into the current model-view transform, and
// making the OpenGL texture of its image.

#include <cstdint>
#include <vector>

#include "files/model.h"
#include "files/png_image.h"
#include "model/ground.h"
#include "model/pipeline.h"
#include "model/vertex_colouring.h"

namespace velmora {
inline namespace drawing {

// The colour a mesh's texture is modulated with (without a texture, its
// colour), and its opacity for blending.
struct MeshColour {
    float red = 1.0f;
    float green = 1.0f;
    float blue = 1.0f;
    float alpha = 1.0f;
};

// The faces as textured triangles of colour (white unless given) at
// skinnedPositions, with texture bound (0: plain colour). The corners go to
// OpenGL as indexed vertex arrays in one glDrawElements call, face by face in
// array order: the same triangles from the same vertices, and so the same
// pixels, as sending every corner between glBegin and glEnd, while each shared
// corner is transformed once. cornerPositions is the caller's buffer for the
// corners' positions, reused from frame to frame. Needs the model's corner
// arrays (Model::indexFaces). Given corner colours, one per stored corner, the
// mesh is drawn in them, untextured, instead.
void renderMesh(const Model& model, const std::vector<Geometry::Vector3>& skinnedPositions,
                uint32_t texture, std::vector<CornerPosition>& cornerPositions,
                const MeshColour& colour = {},
                const std::vector<VertexColour>* cornerColours = nullptr);

// The vertices listed, at skinnedPositions, as white dots ringed in black, so
// that they show on any colour.
void renderMarkedVertices(const std::vector<Geometry::Vector3>& skinnedPositions,
                          const std::vector<std::size_t>& vertices);

struct BoneColour {
    float red = 1.0f;
    float green = 1.0f;
    float blue = 1.0f;
};

// The skeleton in pose as lines of colour (white unless given), one from each
// bone's parent joint to its own (the root draws none), bones in the order that
// posing visits them; leaves texture 0 bound and the colour set.
void renderBones(const Model& model, const Pose& pose, const BoneColour& colour = {});

// Bone slot `bone`, when posing reaches it, highlighted over renderBones:
// its line from its parent's joint thick and yellow, and its joint a yellow dot.
void renderSelectedBone(const Model& model, const Pose& pose, int bone);

// Each reached bone's local axes at its joint, lines length long: x red, y
// green, z blue.
void renderJointAxes(const Model& model, const Pose& pose, double length);

// Every joint that posing reaches, with its bone's index, in the order that
// posing visits them (the root first).
std::vector<std::pair<uint8_t, Geometry::Vector3>> jointPositions(const Model& model,
                                                                  const Pose& pose);

// Each reached bone's label (boneLabel: its name where known, "0", "12"
// otherwise), drawn in yellow just right of its joint, over everything.
void renderBoneNames(const Model& model, const Pose& pose);

// The skeletons of the keys before and after pair's current key, round the
// loop, posed into onionPose: the one before in dim red, the one after in dim
// green, so that the motion's direction reads from a still frame. With
// inPlace each is held in place as the frame's pose is (model/ground.h).
void renderOnionSkin(const Model& model, const Animation& animation, const FramePair& pair,
                     Pose& onionPose, bool inPlace = false);

// The ground's grid as grey lines, shifted by shift (gridShift); leaves
// texture 0 bound and the colour set.
void renderGround(const Ground& ground, const Geometry::Vector3& shift);

// The longest texture side the current context takes (GL_MAX_TEXTURE_SIZE).
uint32_t maxTextureSide();

// Makes a 2D texture of image: level 0 only, the image's channels (grey, grey
// and alpha, RGB or RGBA), its first row at t = 0, clamped in s and t, nearest
// filtering. Returns its name (left bound), or 0 when a side exceeds
// GL_MAX_TEXTURE_SIZE or the upload is refused; nothing is left behind then.
uint32_t uploadTexture(const Image& image);
// Deletes a texture uploadTexture made; 0 is ignored.
void deleteTexture(uint32_t texture);

}  // namespace drawing
}  // namespace velmora
