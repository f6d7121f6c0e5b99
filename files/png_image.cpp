#include "files/png_image.h"

#include <png.h>

#include <cstring>

namespace velmora {
inline namespace files {

namespace {

struct ReadCursor {
    std::string_view bytes;
    std::size_t position = 0;
    // Set before an error jumps out of libpng; a jump without one is damage.
    PngProblem problem = PngProblem::Damaged;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* cursor = static_cast<ReadCursor*>(png_get_io_ptr(png));
    if (cursor->bytes.size() - cursor->position < length) {
        png_error(png, "truncated");
    }
    std::memcpy(out, cursor->bytes.data() + cursor->position, length);
    cursor->position += length;
}

void writeToString(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

void flushNothing(png_structp) {}

void silentWarning(png_structp, png_const_charp) {}

void jumpOnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void refuse(png_structp png, ReadCursor& cursor, PngProblem problem) {
    cursor.problem = problem;
    png_error(png, "refused");
}

// Decodes into image, all rows (keepRows) or one row buffer reused for every
// row. Kept free of C++ objects with destructors that come to life between
// setjmp and the calls that may longjmp back.
bool decodeInto(ReadCursor& cursor, std::uint64_t byteBudget, bool keepRows, Image& image) {
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, jumpOnError, silentWarning);
    if (!png) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    std::vector<png_bytep>* rows = new std::vector<png_bytep>();
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        delete rows;
        return false;
    }
    png_set_read_fn(png, &cursor, readFromMemory);
    // The sides are checked here, so that too large is told from damaged.
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_read_info(png, info);
    if (png_get_image_width(png, info) > kMaxImageSide ||
        png_get_image_height(png, info) > kMaxImageSide) {
        refuse(png, cursor, PngProblem::TooLarge);
    }
    // Rows as the file stores them, each after its filter byte.
    const std::size_t filteredBytes =
        (png_get_rowbytes(png, info) + 1) * png_get_image_height(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    image.width = png_get_image_width(png, info);
    image.height = png_get_image_height(png, info);
    image.channels = png_get_channels(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    if (keepRows && static_cast<std::uint64_t>(rowBytes) * image.height > byteBudget) {
        refuse(png, cursor, PngProblem::TooLarge);
    }
    // Deflate cannot expand data more than 1032-fold, so a larger image than that
    // is a damaged file; refusing it early keeps a tiny file from claiming
    // gigabytes of memory.
    if (filteredBytes / 1032 > cursor.bytes.size() + 1024) {
        refuse(png, cursor, PngProblem::Damaged);
    }
    image.pixels.resize(keepRows ? rowBytes * image.height : rowBytes);
    if (keepRows) {
        rows->resize(image.height);
        for (uint32_t y = 0; y < image.height; ++y) {
            (*rows)[y] = image.pixels.data() + y * rowBytes;
        }
        png_read_image(png, rows->data());
    } else {
        for (int pass = 0; pass < passes; ++pass) {
            for (uint32_t y = 0; y < image.height; ++y) {
                png_read_row(png, image.pixels.data(), nullptr);
            }
        }
        image.pixels.clear();
        image.pixels.shrink_to_fit();
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    delete rows;
    return true;
}

DecodedPng decode(std::string_view bytes, std::uint64_t byteBudget, bool keepRows) {
    DecodedPng decoded;
    if (bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8)) {
        decoded.problem = PngProblem::NotPng;
        return decoded;
    }
    ReadCursor cursor{bytes, 0};
    if (!decodeInto(cursor, byteBudget, keepRows, decoded.image)) {
        decoded.problem = cursor.problem;
        decoded.image.pixels = {};
    }
    return decoded;
}

}  // namespace

const char* describe(PngProblem problem) {
    switch (problem) {
        case PngProblem::None:
            return "readable";
        case PngProblem::NotPng:
            return "not a PNG";
        case PngProblem::Damaged:
            return "damaged";
        case PngProblem::TooLarge:
            return "larger than 16384 pixels a side or the memory allowed";
    }
    return "";
}

DecodedPng decodePng(std::string_view bytes, std::uint64_t byteBudget) {
    return decode(bytes, byteBudget, true);
}

std::optional<Image> decodePng(std::string_view bytes) {
    DecodedPng decoded = decode(bytes, UINT64_MAX, true);
    if (decoded.problem != PngProblem::None) {
        return std::nullopt;
    }
    return std::move(decoded.image);
}

DecodedPng checkPng(std::string_view bytes) {
    return decode(bytes, UINT64_MAX, false);
}

std::string encodePng(const Image& image, PngCompression compression) {
    static const int kColourTypes[] = {0, PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA,
                                       PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA};
    std::string out;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, jumpOnError, silentWarning);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, writeToString, flushNothing);
    png_set_IHDR(png, info, image.width, image.height, 8, kColourTypes[image.channels],
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (compression == PngCompression::Fast) {
        png_set_compression_level(png, 1);
    }
    png_write_info(png, info);
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * image.channels;
    for (uint32_t y = 0; y < image.height; ++y) {
        png_write_row(png, image.pixels.data() + y * rowBytes);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

}  // namespace files
}  // namespace velmora
