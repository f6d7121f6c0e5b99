#pragma once
// Drawing a Model with OpenGL 1.1 into the current model-view transform, and
// making the OpenGL texture of its image.

#include <cstdint>
#include <vector>

#include "files/model.h"
#include "files/png_image.h"
#include "model/pipeline.h"

// The faces as white, textured triangles at skinnedPositions, with texture bound
// (0: plain white). The corners go to OpenGL as indexed vertex arrays in one
// glDrawElements call, face by face in array order: the same triangles from the
// same vertices, and so the same pixels, as sending every corner between
// glBegin and glEnd, while each shared corner is transformed once.
// cornerPositions is the caller's buffer for the corners' positions, reused from
// frame to frame. Needs the model's corner arrays (Model::indexFaces).
void renderMesh(const Model& model, const std::vector<Geometry::Vector3>& skinnedPositions,
                uint32_t texture, std::vector<CornerPosition>& cornerPositions);

// The skeleton in pose as white lines, one from each bone's parent joint to its
// own (the root draws none), bones in the order that posing visits them; leaves
// texture 0 bound and the colour white.
void renderBones(const Model& model, const Pose& pose);

// Makes a 2D texture of image: level 0 only, the image's channels (grey, grey
// and alpha, RGB or RGBA), its first row at t = 0, clamped in s and t, nearest
// filtering. Returns its name (left bound), or 0 when a side exceeds
// GL_MAX_TEXTURE_SIZE or the upload is refused; nothing is left behind then.
uint32_t uploadTexture(const Image& image);
// Deletes a texture uploadTexture made; 0 is ignored.
void deleteTexture(uint32_t texture);
