#include "tests/render/picture_check.h"

#include <algorithm>
#include <cstdlib>

#include "tests/support/test_support.h"

using namespace velmora;

void useSoftwareRenderer() {
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
}

std::optional<Image> readPicture(const std::string& path) {
    auto image = decodePng(readFile(path));
    if (!image || image->channels != 3) {
        return std::nullopt;
    }
    return image;
}

Colour colourAt(const Image& image, std::size_t pixel) {
    const uint8_t* at = &image.pixels[pixel * 3];
    return {at[0], at[1], at[2]};
}

Colour colourAt(const Image& image, uint32_t x, uint32_t y) {
    return colourAt(image, static_cast<std::size_t>(y) * image.width + x);
}

Blob blobOf(const Image& image, const Colour& colour) {
    Blob blob;
    double right = 0;
    double bottom = 0;
    for (uint32_t y = 0; y < image.height; ++y) {
        for (uint32_t x = 0; x < image.width; ++x) {
            if (colourAt(image, x, y) != colour) {
                continue;
            }
            if (blob.pixels == 0) {
                blob.left = right = x;
                blob.top = bottom = y;
            }
            ++blob.pixels;
            blob.x += x;
            blob.y += y;
            blob.left = std::min<double>(blob.left, x);
            right = std::max<double>(right, x);
            bottom = y;
        }
    }
    if (blob.pixels > 0) {
        blob.x /= blob.pixels;
        blob.y /= blob.pixels;
        blob.width = right - blob.left + 1;
        blob.height = bottom - blob.top + 1;
    }
    return blob;
}

Comparison compare(const Image& picture, const Image& reference, int channelTolerance) {
    Comparison result;
    result.sameSize = picture.width == reference.width && picture.height == reference.height &&
                      picture.channels == 3 && reference.channels == 3;
    if (!result.sameSize) {
        return result;
    }
    result.pixels = static_cast<std::size_t>(picture.width) * picture.height;
    result.difference = reference;
    for (std::size_t pixel = 0; pixel < result.pixels; ++pixel) {
        int largest = 0;
        for (int c = 0; c < 3; ++c) {
            largest = std::max(
                largest, std::abs(picture.pixels[pixel * 3 + c] - reference.pixels[pixel * 3 + c]));
        }
        result.largestDifference = std::max(result.largestDifference, largest);
        uint8_t* shown = &result.difference.pixels[pixel * 3];
        if (largest > channelTolerance) {
            ++result.differingPixels;
            shown[0] = 255;
            shown[1] = shown[2] = 0;
        } else if (largest > 0) {
            shown[0] = shown[1] = shown[2] = static_cast<uint8_t>(128 + largest);
        } else {
            for (int c = 0; c < 3; ++c) {
                shown[c] = static_cast<uint8_t>(shown[c] / 4);
            }
        }
    }
    return result;
}
