// velmora-render end to end, offscreen: the real program run on the render
// figure (render_figure.h) and its pictures read back. Where the figure's
// coloured parts land for each camera, clock reading and animation; what the
// bone switches add and leave; sheets; refusals that write nothing.
//
// Mesa's software renderer is used throughout (LIBGL_ALWAYS_SOFTWARE), so every
// machine draws the same pixels, with or without an X server.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

extern "C" {
#include <libavformat/avformat.h>
}

#include "files/png_image.h"
#include "tests/render/picture_check.h"
#include "tests/render/render_figure.h"
#include "tests/support/test_support.h"

using namespace velmora;

namespace {

namespace fs = std::filesystem;

class RenderProgram : public testing::Test {
  protected:
    void SetUp() override {
        useSoftwareRenderer();
        fs::create_directory(folder.path() + "figure");
        modelPath = writeRenderFigure(folder.path() + "figure");
    }

    // Runs velmora-render on the figure with arguments, into out.png.
    ProgramRun render(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {VELMORA_RENDER_PROGRAM, modelPath, "-o", output()});
        return runProgram(arguments);
    }

    // The picture the last run wrote; fails the test when there is none.
    Image picture() {
        const auto image = readPicture(output());
        EXPECT_TRUE(image) << "no picture at " << output();
        return image.value_or(Image{});
    }

    std::string output() const { return folder.path() + "out.png"; }

    TemporaryFolder folder;
    std::string modelPath;
};

// Where the figure's parts appear, for each view: the body's quarters keep to
// their side of the picture as the camera and the figure turn, and the arm
// follows the clock.
//
//   reset view (from -z)        --angle 0 (from +z)         at 200 ms
//        +-+                          +-+
//        |c|                          |c|                  +-------+-----+
//    +---+-+---+                  +---+-+---+              | green | red |ccccc
//    |green|red|                  |red|green|              |-------+-----|
//    |yel.|blue|                  |blue|yel.|              |yellow |blue |
//    +---------+                  +---------+              +-------+-----+
TEST_F(RenderProgram, EachPartLandsWhereTheCameraAndClockPutIt) {
    struct Row {
        std::vector<std::string> arguments;
        // Whether red (the body's -x half) shows right of green.
        bool redOnTheRight;
        // Whether the arm stands up (else it points sideways, beyond red).
        bool armRaised;
    };
    const Row rows[] = {
        {{}, true, true},
        {{"--at", "300"}, true, true},
        {{"--at", "200"}, true, false},
        {{"--at", "2999"}, true, false},
        {{"--angle", "0"}, false, true},
        {{"--angle", "360", "--at", "250"}, false, false},
        {{"--animation", "2"}, false, true},
        {{"--zoom", "400", "--size", "320x180"}, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.arguments));
        const ProgramRun run = render(row.arguments);
        ASSERT_EQ(run.status, 0) << run.errors;
        const Image image = picture();
        const Blob red = blobOf(image, kRed);
        const Blob green = blobOf(image, kGreen);
        const Blob blue = blobOf(image, kBlue);
        const Blob yellow = blobOf(image, kYellow);
        const Blob arm = blobOf(image, kCyan);
        for (const Blob* blob : {&red, &green, &blue, &yellow, &arm}) {
            ASSERT_GT(blob->pixels, 20u);
        }
        // The picture's first row is the top: red and green above blue and
        // yellow, and the -x half on the side the view says.
        EXPECT_LT(red.y, blue.y);
        EXPECT_LT(green.y, yellow.y);
        EXPECT_EQ(red.x > green.x, row.redOnTheRight);
        EXPECT_EQ(blue.x > yellow.x, row.redOnTheRight);
        if (row.armRaised) {
            // Above the body, between the middles of its halves.
            EXPECT_LT(arm.top + arm.height, green.top + 2);
            EXPECT_GT(arm.x, std::min(red.x, green.x));
            EXPECT_LT(arm.x, std::max(red.x, green.x));
        } else {
            // Along the body's top edge (which the arm hides on red's side),
            // reaching out beyond red.
            EXPECT_NEAR(arm.y, green.top, 2);
            EXPECT_EQ(arm.x > green.x, row.redOnTheRight);
            if (row.redOnTheRight) {
                EXPECT_GT(arm.left + arm.width, red.left + red.width + 5);
            } else {
                EXPECT_LT(arm.left, red.left - 5);
            }
        }
    }
}

TEST_F(RenderProgram, SizeAndZoomScaleThePicture) {
    ASSERT_EQ(render({"--size", "160x120"}).status, 0);
    const Blob small = blobOf(picture(), kRed);
    ASSERT_EQ(render({"--size", "320x240"}).status, 0);
    const Image large = picture();
    EXPECT_EQ(large.width, 320u);
    EXPECT_EQ(large.height, 240u);
    // Twice the size, four times the pixels.
    EXPECT_NEAR(static_cast<double>(blobOf(large, kRed).pixels) / small.pixels, 4, 0.2);
    ASSERT_EQ(render({"--size", "320x240", "--zoom", "300"}).status, 0);
    // Twice as far away, about a quarter of the pixels.
    EXPECT_NEAR(static_cast<double>(blobOf(picture(), kRed).pixels) / blobOf(large, kRed).pixels,
                0.25, 0.08);
}

// --frame fits what is drawn into the picture as the viewer's f key does: the
// figure fills it to its margin on one axis, at any zoom it had, and stays
// inside it on the other.
TEST_F(RenderProgram, FrameFitsTheDrawnPoseIntoThePicture) {
    ASSERT_EQ(render({"--size", "320x240", "--frame"}).status, 0);
    const Image framed = picture();
    double left = framed.width, right = 0, top = framed.height, bottom = 0;
    for (uint32_t y = 0; y < framed.height; ++y) {
        for (uint32_t x = 0; x < framed.width; ++x) {
            const Colour c = colourAt(framed, x, y);
            if (c[0] + c[1] + c[2] > 0) {
                left = std::min<double>(left, x);
                right = std::max<double>(right, x + 1);
                top = std::min<double>(top, y);
                bottom = std::max<double>(bottom, y + 1);
            }
        }
    }
    // The margin is a twentieth of each side; a pixel of rounding.
    const double across = (right - left) / (0.9 * framed.width);
    const double down = (bottom - top) / (0.9 * framed.height);
    EXPECT_NEAR(std::max(across, down), 1.0, 2.0 / framed.height);
    EXPECT_GE(left, 0.05 * framed.width - 1);
    EXPECT_LE(right, 0.95 * framed.width + 1);
    EXPECT_GE(top, 0.05 * framed.height - 1);
    EXPECT_LE(bottom, 0.95 * framed.height + 1);
    const ProgramRun both = render({"--frame", "--zoom", "300"});
    EXPECT_EQ(both.status, 2);
    EXPECT_NE(both.errors.find("--frame and --zoom"), std::string::npos) << both.errors;
}

TEST_F(RenderProgram, SameInputsGiveTheSameFileWithOrWithoutAnXServer) {
    const std::vector<std::string> arguments = {"--at", "150", "--bones", "--size", "200x150"};
    ASSERT_EQ(render(arguments).status, 0);
    const std::string first = readFile(output());
    fs::remove(output());
    // The second run sees no X server at all.
    const char* display = std::getenv("DISPLAY");
    const std::string savedDisplay = display ? display : "";
    unsetenv("DISPLAY");
    const ProgramRun run = render(arguments);
    if (display) {
        setenv("DISPLAY", savedDisplay.c_str(), 1);
    }
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_FALSE(first.empty());
    EXPECT_TRUE(first == readFile(output()));
}

TEST_F(RenderProgram, BonesAddWhiteLinesAndWithoutTheMeshOnlyTheyRemain) {
    const std::vector<std::string> at150 = {"--at", "150", "--size", "200x150"};
    auto with = [&](std::vector<std::string> extra) {
        extra.insert(extra.end(), at150.begin(), at150.end());
        EXPECT_EQ(render(extra).status, 0);
        return picture();
    };
    const Image mesh = with({});
    const Image both = with({"--bones"});
    const Image bones = with({"--bones", "--no-mesh"});
    ASSERT_EQ(mesh.pixels.size(), both.pixels.size());
    ASSERT_EQ(mesh.pixels.size(), bones.pixels.size());
    EXPECT_EQ(blobOf(mesh, kWhite).pixels, 0u);
    // Two segments (body to arm joint, arm to hand), each tens of pixels long.
    EXPECT_GT(blobOf(both, kWhite).pixels, 40u);
    std::size_t differing = 0;
    for (std::size_t p = 0; p < mesh.pixels.size() / 3; ++p) {
        const Colour m = colourAt(mesh, p);
        const Colour b = colourAt(both, p);
        const Colour o = colourAt(bones, p);
        // The bones only add white, and they are drawn the same over the mesh as
        // over the black background.
        if (b != m) {
            ++differing;
            EXPECT_EQ(b, kWhite) << "pixel " << p;
        }
        EXPECT_EQ(o == kWhite, b == kWhite) << "pixel " << p;
        EXPECT_TRUE(o == kWhite || o == kBlack) << "pixel " << p;
    }
    EXPECT_EQ(differing, blobOf(both, kWhite).pixels);
}

// The figure's body hangs on bone 0 and its arm on bone 1, each with weight
// 1: bone 0's weights paint the body hot red, bone 1's the arm; the legend
// in the top-right corner keeps clear of the figure.
TEST_F(RenderProgram, ColouringsShowEachBonesWeightsAndDifferFromTheTexture) {
    auto with = [&](std::vector<std::string> extra) {
        extra.insert(extra.end(), {"--size", "400x300"});
        const ProgramRun run = render(extra);
        EXPECT_EQ(run.status, 0) << run.errors;
        return picture();
    };
    const Image texture = with({"--colour", "texture"});
    const Image bone0 = with({"--colour", "weights"});
    const Image bone1 = with({"--colour", "weights", "--bone", "1"});
    const Image influences = with({"--colour", "influences"});
    EXPECT_EQ(texture.pixels, with({}).pixels) << "texture is the default";
    EXPECT_NE(bone0.pixels, texture.pixels);
    EXPECT_NE(bone0.pixels, bone1.pixels);
    EXPECT_NE(influences.pixels, texture.pixels);
    EXPECT_NE(influences.pixels, bone0.pixels);
    const Blob body = blobOf(bone0, kRed);
    const Blob arm = blobOf(bone1, kRed);
    EXPECT_GT(body.pixels, 4 * arm.pixels);
    EXPECT_GT(arm.pixels, 200u);
    EXPECT_LT(arm.y, body.y) << "the arm stands above the body";
}

TEST_F(RenderProgram, ASheetHoldsEachReadingsPictureUnderItsLabel) {
    ASSERT_EQ(render({"--sheet", "3x2", "--step", "50", "--at", "100", "--size", "120x90"}).status,
              0);
    const Image sheet = picture();
    ASSERT_EQ(sheet.width, 360u);
    ASSERT_EQ(sheet.height, 180u);
    // The third tile, top right (readings run left to right, then down),
    // against the same reading drawn alone.
    ASSERT_EQ(render({"--at", "200", "--size", "120x90"}).status, 0);
    const Image single = picture();
    std::size_t labelPixels = 0;
    for (uint32_t y = 0; y < 90; ++y) {
        for (uint32_t x = 0; x < 120; ++x) {
            const Colour inSheet = colourAt(sheet, 240 + x, y);
            // The label (7 pixels high at this size) sits in the rows above 10.
            if (y >= 10) {
                ASSERT_EQ(inSheet, colourAt(single, x, y)) << x << "," << y;
            } else if (inSheet == kWhite) {
                ++labelPixels;
            }
        }
    }
    EXPECT_GT(labelPixels, 30u);
}

struct VideoFacts {
    std::string container;
    int width = 0;
    int height = 0;
    int frames = 0;
};

// What libavformat finds in the video at path: its container, picture size
// and the number of frames (packets) of its video stream.
VideoFacts readVideo(const std::string& path) {
    VideoFacts facts;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) != 0) {
        return facts;
    }
    const int stream = avformat_find_stream_info(format, nullptr) < 0
                           ? -1
                           : av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream >= 0) {
        facts.container = format->iformat->name;
        facts.width = format->streams[stream]->codecpar->width;
        facts.height = format->streams[stream]->codecpar->height;
        AVPacket* packet = av_packet_alloc();
        while (av_read_frame(format, packet) == 0) {
            facts.frames += packet->stream_index == stream;
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
    }
    avformat_close_input(&format);
    return facts;
}

// The first animation lasts 300 ms, so by default a video holds 9 frames at 30
// a second.
TEST_F(RenderProgram, VideosHoldTheFramesAskedForAtTheirSize) {
    struct Row {
        std::string file;
        std::vector<std::string> arguments;
        std::string container;
        int frames;
    };
    const Row rows[] = {
        {"walk.mp4", {}, "mov,mp4,m4a,3gp,3g2,mj2", 9},
        {"walk.webm", {"--fps", "10", "--turntable"}, "matroska,webm", 3},
        {"walk.GIF", {"--from", "50", "--to", "150", "--fps", "20", "--bones"}, "gif", 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        std::vector<std::string> arguments = {VELMORA_RENDER_PROGRAM,   modelPath, "--video",
                                              folder.path() + row.file, "--size",  "160x120"};
        arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
        const ProgramRun run = runProgram(arguments);
        ASSERT_EQ(run.status, 0) << run.errors;
        // Not a terminal: no progress bar.
        EXPECT_EQ(run.errors, "");
        const VideoFacts facts = readVideo(folder.path() + row.file);
        EXPECT_EQ(facts.container, row.container);
        EXPECT_EQ(facts.width, 160);
        EXPECT_EQ(facts.height, 120);
        EXPECT_EQ(facts.frames, row.frames);
    }
}

TEST_F(RenderProgram, EachFrameIsThePictureAtItsClockReading) {
    const std::string frames = folder.path() + "made/frames";
    const ProgramRun run =
        runProgram({VELMORA_RENDER_PROGRAM, modelPath, "--frames", frames, "--fps", "30", "--from",
                    "20", "--to", "200", "--size", "120x90", "--bones"});
    ASSERT_EQ(run.status, 0) << run.errors;
    // Frame k at 20 + k * 1000 / 30 ms, rounded down.
    const int64_t readings[] = {20, 53, 86, 120, 153, 186};
    EXPECT_EQ(std::distance(fs::directory_iterator(frames), fs::directory_iterator()), 6);
    for (std::size_t k = 0; k < std::size(readings); ++k) {
        SCOPED_TRACE(readings[k]);
        ASSERT_EQ(
            render({"--at", std::to_string(readings[k]), "--size", "120x90", "--bones"}).status, 0);
        const auto frame = readPicture(frames + "/frame-000" + std::to_string(k + 1) + ".png");
        ASSERT_TRUE(frame);
        EXPECT_TRUE(frame->pixels == picture().pixels);
    }
    // The turntable turns the reset view's 180 degrees by 36 a second.
    const std::string turning = folder.path() + "turning";
    ASSERT_EQ(runProgram({VELMORA_RENDER_PROGRAM, modelPath, "--frames", turning, "--fps", "1",
                          "--to", "2001", "--size", "120x90", "--turntable"})
                  .status,
              0);
    const char* const angles[] = {"180", "216", "252"};
    for (std::size_t k = 0; k < std::size(angles); ++k) {
        SCOPED_TRACE(angles[k]);
        ASSERT_EQ(
            render({"--at", std::to_string(k * 1000), "--angle", angles[k], "--size", "120x90"})
                .status,
            0);
        const auto frame = readPicture(turning + "/frame-000" + std::to_string(k + 1) + ".png");
        ASSERT_TRUE(frame);
        EXPECT_TRUE(frame->pixels == picture().pixels);
    }
}

// Files in folder, recursively, with their contents.
std::map<std::string, std::string> contents(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[entry.path().string()] = readFile(entry.path().string());
        }
    }
    return files;
}

TEST_F(RenderProgram, RefusalsSayWhyAndWriteNothing) {
    folder.write("figure/broken.animesh", "// nothing but a comment\n");
    // The second motion file named is not there.
    std::string lost = readFile(modelPath);
    lost.replace(lost.find("figure-turn"), 11, "missing");
    folder.write("figure/lost.animesh", lost);
    struct Row {
        std::vector<std::string> arguments;
        int status;
        std::string message;
    };
    const std::string figure = folder.path() + "figure/";
    const Row rows[] = {
        {{"--animation", "3"}, 1, "has no animation 3 (it has 2)"},
        {{"--colour", "weights", "--bone", "3"}, 1, "has no bone 3"},
        {{"--model-only"}, 2, "unknown option --model-only"},
        {{"--size", "640x0"}, 2, "--size needs <width>x<height>"},
    };
    const std::map<std::string, std::string> before = contents(folder.path());
    for (const Row& row : rows) {
        const ProgramRun run = render(row.arguments);
        EXPECT_EQ(run.status, row.status) << row.message;
        EXPECT_NE(run.errors.find(row.message), std::string::npos) << run.errors;
    }
    // Other models, and outputs that cannot be written.
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } others[] = {
        {{figure + "absent.animesh", "-o", output()},
         "velmora-render: Failed to open \"" + figure + "absent.animesh\"\n"},
        {{figure + "absent.gltf", "-o", output()},
         "velmora-render: Failed to open \"" + figure + "absent.gltf\"\n"},
        {{figure + "broken.animesh", "-o", output()},
         "velmora-render: " + figure + "broken.animesh:"},
        {{figure + "lost.animesh", "-o", output(), "--animation", "2"},
         "animation 2 of \"" + figure + "lost.animesh\" cannot be played"},
        {{figure + "figure.animesh", "-o", folder.path() + "no/such/folder/out.png"},
         folder.path() + "no/such/folder/out.png: cannot open its folder"},
        // The texture is a PNG too, reached here by another path.
        {{figure + "figure.animesh", "-o", folder.path() + "figure/../figure/figure.png"},
         "which the model is read from"},
    };
    for (const auto& other : others) {
        std::vector<std::string> arguments = other.arguments;
        arguments.insert(arguments.begin(), VELMORA_RENDER_PROGRAM);
        const ProgramRun run = runProgram(arguments);
        EXPECT_EQ(run.status, 1) << other.message;
        EXPECT_NE(run.errors.find(other.message), std::string::npos) << run.errors;
        if (other.message.rfind("velmora-render: ", 0) == 0) {
            EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1)
                << "a model that cannot be read is said once: " << run.errors;
        }
    }
    EXPECT_EQ(contents(folder.path()), before);
}

// Under a file-size limit smaller than the picture the write fails like any
// other: one line naming the file, status 1, and nothing left in the folder.
TEST_F(RenderProgram, AFileSizeLimitFailsTheWriteAndLeavesNothing) {
    const std::map<std::string, std::string> before = contents(folder.path());
    const ProgramRun run =
        runProgram({VELMORA_RENDER_PROGRAM, modelPath, "-o", output()}, "", 1024);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "velmora-render: " + output() + ": cannot write: File too large\n");
    EXPECT_EQ(contents(folder.path()), before);
    // A video, and frames into a folder the export makes.
    const struct {
        std::string option;
        std::string path;
        std::string message;
    } exports[] = {
        {"--video", folder.path() + "walk.mp4", folder.path() + "walk.mp4: cannot write"},
        {"--frames", folder.path() + "new/frames",
         folder.path() + "new/frames/frame-0002.png: cannot write"},
    };
    for (const auto& row : exports) {
        const ProgramRun failed = runProgram(
            {VELMORA_RENDER_PROGRAM, modelPath, row.option, row.path, "--size", "320x240"}, "",
            1024);
        EXPECT_EQ(failed.status, 1);
        EXPECT_EQ(failed.errors.rfind("velmora-render: " + row.message, 0), 0u) << failed.errors;
        EXPECT_EQ(std::count(failed.errors.begin(), failed.errors.end(), '\n'), 1);
        EXPECT_EQ(contents(folder.path()), before);
        EXPECT_FALSE(fs::exists(folder.path() + "new"));
    }
    // Frames of an earlier export that a failed one would have replaced keep
    // their content, and nothing else is left beside them.
    fs::create_directory(folder.path() + "earlier");
    folder.write("earlier/frame-0001.png", "earlier");
    const ProgramRun failed = runProgram({VELMORA_RENDER_PROGRAM, modelPath, "--frames",
                                          folder.path() + "earlier", "--size", "320x240"},
                                         "", 1024);
    EXPECT_EQ(failed.status, 1);
    const std::string earlier = folder.path() + "earlier/frame-0001.png";
    EXPECT_EQ(readFile(earlier), "earlier");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path() + "earlier"), {}), 1);
}

}  // namespace
