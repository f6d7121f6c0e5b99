#pragma once
// PNG decoding and encoding on libpng, from and to memory.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Largest side of an image that is decoded; bigger ones count as unreadable.
constexpr uint32_t kMaxImageSide = 16384;

struct Image {
    uint32_t width = 0;
    uint32_t height = 0;
    // 1 (grey), 2 (grey and alpha), 3 (RGB) or 4 (RGBA), 8 bits each.
    uint32_t channels = 0;
    // Rows top to bottom, each width * channels bytes.
    std::vector<uint8_t> pixels;
};

// Any bit depth, palette or grey PNG comes out as 8-bit samples with the file's
// channels (a palette becomes RGB, or RGBA when it carries transparency).
// Nothing when the bytes are not a readable PNG or a side exceeds kMaxImageSide.
std::optional<Image> decodePng(std::string_view bytes);

// The PNG file of image; deterministic for the same pixels.
std::string encodePng(const Image& image);
