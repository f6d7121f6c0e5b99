// velmora-import end to end: small characters written here in glTF (and
// re-exported as FBX) are converted by the program, read back with the
// viewer's own readers, and posed by the viewer's pipeline at several clock
// readings; the poses must match what the scene's own data give.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "files/model.h"
#include "files/png_image.h"
#include "model/animation.h"
#include "tests/support/test_support.h"
#include "tests/tools/gltf_fixture.h"
#include "tests/tools/import_reference.h"
#include "tools/import/scene_input.h"

namespace {

namespace fs = std::filesystem;

// Poses agree to this distance, on figures 2 to 3 units tall: the scene is
// single precision, and the viewer blends resampled frames where the scene
// blends its own keys (both along the same arcs here, so only rounding remains).
constexpr double kPoseTolerance = 1e-4;

struct ImportRun {
    int status = -1;
    std::string errors;
};

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs velmora-import with arguments; its standard error is kept.
ImportRun runImport(const std::vector<std::string>& arguments, const TemporaryFolder& scratch) {
    std::string command = VELMORA_IMPORT_PROGRAM;
    for (const std::string& argument : arguments) {
        command += " " + quoted(argument);
    }
    const std::string errors = scratch.path() + "errors.txt";
    const int status = std::system((command + " > /dev/null 2> " + quoted(errors)).c_str());
    ImportRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.errors = readAll(errors);
    fs::remove(errors);
    return run;
}

std::array<uint8_t, 3> checker(uint32_t x, uint32_t y) {
    return (x + y) % 2 ? std::array<uint8_t, 3>{200, 40, 40} : std::array<uint8_t, 3>{40, 40, 200};
}

std::vector<float> turnsAbout(std::array<float, 3> axis, std::initializer_list<float> degrees) {
    std::vector<float> values;
    for (float d : degrees) {
        const float half = d * static_cast<float>(M_PI) / 360;
        values.insert(values.end(), {axis[0] * std::sin(half), axis[1] * std::sin(half),
                                     axis[2] * std::sin(half), std::cos(half)});
    }
    return values;
}

// The walker: three joints, a skinned strip and a rigid triangle on the top
// joint, an embedded 4 x 4 texture, and two animations:
//
//   Bend  0 ----- 0.5 ----- 1.0 s   joint1 turns 0 -> 90 -> 0 degrees about z,
//                                   joint2 0 -> 60 degrees about x
//   Hop   0 -- 0.4 -- 0.8 s         joint0 rises 0 -> 0.5 -> 0, joint2 turns about y
GltfFixture walker() {
    GltfFixture fixture = columnFixture(3);
    fixture.materials[0].png = fixturePng(4, 4, checker);
    FixturePrimitive hat;
    hat.vertices = {{{-0.3f, 0.2f, 0}, {0, 0}, {}, {}},
                    {{0.3f, 0.2f, 0}, {1, 0}, {}, {}},
                    {{0, 0.6f, 0.1f}, {0.5f, 1}, {}, {}}};
    hat.indices = {0, 1, 2};
    fixture.meshes.push_back({{hat}, false, 2});
    fixture.animations.push_back({"Bend",
                                  {{1, "rotation", {0, 0.5f, 1}, turnsAbout({0, 0, 1}, {0, 90, 0})},
                                   {2, "rotation", {0, 1}, turnsAbout({1, 0, 0}, {0, 60})}}});
    fixture.animations.push_back(
        {"Hop",
         {{0, "translation", {0, 0.4f, 0.8f}, {0, 0, 0, 0, 0.5f, 0, 0, 0, 0}},
          {2, "rotation", {0, 0.8f}, turnsAbout({0, 1, 0}, {0, 120})}}});
    return fixture;
}

struct Converted {
    std::unique_ptr<Model> model = std::make_unique<Model>();
    std::string loadMessages;
    bool loaded = false;
};

Converted load(const std::string& path) {
    Converted converted;
    CapturedErrors errors;
    converted.loaded = converted.model->loadFile(path);
    converted.loadMessages = errors.text();
    return converted;
}

// Clock readings across a pass, within a frame, at the held last frame and in
// the second pass.
const int64_t kReadings[] = {0, 100, 250, 417, 500, 733, 790, 1000, 1020, 1100, 1790};

// Compares the viewer's pose of every animation of the converted file with the
// scene's at each reading; scale and shift map the scene's space to the model's.
void expectPosesMatch(const aiScene& scene, Model& model, double scale, aiVector3D shift) {
    ASSERT_EQ(model.animations.size(), scene.mNumAnimations);
    for (unsigned int a = 0; a < scene.mNumAnimations; ++a) {
        ASSERT_TRUE(isPlayable(model, static_cast<int32_t>(a)));
        const aiAnimation& animation = *scene.mAnimations[a];
        const double duration = animation.mDuration / animation.mTicksPerSecond;
        const double loop = double(model.animations[a].frameCount) / model.playbackRate;
        for (int64_t ms : kReadings) {
            const double seconds = std::min(std::fmod(ms * 0.001, loop), duration);
            std::vector<aiVector3D> expected = referencePose(scene, static_cast<int>(a), seconds);
            for (aiVector3D& p : expected) {
                p = p * static_cast<float>(scale) + shift;
            }
            EXPECT_LT(largestDistance(expected, viewerPose(model, static_cast<int>(a), ms)),
                      kPoseTolerance * std::max(1.0, scale))
                << "animation " << animation.mName.C_Str() << " at " << ms << " ms";
        }
    }
}

class ImportTest : public ::testing::Test {
  protected:
    std::string write(const std::string& name, const GltfFixture& fixture) {
        return scratch.write(name, fixture.text());
    }
    // The scene as the converter reads it.
    const aiScene& scene(const std::string& path) {
        ImportLog quiet(discarded);
        return readScene(path, importer, quiet);
    }

    TemporaryFolder scratch;
    Assimp::Importer importer;
    std::ostringstream discarded;
};

TEST_F(ImportTest, GltfWalkerPosesMatchTheSceneAtEveryReading) {
    const std::string input = write("walker.gltf", walker());
    const std::string out = scratch.path() + "out";
    const ImportRun run = runImport({input, "-o", out, "--height", "0"}, scratch);
    ASSERT_EQ(run.status, 0) << run.errors;

    Converted converted = load(out + "/walker.animesh");
    ASSERT_TRUE(converted.loaded);
    EXPECT_EQ(converted.loadMessages, "");
    EXPECT_EQ(converted.model->playbackRate, 30);
    EXPECT_EQ(converted.model->animations[0].frameCount, 31u);  // 0 to 1 s inclusive
    EXPECT_EQ(converted.model->animations[1].frameCount, 25u);  // 0 to 0.8 s inclusive
    expectPosesMatch(scene(input), *converted.model, 1.0, aiVector3D(0, 0, 0));
}

TEST_F(ImportTest, FbxExportOfTheWalkerPosesMatchTheScene) {
    const std::string gltf = write("walker.gltf", walker());
    Assimp::Importer source;
    const aiScene* original = source.ReadFile(gltf, 0);
    ASSERT_NE(original, nullptr);
    // The library's text form of FBX; its COLLADA writer drops the animations.
    const std::string fbx = scratch.path() + "walker.fbx";
    Assimp::Exporter exporter;
    ASSERT_EQ(exporter.Export(original, "fbxa", fbx), AI_SUCCESS) << exporter.GetErrorString();

    const std::string out = scratch.path() + "fbx";
    const ImportRun run = runImport({fbx, "-o", out, "--height", "0"}, scratch);
    ASSERT_EQ(run.status, 0) << run.errors;
    Converted converted = load(out + "/walker.animesh");
    ASSERT_TRUE(converted.loaded);
    EXPECT_EQ(converted.loadMessages, "");
    expectPosesMatch(scene(fbx), *converted.model, 1.0, aiVector3D(0, 0, 0));
}

// The box around points.
struct Box {
    aiVector3D low{INFINITY, INFINITY, INFINITY};
    aiVector3D high{-INFINITY, -INFINITY, -INFINITY};

    template <typename Point>
    explicit Box(const std::vector<Point>& points) {
        for (const Point& p : points) {
            low = aiVector3D(std::min<float>(low.x, p.x), std::min<float>(low.y, p.y),
                             std::min<float>(low.z, p.z));
            high = aiVector3D(std::max<float>(high.x, p.x), std::max<float>(high.y, p.y),
                              std::max<float>(high.z, p.z));
        }
    }
};

// The walker at its rest pose (0 ms: every key is still at rest) stands
// `height` tall on y = -20, centred on x = z = 0, and every later pose is the
// scene's scaled and moved alike.
TEST_F(ImportTest, HeightScalesAndPlacesTheWholeAnimation) {
    const std::string input = write("walker.gltf", walker());
    const Box rest(referencePose(scene(input), -1, 0));
    for (double height : {75.0, 150.0, 2.5}) {
        SCOPED_TRACE(height);
        std::vector<std::string> arguments = {input, "-o", scratch.path() + "framed"};
        if (height != 75.0) {
            arguments.insert(arguments.end(), {"--height", std::to_string(height)});
        }
        ASSERT_EQ(runImport(arguments, scratch).status, 0);
        Converted converted = load(scratch.path() + "framed/walker.animesh");
        const Box framed(viewerPose(*converted.model, 0, 0));
        EXPECT_NEAR(framed.high.y - framed.low.y, height, 1e-4 * height);
        EXPECT_NEAR(framed.low.y, -20, 1e-4 * height);
        EXPECT_NEAR(framed.low.x + framed.high.x, 0, 1e-4 * height);
        EXPECT_NEAR(framed.low.z + framed.high.z, 0, 1e-4 * height);

        const double scale = height / (rest.high.y - rest.low.y);
        const aiVector3D shift(-0.5 * (rest.low.x + rest.high.x) * scale, -20 - rest.low.y * scale,
                               -0.5 * (rest.low.z + rest.high.z) * scale);
        expectPosesMatch(scene(input), *converted.model, scale, shift);
    }
}

// Frames are taken every 1 / rate seconds from 0 to the end inclusive, and the
// rate becomes the model's playback rate.
TEST_F(ImportTest, RateSetsFramesAndPlaybackRate) {
    const std::string input = write("walker.gltf", walker());
    struct Case {
        int rate;
        uint32_t bendFrames;  // 1 s
        uint32_t hopFrames;   // 0.8 s
    };
    for (const Case& c : {Case{10, 11, 9}, Case{50, 51, 41}, Case{1, 2, 2}}) {
        SCOPED_TRACE(c.rate);
        const ImportRun run = runImport({input, "-o", scratch.path() + "rate", "--height", "0",
                                         "--rate", std::to_string(c.rate)},
                                        scratch);
        ASSERT_EQ(run.status, 0) << run.errors;
        Converted converted = load(scratch.path() + "rate/walker.animesh");
        EXPECT_EQ(converted.model->playbackRate, c.rate);
        EXPECT_EQ(converted.model->animations[0].frameCount, c.bendFrames);
        EXPECT_EQ(converted.model->animations[1].frameCount, c.hopFrames);
        if (c.rate > 1) {
            expectPosesMatch(scene(input), *converted.model, 1.0, aiVector3D(0, 0, 0));
        }
    }
}

// Joints that neither deform nor lead to a joint that deforms are left out;
// the node of a rigid mesh is a bone; a rigid mesh elsewhere in the scene
// pulls the root up to the common ancestor.
//
//   scene root                        bones, first case: joint0 joint1 joint2 hat
//   +-- joint0
//   |   +-- joint1 -- joint2 -- hat   second case: scene root joint0 joint1
//   |   |   +-- tail (unused)                      joint2 hat lamp
//   |   +-- spare (unused, animated)
//   +-- lamp (second case: a rigid mesh of its own)
TEST_F(ImportTest, SkeletonKeepsOnlyDeformingJointsAndTheirPath) {
    struct Case {
        const char* name;
        bool lamp;
        std::size_t bones;
    };
    for (const Case& c : {Case{"unused joints", false, 4}, Case{"lamp", true, 6}}) {
        SCOPED_TRACE(c.name);
        GltfFixture fixture = walker();
        FixtureNode tail;
        tail.name = "tail";
        tail.parent = 1;
        tail.translation = {0.5f, 0, 0};
        FixtureNode spare = tail;
        spare.name = "spare";
        spare.parent = 0;
        fixture.joints.push_back(tail);
        fixture.joints.push_back(spare);
        fixture.animations[0].channels.push_back(
            {4, "rotation", {0, 1}, turnsAbout({0, 1, 0}, {0, 90})});
        if (c.lamp) {
            FixturePrimitive lamp = fixture.meshes[1].primitives[0];
            for (FixtureVertex& v : lamp.vertices) {
                v.position[0] += 3;
            }
            fixture.meshes.push_back({{lamp}, false, -1});
        }
        const std::string input = write("walker.gltf", fixture);
        const ImportRun run =
            runImport({input, "-o", scratch.path() + "pruned", "--height", "0"}, scratch);
        ASSERT_EQ(run.status, 0) << run.errors;
        Converted converted = load(scratch.path() + "pruned/walker.animesh");
        std::size_t bones = 0;
        for (const auto& bone : converted.model->bones) {
            bones += bone ? 1 : 0;
        }
        EXPECT_EQ(bones, c.bones);
        expectPosesMatch(scene(input), *converted.model, 1.0, aiVector3D(0, 0, 0));
    }
}

// A column of 105 joints fits the model's bone slots; one more is refused with
// the count it would need, and nothing is written.
TEST_F(ImportTest, SkeletonsBeyondTheBoneLimitAreRefused) {
    const std::string fits = write("fits.gltf", columnFixture(kMaxBones));
    EXPECT_EQ(runImport({fits, "-o", scratch.path() + "fits"}, scratch).status, 0);
    EXPECT_TRUE(load(scratch.path() + "fits/fits.animesh").model->bones[kMaxBones - 1]);

    const std::string tall = write("tall.gltf", columnFixture(kMaxBones + 1));
    const ImportRun run = runImport({tall, "-o", scratch.path() + "tall"}, scratch);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.errors.find("needs 106 bones"), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("at most 105"), std::string::npos) << run.errors;
    EXPECT_FALSE(fs::exists(scratch.path() + "tall"));
}

// Static scale in the rest pose is carried by the offsets, so the poses stay
// exact; scale that an animation changes cannot be, and is warned about once.
TEST_F(ImportTest, ScaleIsKeptWhenStaticAndWarnedWhenAnimated) {
    struct Case {
        const char* name;
        int joint;
        std::array<float, 3> restScale;
        bool animated;
    };
    for (const Case& c :
         {Case{"uniform on the root", 0, {2, 2, 2}, false},
          Case{"stretched leaf", 2, {2, 1, 0.5f}, false}, Case{"animated", 1, {1, 1, 1}, true}}) {
        SCOPED_TRACE(c.name);
        GltfFixture fixture = walker();
        fixture.joints[c.joint].scale = c.restScale;
        if (c.animated) {
            fixture.animations[0].channels.push_back(
                {c.joint, "scale", {0, 0.5f, 1}, {1, 1, 1, 2, 2, 2, 1, 1, 1}});
        }
        const std::string input = write("walker.gltf", fixture);
        const ImportRun run =
            runImport({input, "-o", scratch.path() + "scaled", "--height", "0"}, scratch);
        ASSERT_EQ(run.status, 0) << run.errors;
        const std::size_t warned = run.errors.find("animation \"Bend\" scales bones");
        EXPECT_EQ(warned != std::string::npos, c.animated) << run.errors;
        if (warned != std::string::npos) {
            EXPECT_EQ(run.errors.find("scales bones", warned + 20), std::string::npos);
        }
        if (!c.animated) {
            Converted converted = load(scratch.path() + "scaled/walker.animesh");
            expectPosesMatch(scene(input), *converted.model, 1.0, aiVector3D(0, 0, 0));
        }
    }
}

}  // namespace
