#include "tools/render/sheet.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "drawing/text.h"

namespace velmora {
inline namespace render {

namespace {

// Fills the rectangle of scaled pixels, clipped to the image.
void fill(Image& image, int left, int top, int width, int height, uint8_t value) {
    const int x0 = std::max(left, 0);
    const int y0 = std::max(top, 0);
    const int x1 = std::min<int64_t>(static_cast<int64_t>(left) + width, image.width);
    const int y1 = std::min<int64_t>(static_cast<int64_t>(top) + height, image.height);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            for (uint32_t c = 0; c < image.channels; ++c) {
                image.pixels[(static_cast<std::size_t>(y) * image.width + x) * image.channels + c] =
                    value;
            }
        }
    }
}

// Copies tile into picture with its top-left corner at (left, top).
void place(Image& picture, const Image& tile, uint32_t left, uint32_t top) {
    const std::size_t rowBytes = static_cast<std::size_t>(tile.width) * tile.channels;
    for (uint32_t row = 0; row < tile.height; ++row) {
        std::memcpy(&picture.pixels[((top + row) * static_cast<std::size_t>(picture.width) + left) *
                                    picture.channels],
                    &tile.pixels[row * rowBytes], rowBytes);
    }
}

}  // namespace

std::vector<Tile> tilesOf(const RenderOptions& options) {
    std::vector<Tile> tiles;
    for (int row = 0; row < options.rows; ++row) {
        for (int column = 0; column < options.columns; ++column) {
            const int64_t index = static_cast<int64_t>(row) * options.columns + column;
            tiles.push_back({column, row, options.at + index * options.step});
        }
    }
    return tiles;
}

std::string clockLabel(int64_t milliseconds) {
    return std::to_string(milliseconds) + " ms";
}

void drawLabel(Image& image, int left, int top, const std::string& text, int scale) {
    const int advance = (kGlyphWidth + 1) * scale;
    const int width = static_cast<int>(text.size()) * advance - scale;
    fill(image, left - scale, top - scale, width + 2 * scale, (kGlyphHeight + 2) * scale, 0);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const GlyphRows& glyph = glyphRows(text[i]);
        for (int row = 0; row < kGlyphHeight; ++row) {
            for (int column = 0; column < kGlyphWidth; ++column) {
                if (glyph[row] & (0x10 >> column)) {
                    fill(image, left + static_cast<int>(i) * advance + column * scale,
                         top + row * scale, scale, scale, 255);
                }
            }
        }
    }
}

Image composePicture(const RenderOptions& options,
                     const std::function<Image(int64_t milliseconds)>& drawTile) {
    Image picture;
    picture.width = static_cast<uint32_t>(options.width * options.columns);
    picture.height = static_cast<uint32_t>(options.height * options.rows);
    picture.channels = 3;
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height * 3);
    // The label grows with the tile: one font pixel per 120 rows, at least one.
    const int scale = std::max(1, options.height / 120);
    for (const Tile& tile : tilesOf(options)) {
        Image drawn = drawTile(tile.milliseconds);
        if (options.sheet) {
            drawLabel(drawn, 2 * scale, 2 * scale, clockLabel(tile.milliseconds), scale);
        }
        place(picture, drawn, static_cast<uint32_t>(tile.column * options.width),
              static_cast<uint32_t>(tile.row * options.height));
    }
    return picture;
}

}  // namespace render
}  // namespace velmora
