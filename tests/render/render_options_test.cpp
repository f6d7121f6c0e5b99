// velmora-render's arguments and the layout of its pictures, without a display:
// which command lines are taken and which are refused with what reason, where
// the tiles of a sheet go and which clock reading each shows, and the labels.

#include <gtest/gtest.h>

#include "tools/render/render_options.h"
#include "tools/render/sheet.h"

namespace {

using Strings = std::vector<std::string>;

struct Parsed {
    RenderOptions options;
    Arguments::Parsed result;
};

Parsed parse(const Strings& arguments) {
    Parsed parsed;
    parsed.result = Arguments::parse(renderProgram(parsed.options), arguments);
    return parsed;
}

using Arguments::Request;

TEST(RenderOptions, EveryOptionIsTakenInAnyOrder) {
    const Parsed command =
        parse({"--sheet", "4x2", "-o", "walk.PNG", "--bones", "--step", "125", "--no-mesh",
               "dir/model.animesh", "--animation", "2", "--at", "2147482000", "--size", "160x120",
               "--angle", "90.5", "--zoom", "1e3"});
    ASSERT_EQ(command.result.request, Request::Run) << command.result.error;
    const RenderOptions& options = command.options;
    EXPECT_EQ(options.modelPath, "dir/model.animesh");
    EXPECT_EQ(options.outputPath, "walk.PNG");
    EXPECT_EQ(options.animationNumber, 2);
    EXPECT_EQ(options.at, 2147482000);
    EXPECT_EQ(options.width, 160);
    EXPECT_EQ(options.height, 120);
    EXPECT_EQ(options.angle, 90.5);
    EXPECT_EQ(options.zoom, 1000.0);
    EXPECT_FALSE(options.showMesh);
    EXPECT_TRUE(options.showBones);
    EXPECT_TRUE(options.sheet);
    EXPECT_EQ(options.columns, 4);
    EXPECT_EQ(options.rows, 2);
    EXPECT_EQ(options.step, 125);
}

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
        // A thumbnail is square and alone; its output may have any name.
        {{"m.animesh", "-o", "t", "--thumbnail", "4097"}, "a side from 1 to 4096"},
        {{"m.animesh", "-o", "t", "--thumbnail", "9", "--size", "9x9"}, "goes without --size"},
        {{"m.animesh", "-o", "t", "--thumbnail", "9", "--sheet", "1x2", "--step", "1"},
         "goes without --size and --sheet"},
    };
    for (const Row& row : rows) {
        std::string line;
        for (const std::string& argument : row.arguments) {
            line += argument + " ";
        }
        const Arguments::Parsed result = parse(row.arguments).result;
        EXPECT_EQ(result.request, Request::UsageError) << line;
        EXPECT_NE(result.error.find(row.reason), std::string::npos)
            << line << "\n  said: " << result.error;
    }
}

TEST(RenderOptions, EveryLimitIsItselfAllowed) {
    const Strings lines[] = {
        {"m.animesh", "-o", "a.png", "--sheet", "2x1", "--step", "2", "--at", "2147483645"},
        {"m.animesh", "-o", "a.png", "--sheet", "2x16", "--step", "1", "--size", "4096x512"},
        {"m.animesh", "-o", "a.png", "--size", "1x1", "--angle", "0", "--zoom", "1"},
        {"m.animesh", "-o", "a.png", "--angle", "360", "--zoom", "2000", "--at", "0"},
        {"m.animesh", "-o", "/tmp/.thumbnail.Xy12Z", "--thumbnail", "4096"},
    };
    for (const Strings& line : lines) {
        const Arguments::Parsed result = parse(line).result;
        EXPECT_EQ(result.request, Request::Run) << result.error;
    }
}

//   --sheet 3x2 --at 100 --step 40
//
//   +-------+-------+-------+
//   |  100  |  140  |  180  |   row 0
//   +-------+-------+-------+
//   |  220  |  260  |  300  |   row 1
//   +-------+-------+-------+
TEST(Sheet, TilesRunLeftToRightThenTopToBottom) {
    RenderOptions options;
    options.sheet = true;
    options.columns = 3;
    options.rows = 2;
    options.at = 100;
    options.step = 40;
    const std::vector<Tile> tiles = tilesOf(options);
    ASSERT_EQ(tiles.size(), 6u);
    const int expected[6][3] = {{0, 0, 100}, {1, 0, 140}, {2, 0, 180},
                                {0, 1, 220}, {1, 1, 260}, {2, 1, 300}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(tiles[i].column, expected[i][0]) << i;
        EXPECT_EQ(tiles[i].row, expected[i][1]) << i;
        EXPECT_EQ(tiles[i].milliseconds, expected[i][2]) << i;
    }
}

Image blank(uint32_t width, uint32_t height, uint8_t value) {
    Image image;
    image.width = width;
    image.height = height;
    image.channels = 3;
    image.pixels.assign(static_cast<std::size_t>(width) * height * 3, value);
    return image;
}

uint8_t at(const Image& image, uint32_t x, uint32_t y) {
    return image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 3];
}

// The rows of a label's pixels as text: '#' white, '.' black, ' ' untouched.
std::vector<std::string> picture(const Image& image) {
    std::vector<std::string> rows;
    for (uint32_t y = 0; y < image.height; ++y) {
        std::string row;
        for (uint32_t x = 0; x < image.width; ++x) {
            const uint8_t value = at(image, x, y);
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

// Tiles whose every channel is the clock reading's tenth, so that a tile's
// place and reading can be read back from the picture.
Image solidTile(const RenderOptions& options, int64_t milliseconds) {
    return blank(options.width, options.height, static_cast<uint8_t>(milliseconds / 10));
}

TEST(ComposePicture, ASheetPutsEachReadingInItsTileUnderItsLabel) {
    RenderOptions options;
    options.width = 60;
    options.height = 40;
    options.sheet = true;
    options.columns = 2;
    options.rows = 2;
    options.at = 500;
    options.step = 250;
    std::vector<int64_t> drawn;
    const Image sheet = composePicture(options, [&](int64_t milliseconds) {
        drawn.push_back(milliseconds);
        return solidTile(options, milliseconds);
    });
    EXPECT_EQ(drawn, (std::vector<int64_t>{500, 750, 1000, 1250}));
    ASSERT_EQ(sheet.width, 120u);
    ASSERT_EQ(sheet.height, 80u);
    ASSERT_EQ(sheet.channels, 3u);
    const uint8_t expected[2][2] = {{50, 75}, {100, 125}};
    for (uint32_t row = 0; row < 2; ++row) {
        for (uint32_t column = 0; column < 2; ++column) {
            const uint32_t left = column * 60;
            const uint32_t top = row * 40;
            // The bottom-right corner is clear of the label; the top-left corner
            // holds its box and the first glyph starts at (2, 2).
            EXPECT_EQ(at(sheet, left + 59, top + 39), expected[row][column]);
            EXPECT_EQ(at(sheet, left + 1, top + 1), 0);
            Image label = blank(60, 40, expected[row][column]);
            drawLabel(label, 2, 2, clockLabel(options.at + (row * 2 + column) * options.step), 1);
            for (uint32_t y = 0; y < 40; ++y) {
                for (uint32_t x = 0; x < 60; ++x) {
                    ASSERT_EQ(at(sheet, left + x, top + y), at(label, x, y))
                        << "tile " << column << "," << row << " at " << x << "," << y;
                }
            }
        }
    }
}

}  // namespace
