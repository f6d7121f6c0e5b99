// The viewer draws its meshes with vertex arrays; the immediate-mode path sends
// the same corners one at a time. Both must put the same pixels into the
// offscreen buffer, frame by frame; and a frame of a loaded model takes nothing
// from the heap.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "benchmarks/baseline_frame.h"
#include "benchmarks/drawing_context.h"
#include "benchmarks/heap_counter.h"
#include "drawing/frame.h"
#include "drawing/model_drawing.h"
#include "files/load.h"
#include "tests/benchmarks/sample_models.h"
#include "tests/support/test_support.h"
#include "view/camera.h"

using namespace velmora;

namespace {

// The frame being drawn (the back buffer), RGB, bottom row first.
std::vector<unsigned char> readFrame() {
    std::vector<unsigned char> pixels(kWindowWidth * kWindowHeight * 3);
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
        ASSERT_TRUE(openDrawingContext());
        camera.reset();
    }

    // Draws the model's first animation with texture at each clock reading both
    // ways and compares the pictures.
    void expectSamePictures(const Model& model, uint32_t texture) {
        for (int64_t milliseconds : {0, 517, 1990}) {
            SCOPED_TRACE(std::to_string(milliseconds) + " ms");
            const FrameContent content{&model, texture, 0, milliseconds, true, false};
            drawFrameImmediate(camera, content, buffers);
            const std::vector<unsigned char> immediate = readFrame();
            drawFrame(camera, content, buffers);
            const std::vector<unsigned char> arrays = readFrame();
            EXPECT_GT(litPixels(immediate), kWindowWidth * kWindowHeight / 50)
                << "the model is out of view";
            EXPECT_EQ(firstDifferentPixel(immediate, arrays), "none");
        }
    }

    // The sample's model with its texture uploaded.
    const Model& load(const std::string& name) {
        loaded = std::make_unique<LoadResult>(loadModelFile(sampleModelPath(name), {}));
        EXPECT_TRUE(loaded->modelRead);
        deleteTexture(texture);
        texture = uploadTexture(*loaded->model.texture->image);
        EXPECT_NE(texture, 0u);
        return loaded->model;
    }
    void TearDown() override { deleteTexture(texture); }

    Camera camera;
    FrameBuffers buffers;
    std::unique_ptr<LoadResult> loaded;
    uint32_t texture = 0;
};

}  // namespace

TEST_F(Drawing, VertexArraysDrawTheImmediateModePixels) {
    for (const char* name : {"schoolgirl", "stress"}) {
        SCOPED_TRACE(name);
        const Model& model = load(name);
        expectSamePictures(model, texture);
    }
}

TEST_F(Drawing, AnUntexturedModelIsTheSameWhiteBothWays) {
    expectSamePictures(load("schoolgirl"), 0);
}

// The first frame of a model, with its bones, allocates nothing. Mesa compiles
// its shaders on the first frame it draws in a given state, through LLVM,
// which uses operator new; a frame of another model warms it up first.
TEST_F(Drawing, FramesAllocateNothingOnceTheModelIsLoaded) {
    drawFrame(camera, {&load("tomboy"), texture, 0, 0, true, true}, buffers);
    finishFrame();
    const Model& model = load("schoolgirl");
    drawFrame(camera, {&model, texture, 0, 0, true, true}, buffers);
    const std::size_t before = heapCounts().allocations;
    for (int frame = 1; frame < 10; ++frame) {
        drawFrame(camera, {&model, texture, 0, frame * 17, true, true}, buffers);
        finishFrame();
    }
    EXPECT_EQ(heapCounts().allocations - before, 0u);
}
