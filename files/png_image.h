#pragma once
// PNG decoding and encoding on libpng, from and to memory.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {
inline namespace files {

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

// Why bytes did not decode.
enum class PngProblem {
    None,
    NotPng,
    // The file ends early, a check sum or the compressed data is wrong, or the
    // header promises far more pixels than such a file can hold.
    Damaged,
    // A side exceeds kMaxImageSide, or the pixels exceed the caller's budget.
    TooLarge,
};

// "not a PNG", "damaged", ...: what the tools print after the file's name.
const char* describe(PngProblem problem);

struct DecodedPng {
    // Empty pixels (and the header's size) when problem is not None, or when
    // only checked.
    Image image;
    PngProblem problem = PngProblem::None;
};

// Any bit depth, palette or grey PNG comes out as 8-bit samples with the file's
// channels (a palette becomes RGB, or RGBA when it carries transparency).
// Refuses an image whose pixels would take more than byteBudget bytes after
// reading only its header, before any memory is taken for them.
DecodedPng decodePng(std::string_view bytes, std::uint64_t byteBudget);

// decodePng without a budget beyond kMaxImageSide; nothing on any problem.
std::optional<Image> decodePng(std::string_view bytes);

// Decodes every row, as decodePng would, keeping one row at a time: whether
// the file is sound costs time, never memory. The image's pixels stay empty.
DecodedPng checkPng(std::string_view bytes);

// How hard encodePng compresses: the library's default, or its fastest level,
// which takes about half the time for files about 5 % larger (for a
// conversion, whose texture is written once and read as often).
enum class PngCompression { Small, Fast };

// The PNG file of image; deterministic for the same pixels and compression.
std::string encodePng(const Image& image, PngCompression compression = PngCompression::Small);

}  // namespace files
}  // namespace velmora
