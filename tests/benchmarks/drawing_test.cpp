// The viewer draws its meshes with vertex arrays; the immediate-mode path sends
// the same corners one at a time. Both must put the same pixels on the screen,
// under Xvfb with Mesa, frame by frame; and a frame of a loaded model takes
// nothing from the heap.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "app/camera.h"
#include "app/frame.h"
#include "benchmarks/baseline_frame.h"
#include "benchmarks/drawing_window.h"
#include "benchmarks/heap_counter.h"
#include "model/animation.h"
#include "model/clock.h"
#include "model/drawing.h"
#include "tests/benchmarks/sample_models.h"
#include "tests/support/test_support.h"

namespace {

// The frame being drawn (the back buffer), RGB, bottom row first.
std::vector<unsigned char> readFrame() {
    std::vector<unsigned char> pixels(kWindowWidth * kWindowHeight * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWindowWidth, kWindowHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

long litPixels(const std::vector<unsigned char>& frame) {
    long lit = 0;
    for (std::size_t i = 0; i < frame.size(); i += 3) {
        lit += frame[i] || frame[i + 1] || frame[i + 2];
    }
    return lit;
}

// The first pixel (x, y from the bottom left) that differs, or a note that none does.
std::string firstDifferentPixel(const std::vector<unsigned char>& a,
                                const std::vector<unsigned char>& b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            const std::size_t pixel = i / 3;
            return "pixel (" + std::to_string(pixel % kWindowWidth) + ", " +
                   std::to_string(pixel / kWindowWidth) + ")";
        }
    }
    return "none";
}

class Drawing : public testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) {
            GTEST_SKIP() << "needs an X display (scripts/test.sh runs the tests under Xvfb)";
        }
        ASSERT_TRUE(openDrawingWindow("velmora drawing test"));
        camera.reset();
    }
    void TearDown() override {
        installClock({});
        installTextureBackend(nullptr);
    }

    // Draws the model's first animation at each clock reading both ways and
    // compares the pictures.
    void expectSamePictures(Model& model) {
        for (int64_t milliseconds : {0, 517, 1990}) {
            SCOPED_TRACE(std::to_string(milliseconds) + " ms");
            installClock([milliseconds] { return milliseconds; });
            drawFrameImmediate(camera, model, 0);
            const std::vector<unsigned char> immediate = readFrame();
            drawFrame(camera, {&model, 0, true, false});
            const std::vector<unsigned char> arrays = readFrame();
            showFrame();
            EXPECT_GT(litPixels(immediate), kWindowWidth * kWindowHeight / 50)
                << "the model is out of view";
            EXPECT_EQ(firstDifferentPixel(immediate, arrays), "none");
        }
    }

    Camera camera;
};

// Makes no texture: the model is drawn in plain white.
class NoTextures : public TextureBackend {
  public:
    uint32_t load(const std::string&) override { return 0; }
    void release(uint32_t) override {}
};

}  // namespace

TEST_F(Drawing, VertexArraysDrawTheImmediateModePixels) {
    GLTextureBackend textures;
    installTextureBackend(&textures);
    for (const char* name : {"schoolgirl", "stress"}) {
        SCOPED_TRACE(name);
        Model model;
        ASSERT_TRUE(model.loadFile(sampleModelPath(name)));
        ASSERT_NE(model.texture->glName, 0u);
        expectSamePictures(model);
    }
}

TEST_F(Drawing, AnUntexturedModelIsTheSameWhiteBothWays) {
    NoTextures textures;
    installTextureBackend(&textures);
    CapturedErrors errors;
    Model model;
    ASSERT_TRUE(model.loadFile(sampleModelPath("schoolgirl")));
    expectSamePictures(model);
}

// The first frame of a model, with its bones, allocates nothing. Mesa compiles
// its shaders on the first frame it draws in a given state, through LLVM,
// which uses operator new; a frame of another model warms it up first.
TEST_F(Drawing, FramesAllocateNothingOnceTheModelIsLoaded) {
    GLTextureBackend textures;
    installTextureBackend(&textures);
    int64_t now = 0;
    installClock([&now] { return now; });
    {
        Model warmUp;
        ASSERT_TRUE(warmUp.loadFile(sampleModelPath("tomboy")));
        drawFrame(camera, {&warmUp, 0, true, true});
        showFrame();
    }
    Model model;
    ASSERT_TRUE(model.loadFile(sampleModelPath("schoolgirl")));
    const std::size_t before = heapCounts().allocations;
    for (int frame = 0; frame < 10; ++frame) {
        now = frame * 17;
        drawFrame(camera, {&model, 0, true, true});
        showFrame();
    }
    EXPECT_EQ(heapCounts().allocations - before, 0u);
}
