#include "drawing/overlay.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "drawing/text.h"

namespace velmora {
inline namespace drawing {

namespace {

constexpr int kMargin = 8;
constexpr int kTimelineHeight = 9;
// How far beside the box a press still takes the timeline.
constexpr int kGrip = 4;
// The message band's room above and below its lines.
constexpr int kBandPadding = 4;

// Fills the pixels from (left, top) up to, not including, (right, bottom).
void fill(int left, int top, int right, int bottom, float red, float green, float blue) {
    glColor3f(red, green, blue);
    glRecti(left, top, right, bottom);
}

void drawTimeline(const Timeline& timeline, const TimelineBox& box) {
    const int middle = (box.top + box.bottom) / 2;
    const auto xAt = [&](double fraction) {
        return box.left + static_cast<int>(std::lround(fraction * (box.right - box.left)));
    };
    if (timeline.range) {
        fill(xAt(timeline.range->first), box.top + 2, xAt(timeline.range->second) + 1,
             box.bottom - 1, 0.2f, 0.35f, 0.6f);
    }
    fill(box.left, middle, box.right + 1, middle + 1, 0.6f, 0.6f, 0.6f);
    for (uint32_t key = 0; key < timeline.keyCount; ++key) {
        const int x = xAt(static_cast<double>(key) / timeline.keyCount);
        fill(x, box.top + 2, x + 1, box.bottom - 1, 0.6f, 0.6f, 0.6f);
    }
    for (const uint32_t key : timeline.markedKeys) {
        const int x = xAt(static_cast<double>(key) / timeline.keyCount);
        fill(x - 1, box.top, x + 2, box.bottom + 1, 1.0f, 0.1f, 0.1f);
    }
    // The loop's end, where it starts again.
    fill(box.right, box.top + 2, box.right + 1, box.bottom - 1, 0.6f, 0.6f, 0.6f);
    const int marker = xAt(std::clamp(timeline.position, 0.0, 1.0));
    fill(marker - 1, box.top, marker + 2, box.bottom + 1, 1.0f, 1.0f, 0.0f);
}

}  // namespace

TimelineBox timelineBox(int width, int height) {
    return {kMargin, width - 1 - kMargin, height - kMargin - kTimelineHeight, height - kMargin - 1};
}

bool onTimeline(const TimelineBox& box, int x, int y) {
    return x >= box.left - kGrip && x <= box.right + kGrip && y >= box.top - kGrip &&
           y <= box.bottom + kGrip;
}

double timelineFraction(const TimelineBox& box, int x) {
    if (box.right <= box.left) {
        return 0.0;
    }
    return std::clamp(static_cast<double>(x - box.left) / (box.right - box.left), 0.0, 1.0);
}

namespace {

// Runs draw with pixels from the window's top-left corner as coordinates,
// texturing and the depth test off.
template <typename Draw>
void inWindowPixels(int width, int height, Draw draw) {
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_TRANSFORM_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // Pixels from the top-left corner, each pixel's centre at half-units.
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    draw();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}

}  // namespace

void drawOverlay(std::string_view text, const std::optional<Timeline>& timeline, int width,
                 int height, bool lightBackground) {
    const TextColour white;
    const TextColour black{0.0f, 0.0f, 0.0f};
    drawText(kMargin + 1, kMargin + 1, text, lightBackground ? white : black);
    drawText(kMargin, kMargin, text, lightBackground ? black : white);
    if (!timeline || width <= 0 || height <= 0) {
        return;
    }
    inWindowPixels(width, height, [&] { drawTimeline(*timeline, timelineBox(width, height)); });
}

void drawLegend(const Legend& legend, int width, int height) {
    if (legend.title.empty() || width <= 0 || height <= 0) {
        return;
    }
    // A swatch a line high, a space, then the text.
    const int swatch = kLineHeight - 2;
    std::size_t longest = legend.title.size();
    for (const LegendEntry& entry : legend.entries) {
        longest = std::max(longest, entry.text.size() + 2);
    }
    const int boxWidth = static_cast<int>(longest) * kCharacterWidth + 2 * kBandPadding;
    const int left = width - kMargin - boxWidth;
    const int top = kMargin;
    const int lines = static_cast<int>(legend.entries.size()) + 1;
    inWindowPixels(width, height, [&] {
        fill(left, top, left + boxWidth, top + lines * kLineHeight + 2 * kBandPadding, 0.0f, 0.0f,
             0.0f);
        int y = top + kBandPadding + kLineHeight;
        for (const LegendEntry& entry : legend.entries) {
            fill(left + kBandPadding, y, left + kBandPadding + swatch, y + swatch, entry.colour[0],
                 entry.colour[1], entry.colour[2]);
            y += kLineHeight;
        }
    });
    std::string text = legend.title + "\n";
    for (const LegendEntry& entry : legend.entries) {
        text += "  " + entry.text + "\n";
    }
    drawText(left + kBandPadding, top + kBandPadding, text);
    // Mesa's software renderer batches the glyphs' bitmaps; an offscreen
    // context destroyed right after the picture is read back then loses the
    // batch's memory (LeakSanitizer shows it). Handing them over here avoids it.
    glFlush();
}

void drawMessage(std::string_view lines, int width, int height) {
    if (lines.empty() || width <= 0 || height <= 0) {
        return;
    }
    const int count = static_cast<int>(std::count(lines.begin(), lines.end(), '\n'));
    const int top = messageTextTop(count, height);
    inWindowPixels(width, height, [&] {
        fill(0, top - kBandPadding, width, top + count * kLineHeight + kBandPadding, 0.0f, 0.0f,
             0.0f);
    });
    drawText(kMargin, top, lines, {1.0f, 0.9f, 0.5f});
}

int messageTextTop(int lineCount, int height) {
    const int bandBottom = timelineBox(1, height).top - kMargin;
    return bandBottom - kBandPadding - lineCount * kLineHeight;
}

}  // namespace drawing
}  // namespace velmora
