#pragma once
// The viewer's overlay ('i'): what it says about the frame shown (the model's
// file name, the animation's label and number, the key shown with its blend,
// the time within the loop, the playback rate with the speed when changed, the
// loop range and the play mode when set, the frame rate and the model's size,
// the findings' count and the selected bone, the comparison while shown),
// where the timeline's marker stands with the loop range shaded, and scrubbing
// on the timeline.

#include <cstdint>
#include <optional>
#include <string>

#include "app/viewer.h"
#include "drawing/overlay.h"

namespace velmora {
inline namespace app {

// One line each, in that order, then "Paused" while paused, then the model's
// problems, then the rig's lines (rigOverlayText). reading is the
// playback clock's; shownFrames the number the title shows (0: none yet).
std::string overlayText(const Viewer& viewer, int64_t reading, int32_t shownFrames);

// The loop of the current animation at reading; none unless it can be played.
std::optional<Timeline> overlayTimeline(const Viewer& viewer, int64_t reading);

// Whether a left press at (x, y), pixels from the window's top-left corner,
// takes hold of the timeline: the overlay is shown, the animation can be played
// and the press is on the timeline. The drag that follows then scrubs, and the
// mouse camera is left alone.
bool holdsTimeline(const Viewer& viewer, int x, int y);

// Pauses at the moment of the loop under x on the timeline.
void scrubTimeline(Viewer& viewer, int x);

}  // namespace app
}  // namespace velmora
