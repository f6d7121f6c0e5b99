#pragma once
// The painted face shared by the sample characters: eyes, brows, nose, mouth,
// cheeks and the line where the hair meets the skin.

#include "tools/samples/paint.h"
#include "tools/samples/surface_mesh.h"

namespace velmora {
inline namespace samples {

struct FaceStyle {
    Color skin;
    Color hair;
    Color iris;
    Color brows;
    Color lips;
    // Larger, lashed eyes and rosy cheeks.
    bool feminine = false;
    double blush = 0.0;
    // Moustache colour weight: 0 for none.
    double moustache = 0.0;
    // Where the painted hair on the scalp begins, as a height on the head's
    // unit sphere (1 the crown, 0 the eyes) at the forehead and at the nape.
    double hairlineFront = 0.55;
    double hairlineBack = -0.45;
    // Stubble shadow on jaw and chin, 0 for none.
    double stubble = 0.0;
    // Sideburns down to this unit height in front of the ears (1 for none).
    double sideburns = 1.0;
};

// The colour of the head at sample (a point of the head part).
Color paintHead(const PaintSample& sample, const FaceStyle& style);

}  // namespace samples
}  // namespace velmora
