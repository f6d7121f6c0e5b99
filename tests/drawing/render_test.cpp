// Frames drawn by the drawing library into an offscreen buffer (EGL on Mesa's
// software renderer), read back and checked at the points where the test figure
// (test_model.h) lands on the screen.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <memory>

#include "drawing/frame.h"
#include "drawing/model_drawing.h"
#include "drawing/offscreen_context.h"
#include "drawing/text.h"
#include "files/load.h"
#include "files/model_writer.h"
#include "files/png_image.h"
#include "tests/drawing/test_model.h"
#include "tests/support/test_support.h"

using namespace velmora;

using Geometry::Vector3;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// The middle of each quarter of the square, with the texel it shows.
struct Probe {
    Vector3 point;
    Colour colour;
};
const Probe kQuarters[] = {
    {{-20, 40, 0}, kRed},
    {{20, 40, 0}, kGreen},
    {{-20, 0, 0}, kBlue},
    {{20, 0, 0}, kYellow},
};
// Beside and above the square.
const Vector3 kOutside[] = {{46, 20, 0}, {-46, 20, 0}, {0, 62, 0}};

class RenderTest : public testing::Test {
  protected:
    void SetUp() override {
        static std::unique_ptr<OffscreenContext> context;
        if (!context) {
            context = std::make_unique<OffscreenContext>(kWidth, kHeight);
            applyProjection(kWidth, kHeight);
            applyFixedState();
        }
        camera.reset();
    }
    void TearDown() override { release(); }

    // Loads the figure written with options and uploads its texture; returns
    // what the load reported.
    std::string load(const TestModel& options = {}) {
        return loadPath(writeTestModel(folder.path(), "figure", options));
    }
    std::string loadPath(const std::string& path) {
        release();
        loaded = std::make_unique<LoadResult>(loadModelFile(path, {}));
        const Model& model = loaded->model;
        if (model.texture && model.texture->image) {
            content.texture = uploadTexture(*model.texture->image);
        }
        content.model = &model;
        return reportText(loaded->problems);
    }
    void release() {
        deleteTexture(content.texture);
        content = FrameContent{};
        content.milliseconds = 250;
        loaded.reset();
    }

    // Draws a frame as the display callback does and reads back what it drew.
    void draw() {
        drawFrame(camera, content, buffers);
        readBack();
    }

    void readBack() {
        glFinish();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }

    // The colour at window pixel (x, y); a point outside the window is a fault
    // of the test.
    Colour pixel(int x, int y) const {
        if (x < 0 || x >= kWidth || y < 0 || y >= kHeight) {
            ADD_FAILURE() << x << ", " << y << " is outside the window";
            return {-1, -1, -1};
        }
        const std::size_t at = (static_cast<std::size_t>(y) * kWidth + x) * 3;
        return {pixels[at], pixels[at + 1], pixels[at + 2]};
    }

    // The colour drawn where point lands.
    Colour at(const Vector3& point) const {
        const Vector3 window = toWindow(point, camera, kWidth, kHeight);
        return pixel(static_cast<int>(window.x), static_cast<int>(window.y));
    }

    // Whether a pixel within one of where point lands is white: lines are one
    // pixel wide and may fall on either side of the exact point.
    bool whiteNear(const Vector3& point) const {
        const Vector3 window = toWindow(point, camera, kWidth, kHeight);
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if (pixel(static_cast<int>(window.x) + dx, static_cast<int>(window.y) + dy) ==
                    kWhite) {
                    return true;
                }
            }
        }
        return false;
    }

    bool allBlack() const {
        for (uint8_t value : pixels) {
            if (value != 0) {
                return false;
            }
        }
        return true;
    }

    TemporaryFolder folder;
    Camera camera;
    std::unique_ptr<LoadResult> loaded;
    FrameContent content;
    FrameBuffers buffers;
    std::vector<uint8_t> pixels = std::vector<uint8_t>(kWidth * kHeight * 3);
};

TEST_F(RenderTest, TextureColoursAppearWhereTheTrianglesAre) {
    // Grey keeps the mean of the three colours; alpha is kept but never blended;
    // without its texture file the mesh is plain white.
    struct Row {
        int channels;  // 0: the texture file is missing (so first, before one is written)
        bool grey;
    } rows[] = {{0, false}, {3, false}, {1, true}, {2, true}, {4, false}};
    for (const Row& row : rows) {
        TestModel options;
        options.textureChannels = row.channels;
        options.withTexture = row.channels != 0;
        EXPECT_EQ(load(options),
                  row.channels ? "" : "Failed to open \"" + folder.path() + "figure.png\"\n\n");
        draw();
        for (const Probe& probe : kQuarters) {
            const int mean = (probe.colour[0] + probe.colour[1] + probe.colour[2]) / 3;
            const Colour expected = row.channels == 0 ? kWhite
                                    : row.grey        ? Colour{mean, mean, mean}
                                                      : probe.colour;
            EXPECT_EQ(at(probe.point), expected) << row.channels << " channels";
        }
        for (const Vector3& point : kOutside) {
            EXPECT_EQ(at(point), kBlack) << point.x << ", " << point.y;
        }
        EXPECT_FALSE(row.channels && whiteNear({0, 30, 0})) << "no bones until switched on";
    }
}

TEST_F(RenderTest, BonesAreWhiteLinesOverTheMeshOrAlone) {
    load();
    content.showBones = true;
    draw();
    // From the root's joint to the child's, (0, 0, 0) to (0, 40, 0).
    for (double y : {5.0, 20.0, 35.0}) {
        EXPECT_TRUE(whiteNear({0, y, 0})) << y;
    }
    EXPECT_FALSE(whiteNear({0, 50, 0})) << "the line ends at the child's joint";
    EXPECT_EQ(at(kQuarters[0].point), kRed);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));

    content.showMesh = false;
    draw();
    EXPECT_TRUE(whiteNear({0, 20, 0}));
    for (const Probe& probe : kQuarters) {
        EXPECT_EQ(at(probe.point), kBlack);
    }
    content.showBones = false;
    draw();
    EXPECT_TRUE(allBlack());
}

TEST_F(RenderTest, NoModelOrAnUnplayableAnimationDrawsNothing) {
    TestModel options;
    options.motionNames = {"figure-idle", "figure-gone"};
    const std::string path = writeTestModel(folder.path(), "figure", options);
    std::filesystem::remove(folder.path() + "figure-gone");
    loadPath(path);
    content.showBones = true;

    content.animation = 1;
    draw();
    EXPECT_TRUE(allBlack()) << "the motion file of animation 2 is missing";

    content.animation = 0;
    draw();
    EXPECT_EQ(at(kQuarters[0].point), kRed);

    content.model = nullptr;
    draw();
    EXPECT_TRUE(allBlack());
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(RenderTest, FromBehindEachQuarterShowsWhereItLands) {
    load();
    const Vector3 redSeenFromTheFront = toWindow(kQuarters[0].point, camera, kWidth, kHeight);
    // From behind: no face is culled.
    camera.rotate(180);
    camera.update();
    draw();
    for (const Probe& probe : kQuarters) {
        EXPECT_EQ(at(probe.point), probe.colour) << "behind, " << probe.point.x;
    }
    EXPECT_EQ(
        pixel(static_cast<int>(redSeenFromTheFront.x), static_cast<int>(redSeenFromTheFront.y)),
        kGreen)
        << "the picture is mirrored";
}

TEST_F(RenderTest, TexturesAreMadeAndDeletedOnce) {
    Image image;
    image.width = 3;  // not a power of two
    image.height = 1;
    image.channels = 3;
    image.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const GLuint name = uploadTexture(image);
    ASSERT_NE(name, 0u);
    EXPECT_TRUE(glIsTexture(name));
    deleteTexture(name);
    EXPECT_FALSE(glIsTexture(name));
    deleteTexture(0);

    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    image.width = static_cast<uint32_t>(maxSide) + 1;
    image.pixels.assign(std::size_t{image.width} * 3, 0);
    EXPECT_EQ(uploadTexture(image), 0u) << "wider than OpenGL takes";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderTest, TextLandsInItsCellsAndLeavesTheStateAlone) {
    glMatrixMode(GL_MODELVIEW);
    struct Row {
        const char* name;
        int x, y;  // from the top-left corner
        std::string text;
        int columns, lines;
    };
    const Row rows[] = {
        {"one line", 10, 20, "Velmora 2/4 key 3 of 12", 23, 1},
        {"lines start below x", 200, 300, "1234 ms\n10 fps", 7, 2},
        {"cut off at the left and top edges", -3, -4, "WIDE", 4, 1},
        {"unprintable bytes", 600, 460, "\x01\xff", 2, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        glClear(GL_COLOR_BUFFER_BIT);
        drawText(row.x, row.y, row.text);
        readBack();
        std::vector<int> litPerCell(static_cast<std::size_t>(row.columns * row.lines));
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                if (pixel(x, kHeight - 1 - y) == kBlack) {
                    continue;
                }
                EXPECT_EQ(pixel(x, kHeight - 1 - y), kWhite);
                const int column = (x - row.x) / kCharacterWidth;
                const int line = (y - row.y) / kLineHeight;
                ASSERT_TRUE(x >= row.x && column < row.columns && y >= row.y && line < row.lines)
                    << x << ", " << y << " is outside the text";
                ++litPerCell[static_cast<std::size_t>(line * row.columns + column)];
            }
        }
        int lit = 0;
        for (int count : litPerCell) {
            lit += count > 0;
        }
        const int spaces = static_cast<int>(std::count(row.text.begin(), row.text.end(), ' '));
        EXPECT_EQ(lit, static_cast<int>(row.text.size()) - spaces - (row.lines - 1))
            << "every character but blanks shows";
    }
    // Upright, not mirrored: an L lights its left column and its bottom row.
    glClear(GL_COLOR_BUFFER_BIT);
    drawText(50, 50, "L");
    readBack();
    const auto litAt = [&](int x, int y) { return pixel(x, kHeight - 1 - y) == kWhite; };
    EXPECT_TRUE(litAt(50, 50) && litAt(50, 56) && litAt(54, 56));
    EXPECT_FALSE(litAt(54, 50));

    // An unprintable byte shows as '?'.
    glClear(GL_COLOR_BUFFER_BIT);
    drawText(50, 50, "?");
    readBack();
    const std::vector<uint8_t> question = pixels;
    glClear(GL_COLOR_BUFFER_BIT);
    drawText(50, 50, "\x7f");
    readBack();
    EXPECT_TRUE(pixels == question);

    GLint matrixMode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    EXPECT_EQ(matrixMode, GL_MODELVIEW);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    // And the frame drawn after the text is the frame drawn without it.
    load();
    draw();
    const std::vector<uint8_t> plain = pixels;
    drawText(0, 0, "overlay");
    draw();
    EXPECT_TRUE(pixels == plain);
}

}  // namespace
