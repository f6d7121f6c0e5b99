// velmora-render's arguments and its clock labels, without a display: which
// command lines are refused with what reason, which limits are taken, and the
// labels' pixels. (Each option's effect shows in render_test's pictures.)

#include <gtest/gtest.h>

#include "tools/render/frame_export.h"
#include "tools/render/render_options.h"
#include "tools/render/sheet.h"

using namespace velmora;

namespace {

using Strings = std::vector<std::string>;

Arguments::Parsed parse(const Strings& arguments) {
    RenderOptions options;
    return Arguments::parse(renderProgram(options), arguments);
}

using Arguments::Request;

TEST(RenderOptions, BadCommandLinesAreRefusedWithTheReason) {
    struct Row {
        Strings arguments;
        std::string reason;
    };
    const Row rows[] = {
        {{}, "no model file given"},
        {{"m.animesh"}, "no output file given"},
        {{"a.animesh", "b.animesh", "-o", "out.png"}, "more than one model file"},
        {{"m.animesh", "-o", "out.txt"}, "ending in .png"},
        {{"m.animesh", "-o", "m.animesh"}, "ending in .png"},
        {{"m.animesh", "-o", "folder/.png"}, "ending in .png"},
        // Animations are counted from 1, the clock from 0.
        {{"m.animesh", "-o", "a.png", "--animation", "0"}, "counted from 1"},
        {{"m.animesh", "-o", "a.png", "--at", "-1"}, "--at needs milliseconds"},
        {{"m.animesh", "-o", "a.png", "--at", "2147483648"}, "--at needs milliseconds"},
        {{"m.animesh", "-o", "a.png", "--at", "99999999999999999999"}, "--at needs"},
        // Sizes: both sides, each 1 to 4096, nothing around them.
        {{"m.animesh", "-o", "a.png", "--size", "0x480"}, "<width>x<height>"},
        {{"m.animesh", "-o", "a.png", "--size", "4097x480"}, "<width>x<height>"},
        {{"m.animesh", "-o", "a.png", "--size", "640x480x2"}, "<width>x<height>"},
        {{"m.animesh", "-o", "a.png", "--size", " 640x480"}, "<width>x<height>"},
        // The camera keeps to the ranges its commands keep to.
        {{"m.animesh", "-o", "a.png", "--angle", "361"}, "degrees from 0 to 360"},
        {{"m.animesh", "-o", "a.png", "--angle", "nan"}, "degrees from 0 to 360"},
        {{"m.animesh", "-o", "a.png", "--zoom", "0.5"}, "radius from 1 to 2000"},
        {{"m.animesh", "-o", "a.png", "--zoom", "1e400"}, "radius from 1 to 2000"},
        // A sheet needs its step and the step its sheet.
        {{"m.animesh", "-o", "a.png", "--sheet", "2x2"}, "--sheet and --step go together"},
        {{"m.animesh", "-o", "a.png", "--sheet", "17x1", "--step", "1"}, "<columns>x<rows>"},
        {{"m.animesh", "-o", "a.png", "--sheet", "2x2", "--step", "0"}, "--step needs"},
        {{"m.animesh", "-o", "a.png", "--sheet", "3x1", "--step", "1", "--size", "4000x10"},
         "wider or taller than 8192"},
        {{"m.animesh", "-o", "a.png", "--sheet", "1x9", "--step", "1", "--size", "10x1000"},
         "wider or taller than 8192"},
        {{"m.animesh", "-o", "a.png", "--sheet", "2x1", "--step", "2", "--at", "2147483646"},
         "the last clock reading would exceed"},
        // Colourings by name; a bone's index only for the weights.
        {{"m.animesh", "-o", "a.png", "--colour", "Weights"}, "texture, weights or influences"},
        {{"m.animesh", "-o", "a.png", "--colour", "weights", "--bone", "105"}, "from 0 to 104"},
        {{"m.animesh", "-o", "a.png", "--bone", "1"}, "--bone goes with --colour weights"},
        {{"m.animesh", "-o", "a.png", "--colour", "influences", "--bone", "1"}, "goes with"},
        // A thumbnail is square and alone; its output may have any name.
        {{"m.animesh", "-o", "t", "--thumbnail", "4097"}, "a side from 1 to 4096"},
        {{"m.animesh", "-o", "t", "--thumbnail", "9", "--size", "9x9"}, "goes without --size"},
        {{"m.animesh", "-o", "t", "--thumbnail", "9", "--sheet", "1x2", "--step", "1"},
         "goes without --size and --sheet"},
        // Videos and frames: one output, a known format, even sides for 4:2:0.
        {{"m.animesh", "--video", "out.avi"}, "ending in .mp4, .webm or .gif"},
        {{"m.animesh", "--video", "out.mp4", "--size", "641x480"}, "even width and height"},
        {{"m.animesh", "--video", "out.gif", "-o", "a.png"}, "give one of -o, --video"},
        {{"m.animesh", "--video", "out.gif", "--frames", "f"}, "give one of -o, --video"},
        {{"m.animesh", "--frames", "f", "--at", "5"}, "go without --at"},
        {{"m.animesh", "--frames", "f", "--from", "50", "--to", "50"}, "--to must come after"},
        {{"m.animesh", "--frames", "f", "--fps", "0"}, "frames a second from 1 to 120"},
        {{"m.animesh", "-o", "a.png", "--turntable"}, "go with --video or --frames"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.arguments));
        const Arguments::Parsed result = parse(row.arguments);
        EXPECT_EQ(result.request, Request::UsageError);
        EXPECT_NE(result.error.find(row.reason), std::string::npos) << result.error;
    }
}

TEST(RenderOptions, EveryLimitIsItselfAllowed) {
    const Strings lines[] = {
        {"m.animesh", "-o", "a.png", "--sheet", "2x1", "--step", "2", "--at", "2147483645"},
        {"m.animesh", "-o", "a.png", "--sheet", "2x16", "--step", "1", "--size", "4096x512"},
        {"m.animesh", "-o", "a.png", "--size", "1x1", "--angle", "0", "--zoom", "1"},
        {"m.animesh", "-o", "a.png", "--angle", "360", "--zoom", "2000", "--at", "0"},
        {"m.animesh", "-o", "/tmp/.thumbnail.Xy12Z", "--thumbnail", "4096"},
        {"m.animesh", "--video", "OUT.WebM", "--fps", "120", "--to", "2147483647"},
        {"m.animesh", "--video", "o.gif", "--size", "1x1", "--turntable", "--from", "0"},
    };
    for (const Strings& line : lines) {
        SCOPED_TRACE(::testing::PrintToString(line));
        const Arguments::Parsed result = parse(line);
        EXPECT_EQ(result.request, Request::Run) << result.error;
    }
}

TEST(FrameExport, FramesStopBeforeTheEndAtWholeMilliseconds) {
    struct Row {
        const char* name;
        int64_t from;
        int fps;
        int64_t to;
        int64_t count;
        int64_t lastTime;
    };
    const Row rows[] = {
        {"thirds of a millisecond round down", 0, 30, 200, 6, 166},
        {"a frame exactly at the end is left out", 0, 10, 200, 2, 100},
        {"from a later start", 50, 20, 150, 2, 100},
        {"one frame", 7, 1, 8, 1, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RenderOptions options;
        options.from = row.from;
        options.fps = row.fps;
        EXPECT_EQ(frameCount(options, row.to), row.count);
        EXPECT_EQ(frameTime(options, row.count - 1), row.lastTime);
    }
    EXPECT_EQ(frameFileName(0, 90), "frame-0001.png");
    EXPECT_EQ(frameFileName(12344, 12345), "frame-12345.png");
}

Image blank(uint32_t width, uint32_t height, uint8_t value) {
    Image image;
    image.width = width;
    image.height = height;
    image.channels = 3;
    image.pixels.assign(static_cast<std::size_t>(width) * height * 3, value);
    return image;
}

// The rows of a label's pixels as text: '#' white, '.' black, ' ' untouched.
std::vector<std::string> picture(const Image& image) {
    std::vector<std::string> rows;
    for (uint32_t y = 0; y < image.height; ++y) {
        std::string row;
        for (uint32_t x = 0; x < image.width; ++x) {
            const uint8_t value = image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 3];
            row += value == 255 ? '#' : value == 0 ? '.' : ' ';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(ClockLabel, GlyphsAreWhiteOnABlackBoxOnePixelWider) {
    Image image = blank(21, 11, 128);
    drawLabel(image, 2, 2, "1 s", 1);
    // "1", a blank glyph, "s"; the box reaches one pixel past the glyphs.
    const std::vector<std::string> expected = {
        "                     ", " ................... ", " ...#............... ",
        " ..##............... ", " ...#..........###.. ", " ...#.........#..... ",
        " ...#..........###.. ", " ...#.............#. ", " ..###........####.. ",
        " ................... ", "                     ",
    };
    EXPECT_EQ(picture(image), expected);
}

TEST(ClockLabel, ALabelPastAnyEdgeIsClipped) {
    Image image = blank(4, 4, 128);
    // Past the right and bottom edges: only the box's corner and the glyph's
    // blank first cell are inside.
    drawLabel(image, 3, 3, "88", 2);
    EXPECT_EQ(picture(image), (std::vector<std::string>{"    ", " ...", " ...", " ..."}));
    // Past the left and top edges: the image is all label.
    drawLabel(image, -20, -3, "1234567890 ms", 3);
    for (uint8_t value : image.pixels) {
        EXPECT_TRUE(value == 0 || value == 255);
    }
    const std::vector<uint8_t> before = image.pixels;
    drawLabel(image, 100, 100, "7", 1);
    EXPECT_EQ(image.pixels, before);
}

}  // namespace
