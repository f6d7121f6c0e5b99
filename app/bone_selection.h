#pragma once
// The viewer's rig inspection beyond what the frame draws: selecting a bone
// (by keys, or by a click on its joint), what the overlay says about the
// selected bone and the model's findings, and which keys the timeline marks.

#include <cstdint>
#include <string>
#include <vector>

#include "app/viewer.h"

namespace velmora {
inline namespace app {

// Selects the next occupied bone slot after the selected one (direction 1)
// or the one before (-1), round the skeleton; with none selected, the first
// or the last. Nothing without bones.
void selectNextBone(Viewer& viewer, int direction);

// A click at (x, y), pixels from the window's top-left corner: while the
// bones are drawn, selects the bone of the joint nearest it within
// kPickRadius in the last frame's pose. Whether one was.
bool selectBoneAt(Viewer& viewer, int x, int y);

// The overlay's lines about the rig: the findings' count, and the selected
// bone's index, parent, name where known and how many vertices it moves.
// Empty without a model.
std::string rigOverlayText(const Viewer& viewer);

// The keys of the current animation with a fault in their motion, ascending,
// each once.
std::vector<uint32_t> faultedKeys(const Viewer& viewer);

}  // namespace app
}  // namespace velmora
