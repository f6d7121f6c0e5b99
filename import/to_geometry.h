#pragma once
// The importer's edge: the scene's vectors, rotations and matrices become
// Geometry's double-precision types here, and every step after works in those.

#include <assimp/matrix4x4.h>
#include <assimp/quaternion.h>
#include <assimp/vector3.h>

#include "geometry/geometry.h"

namespace velmora {
inline namespace importer {

inline Geometry::Vector3 toGeometry(const aiVector3D& v) {
    return {v.x, v.y, v.z};
}

inline Geometry::Quaternion toGeometry(const aiQuaternion& q) {
    return {q.w, q.x, q.y, q.z};
}

// Rows stay rows: both keep a translation in the last column.
inline Geometry::Matrix4 toGeometry(const aiMatrix4x4& m) {
    return Geometry::Matrix4({m.a1, m.a2, m.a3, m.a4}, {m.b1, m.b2, m.b3, m.b4},
                             {m.c1, m.c2, m.c3, m.c4}, {m.d1, m.d2, m.d3, m.d4});
}

}  // namespace importer
}  // namespace velmora
