#pragma once
// The straightforward per-frame road that the benchmarks measure the viewer's
// against: skinning one influence at a time through each bone's own transform,
// and triangles sent to OpenGL one vertex at a time in immediate mode. Their
// results are the reference: the viewer's skinning must give the same positions
// to the last bit and its drawing the same pixels.

#include <cstdint>
#include <vector>

#include "drawing/frame.h"
#include "files/model.h"
#include "model/pipeline.h"
#include "view/camera.h"

namespace velmora {
inline namespace benchmarks {

// Every vertex the weighted sum of its influences' offsets carried into model
// space by their bones' transforms in pose, summed in influence order.
void skinScalar(const Model& model, const Pose& pose, std::vector<Geometry::Vector3>& positions);

// The faces as white, textured triangles with glBegin, glTexCoord2dv,
// glVertex3dv and glEnd, corner by corner in face order.
void renderMeshImmediate(const Model& model, const std::vector<Geometry::Vector3>& positions,
                         uint32_t texture);

// One frame of the straightforward road for the mesh of a playable animation:
// beginFrame, frame selection and posing, skinScalar and renderMeshImmediate.
// The caller shows the frame.
void drawFrameImmediate(const Camera& camera, const FrameContent& content, FrameBuffers& buffers);

}  // namespace benchmarks
}  // namespace velmora
