#pragma once
// The overlay drawn over a frame: lines of text in the top-left corner and a
// timeline of the animation's loop along the bottom edge, with a tick at each
// key and a marker at the moment shown. Needs a current OpenGL context.

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "model/vertex_colouring.h"

namespace velmora {
inline namespace drawing {

// Where the timeline lies in a width x height window, in pixels from the
// top-left corner: x from left to right (both drawn), y from top to bottom.
struct TimelineBox {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
};
TimelineBox timelineBox(int width, int height);

// Whether (x, y) takes hold of the timeline: within its box or a few pixels
// beside it.
bool onTimeline(const TimelineBox& box, int x, int y);

// How far along the loop x lies: 0 at the timeline's left end, 1 at its right,
// clamped to that.
double timelineFraction(const TimelineBox& box, int x);

struct Timeline {
    uint32_t keyCount = 0;
    // How far through the loop the moment shown lies, 0 to 1.
    double position = 0.0;
    // The loop range's ends as fractions of the loop, shaded; none without one.
    std::optional<std::pair<double, double>> range;
    // Keys with a fault in their motion, their ticks drawn red.
    std::vector<uint32_t> markedKeys;
};

// text (white on a black shadow; on a light background, black on a white one)
// from the top-left corner, and the timeline when there is one, over what is
// drawn in a width x height window. Leaves the OpenGL state as it found it.
void drawOverlay(std::string_view text, const std::optional<Timeline>& timeline, int width,
                 int height, bool lightBackground = false);

// What the mesh's colours mean, in the window's top-right corner: the title,
// then a swatch of each colour beside its text, on a black box so that it
// reads on any background. Nothing for an empty legend. Leaves the OpenGL
// state as it found it.
void drawLegend(const Legend& legend, int width, int height);

// The message line: lines of text (one per '\n'-ended line) in light yellow
// on a black band across the window, just above where the timeline lies, so
// that they read on any background. Leaves the OpenGL state as it found it.
void drawMessage(std::string_view lines, int width, int height);
// Where drawMessage puts the top of the first of lineCount lines' cells, in
// pixels from the top of a window height pixels high.
int messageTextTop(int lineCount, int height);

}  // namespace drawing
}  // namespace velmora
