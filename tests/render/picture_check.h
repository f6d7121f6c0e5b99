#pragma once
// Reading pictures back and checking them: colours, where a colour shows, and
// the comparison with a reference image.

#include <cstdint>
#include <optional>
#include <string>

#include "files/png_image.h"
#include "tests/support/colour.h"

using namespace velmora;

// Mesa's software renderer for this process and the programs it starts, so that
// every machine draws the same pixels (set before the first context is made).
void useSoftwareRenderer();

// The RGB picture in the PNG file at path, or nothing.
std::optional<Image> readPicture(const std::string& path);

// Pixels counted row by row from the top-left corner.
Colour colourAt(const Image& image, std::size_t pixel);
Colour colourAt(const Image& image, uint32_t x, uint32_t y);

// Where one colour shows: how many pixels, their mean position and the box
// around them, in pixels from the top-left corner (y grows downwards).
struct Blob {
    std::size_t pixels = 0;
    double x = 0;
    double y = 0;
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};
Blob blobOf(const Image& image, const Colour& colour);

// How a picture compares with its reference. A pixel differs when one of its
// channels is more than the tolerance away from the reference's.
struct Comparison {
    bool sameSize = false;
    std::size_t differingPixels = 0;
    std::size_t pixels = 0;
    // The largest difference of any channel.
    int largestDifference = 0;
    // What differs, for a person to look at: the reference dimmed to a quarter,
    // pixels within the tolerance in grey by their difference, and differing
    // pixels in full red.
    Image difference;

    double differingShare() const {
        return pixels == 0 ? 1.0 : static_cast<double>(differingPixels) / pixels;
    }
};
Comparison compare(const Image& picture, const Image& reference, int channelTolerance);
