#pragma once
// Text drawn in an OpenGL 1.1 window without a font library: printable ASCII
// from a 5 x 7 pixel font of its own, drawn as bitmaps in cells of 6 x 9 pixels.
// Needs only OpenGL and a current context.

#include <array>
#include <cstdint>
#include <string_view>

namespace velmora {
inline namespace drawing {

// One character's cell: glyphs are 5 x 7 pixels, with a column and two rows of
// space to the next.
constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kCharacterWidth = 6;
constexpr int kLineHeight = 9;

// The font's glyph of c, rows top to bottom, the leftmost pixel of a row in bit
// 4; a byte outside printable ASCII gets the glyph of '?'. Needs no OpenGL.
using GlyphRows = std::array<uint8_t, kGlyphHeight>;
const GlyphRows& glyphRows(char c);

struct TextColour {
    float red = 1.0f;
    float green = 1.0f;
    float blue = 1.0f;
};

// Draws text over what is drawn, not hidden by depth, with the top-left corner
// of its first cell at (x, y): pixels from the top-left corner of the
// viewport. '\n' starts the next line below x; a byte outside printable ASCII
// shows as '?'. What falls outside the viewport is cut off. Leaves the OpenGL
// state as it found it.
void drawText(int x, int y, std::string_view text, const TextColour& colour = {});

}  // namespace drawing
}  // namespace velmora
