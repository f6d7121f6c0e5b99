#pragma once
// Drawing a Model with OpenGL 1.1 into the current model-view transform, and the
// OpenGL texture backend that turns a model's PNG file into a texture. These are
// the only operations of the model library that need an OpenGL context.

#include <cstdint>
#include <string>

#include "files/model.h"
#include "files/texture.h"

// Poses and skins the model for the animation at the clock, then renderMesh.
// Needs isPlayable(model, animation).
void drawMesh(Model& model, int32_t animation, double timeOffset);

// The faces as white, textured triangles from the current skinned positions,
// with the model's texture bound (texture 0, plain white, when the model has no
// texture or it failed to load). The corners go to OpenGL as indexed vertex
// arrays in one glDrawElements call, face by face in array order: the same
// triangles from the same vertices, and so the same pixels, as sending every
// corner between glBegin and glEnd, while each shared corner is transformed
// once. Copies the positions into Model::cornerPositions; a model whose corner
// arrays the reader did not fill gets them here, once.
void renderMesh(Model& model);

// The skeleton of the animation at the clock as white lines, one from each
// bone's parent joint to its own; leaves texture 0 bound and the colour white.
// Poses on the MatrixStack itself and leaves Bone::transform alone, so the bones
// move also while the mesh is not drawn. Needs isPlayable(model, animation).
void drawBones(const Model& model, int32_t animation, double timeOffset);

// The segment of bone and, recursively, of its descendants, for the frame pair
// in playback; the root draws none.
void renderBone(const Model& model, uint8_t bone);

// Makes a 2D texture from the PNG file at path: level 0 only, the file's
// channels (grey, grey and alpha, RGB or RGBA), the image's first row at t = 0,
// clamped in s and t, nearest filtering. Returns its name (left bound), or 0 when
// the file cannot be read as a PNG, a side exceeds GL_MAX_TEXTURE_SIZE or the
// upload is refused; nothing is left behind then.
uint32_t bindPngTexture(const std::string& path);

// The texture backend of the viewer: bindPngTexture and glDeleteTextures.
class GLTextureBackend : public TextureBackend {
  public:
    uint32_t load(const std::string& path) override;
    void release(uint32_t glName) override;
};
