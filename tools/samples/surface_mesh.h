#pragma once
// A character's skin as a set of parametric surface parts, turned into the
// model's vertices, influences, triangles and mapping coordinates, and into the
// texture painted for them.
//
// A part is a surface P(s, a) over s in [0, 1] (along the part) and a in [0, 1]
// (around it), sampled on a grid of rings x segments quads. Each part owns a
// rectangle of the texture whose texels stand for grid parameters, so a
// texel's colour is painted from the very surface point it covers:
//
//      a = 0 ............ a = 1
//   s = 0 +--------------+        one texel column per a, one row per s;
//         |   texels of  |        the outermost texels sit exactly on the
//         |   this part  |        borders, so seams and poles never sample
//   s = 1 +--------------+        a neighbouring part.
//
// Where the surface closes on itself (a = 0 meets a = 1, or s for a ring) the
// grid shares the vertices and only the mapping coordinates differ; a ring of
// s that collapses to one point becomes a single pole vertex. Every part is
// thus a closed or open sheet without cracks.

#include <functional>
#include <string>
#include <vector>

#include "files/model.h"
#include "files/png_image.h"
#include "tools/samples/paint.h"
#include "tools/samples/rig.h"
#include "tools/samples/skin_weights.h"

namespace velmora {
inline namespace samples {

// What the painter of a character is asked about one texel.
struct PaintSample {
    // The character's own number for the kind of part (skin, skirt, hat, ...).
    int region = 0;
    // Rest-pose position and outward normal of the surface point.
    Vector3 position;
    Vector3 normal;
    double s = 0.0;
    double a = 0.0;
};

using SurfaceShape = std::function<Vector3(double s, double a)>;
using WeightRule = std::function<Weights(const Vector3& rest, double s, double a)>;
using Painter = std::function<Color(const PaintSample&)>;

struct Part {
    std::string name;
    int region = 0;
    SurfaceShape shape;
    int rings = 1;
    int segments = 3;
    // Whether s = 1 meets s = 0 (a torus-like part) and a = 1 meets a = 0.
    bool periodicAlong = false;
    bool periodicAround = true;
    WeightRule weights;
    // Texture rectangle in texels (at least 2 x 2).
    int textureWidth = 2;
    int textureHeight = 2;
    // When set, the part is the mirror image of the part of that name and uses
    // its texels (mirrored), instead of a rectangle of its own.
    std::string mirrorOf;
};

// A part with the given grid of rings x segments quads and texture rectangle.
Part makePart(const std::string& name, int region, SurfaceShape shape, int rings, int segments,
              int textureWidth, int textureHeight, WeightRule weights);

// Every vertex wholly bound to bone.
WeightRule rigidTo(int bone);

// The mirror image of part across x = 0, using part's texels: left limbs are
// made from right ones. Bones whose names contain "Right" are exchanged for the
// bone with "Left" in their place and the other way round.
Part mirrored(const Part& part, const std::string& name, const Rig& rig);

// Fills model's vertices, influences, mapping coordinates and faces from parts
// (in order), and returns the texture that paint gives them, of side
// textureSide. Throws std::logic_error when the parts do not fit the texture.
Image buildSkin(const std::vector<Part>& parts, const Painter& paint, const Rig& rig,
                int textureSide, Model& model);

}  // namespace samples
}  // namespace velmora
