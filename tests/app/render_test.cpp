// Frames drawn by the viewer's own drawing code into a real OpenGL window (under
// Xvfb with Mesa), read back and checked at the points where the test figure
// (test_model.h) lands on the screen.

#include <GL/gl.h>
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>

#include "app/frame.h"
#include "app/text.h"
#include "files/model_writer.h"
#include "files/png_image.h"
#include "files/texture.h"
#include "model/clock.h"
#include "model/drawing.h"
#include "tests/app/fakes.h"
#include "tests/app/test_model.h"
#include "tests/support/test_support.h"

using Geometry::Vector3;

// Mesa's software driver keeps the buffers of a GLUT window past its own
// unloading at exit, where a sanitizer build's leak check would count them in
// any GLUT program. The viewer's own loads and releases are leak-checked by
// app_test, which opens no window.
extern "C" int __lsan_is_turned_off() {
    return 1;
}

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

// Opens the one window of the test program, on first use.
bool openWindow() {
    static bool open = false;
    if (!open) {
        int argc = 1;
        char name[] = "render_test";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB | GLUT_DEPTH);
        glutInitWindowSize(kWidth, kHeight);
        glutCreateWindow("velmora render test");
        applyProjection(kWidth, kHeight);
        applyFixedState();
        open = true;
    }
    return open;
}

class RenderTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) {
            GTEST_SKIP() << "needs an X display (scripts/test.sh runs the tests under Xvfb)";
        }
        ASSERT_TRUE(openWindow());
        installTextureBackend(&textures);
        installClock([] { return 250; });
        camera.reset();
        viewer.buildMenus();
    }
    void TearDown() override {
        viewer.releaseModel();
        installTextureBackend(nullptr);
        installClock({});
    }

    void load(const TestModel& options = {}) {
        viewer.replaceModel(writeTestModel(folder.path(), "figure", options));
    }

    // Draws a frame as the display callback does and reads back what it drew.
    void draw() {
        drawFrame(viewer);
        readBack();
    }

    void readBack() {
        glFinish();
        glReadBuffer(GL_BACK);
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
    EventLog log;
    FakeMenus menus{log};
    FakeDialogs dialogs{log};
    Camera camera;
    Viewer viewer{camera, menus, dialogs};
    GLTextureBackend textures;
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
        viewer.releaseModel();
        CapturedErrors errors;
        load(options);
        EXPECT_EQ(errors.text(),
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
    viewer.showBones = true;
    draw();
    // From the root's joint to the child's, (0, 0, 0) to (0, 40, 0).
    for (double y : {5.0, 20.0, 35.0}) {
        EXPECT_TRUE(whiteNear({0, y, 0})) << y;
    }
    EXPECT_FALSE(whiteNear({0, 50, 0})) << "the line ends at the child's joint";
    EXPECT_EQ(at(kQuarters[0].point), kRed);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));

    viewer.showMesh = false;
    draw();
    EXPECT_TRUE(whiteNear({0, 20, 0}));
    for (const Probe& probe : kQuarters) {
        EXPECT_EQ(at(probe.point), kBlack);
    }
    viewer.showBones = false;
    draw();
    EXPECT_TRUE(allBlack());
}

TEST_F(RenderTest, ClosedFileOrUnplayableAnimationDrawsNothing) {
    TestModel options;
    options.motionNames = {"figure-idle", "figure-gone"};
    const std::string path = writeTestModel(folder.path(), "figure", options);
    std::filesystem::remove(folder.path() + "figure-gone");
    {
        CapturedErrors missingMotion;
        viewer.replaceModel(path);
    }
    viewer.showBones = true;

    viewer.currentAnimation = 1;
    draw();
    EXPECT_TRUE(allBlack()) << "the motion file of animation 2 is missing";

    viewer.currentAnimation = 0;
    draw();
    EXPECT_EQ(at(kQuarters[0].point), kRed);

    viewer.onMainMenu(kCloseFileValue);
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
    const std::string path = folder.path() + "picture.png";
    Image image;
    image.width = 3;  // not a power of two
    image.height = 1;
    image.channels = 3;
    image.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_TRUE(writeFile(path, encodePng(image)));
    ASSERT_TRUE(writeFile(folder.path() + "broken.png", "not a PNG"));

    Texture texture;
    texture.glName = textures.load(path);
    ASSERT_NE(texture.glName, 0u);
    const GLuint name = texture.glName;
    EXPECT_TRUE(glIsTexture(name));
    texture.release();
    EXPECT_FALSE(glIsTexture(name));
    texture.release();
    EXPECT_EQ(texture.glName, 0u);

    EXPECT_EQ(bindPngTexture(folder.path() + "broken.png"), 0u);
    EXPECT_EQ(bindPngTexture(folder.path() + "absent.png"), 0u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderTest, TextLandsInItsCellsAndLeavesTheStateAlone) {
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
