#pragma once
// The straightforward per-frame road that the benchmarks measure the viewer's
// against: skinning one influence at a time through each bone's own transform,
// and triangles sent to OpenGL one vertex at a time in immediate mode. Their
// results are the reference: the viewer's skinning must give the same positions
// to the last bit and its drawing the same pixels.

#include <cstdint>

#include "app/camera.h"
#include "files/model.h"

// Every vertex the weighted sum of its influences' offsets carried into model
// space by their bones' transforms, summed in influence order.
void skinScalar(Model& model);

// The faces as white, textured triangles with glBegin, glTexCoord2dv,
// glVertex3dv and glEnd, corner by corner in face order.
void renderMeshImmediate(const Model& model);

// One frame of the straightforward road for a playable animation: clear, the
// camera's view, frame selection and pose traversal, skinScalar and
// renderMeshImmediate. The caller swaps the buffers.
void drawFrameImmediate(const Camera& camera, Model& model, int32_t animation);
