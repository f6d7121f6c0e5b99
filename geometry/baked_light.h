#pragma once
// The light that the characters' textures carry. The viewer draws without
// lighting, so the shading that gives a figure its volume is painted into its
// texture from the rest pose's normals: a key light from above and in front
// (the reset camera's side, -z; symmetric in x, so that left and right limbs may
// share texels) with soft ambient light, falling off smoothly towards the sides
// and the underside.

#include "geometry/geometry.h"

namespace velmora {

namespace Geometry {

// How much of its colour a surface with unit normal `normal` shows: from about
// 0.26 (facing down and away) to 1.2 (facing the key light).
double bakedLight(const Vector3& normal);

}  // namespace Geometry

}  // namespace velmora
