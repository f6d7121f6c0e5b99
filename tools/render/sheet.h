#pragma once
// Laying drawn frames out as the picture: one frame as it is, or a sheet of
// tiles, each labelled with its clock reading in the viewer's own bitmap font
// (drawing/text.h; no font library needed).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "files/png_image.h"
#include "tools/render/render_options.h"

namespace velmora {
inline namespace render {

struct Tile {
    int column = 0;
    int row = 0;
    int64_t milliseconds = 0;
};

// The frames that options ask for, in drawing order: left to right, then top to
// bottom, the clock advancing by step from at. One tile for a single picture.
std::vector<Tile> tilesOf(const RenderOptions& options);

// A tile's label: the clock reading and its unit, such as "1250 ms".
std::string clockLabel(int64_t milliseconds);

// Writes text into an RGB image with the label's top-left corner at (left, top):
// glyphs of 5 x 7 pixels one pixel apart, each pixel scale x scale, white on a
// black box one scaled pixel wider all round, so that it reads over any model.
// A byte outside printable ASCII shows as '?'. Clipped to the image.
void drawLabel(Image& image, int left, int top, const std::string& text, int scale);

// The picture: every tile drawn by drawTile (an RGB image of the options' width
// and height for a clock reading) and put in its place; on a sheet each tile is
// labelled in its top-left corner.
Image composePicture(const RenderOptions& options,
                     const std::function<Image(int64_t milliseconds)>& drawTile);

}  // namespace render
}  // namespace velmora
