#pragma once
// A sample character described as the shared human figure plus what makes it
// itself: proportions, painted clothes, a costume with bones of its own, the
// way it moves and one animation of its own.

#include <functional>
#include <string>
#include <vector>

#include "tools/samples/body.h"
#include "tools/samples/character.h"
#include "tools/samples/face.h"
#include "tools/samples/moves.h"

namespace velmora {
inline namespace samples {

using RegionPainter = std::function<Color(const PaintSample&)>;

struct Figure {
    std::string name;
    BodyShape shape;

    FaceStyle face;
    RegionPainter trunk;
    RegionPainter arms;
    RegionPainter legs;
    RegionPainter shoes;
    // The costume's own parts (regions from kFirstCostumeRegion on); may be
    // empty when there are none.
    RegionPainter costume;

    // Adds the costume's bones to the body's rig; may be empty.
    std::function<void(Rig&)> costumeBones;
    // The costume's parts; may be empty.
    std::function<std::vector<Part>(const Rig&)> costumeParts;
    // Sets costume bones that follow the body (a skirt clearing the thighs)
    // once the clip has posed the body; may be empty.
    std::function<void(const Rig&, RigPose&)> followBody;
    // Costume bones that swing in every clip.
    std::vector<Jiggle> jiggles;

    MotionStyle style;
    std::function<Clip(const Rig&)> ownClip;
};

// Fills character from figure: rig, parts, painter and the clips Idle, Walk,
// Run and the figure's own.
void describeFigure(SampleCharacter& character, const Figure& figure);

}  // namespace samples
}  // namespace velmora
