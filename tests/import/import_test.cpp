// velmora-import end to end: small characters written here in glTF (and
// re-exported as FBX) are converted by the program, read back with the
// viewer's own readers, and posed by the viewer's pipeline at several clock
// readings; the poses must match what the scene's own data give.

#include <gtest/gtest.h>
#include <stb/stb_image_write.h>
#include <sys/stat.h>
#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <list>
#include <map>
#include <optional>
#include <sstream>

#include "files/load.h"
#include "files/model.h"
#include "files/png_image.h"
#include "import/character_builder.h"
#include "import/scene_input.h"
#include "model/pipeline.h"
#include "tests/import/gltf_fixture.h"
#include "tests/import/import_reference.h"
#include "tests/support/test_support.h"
#include "view/camera.h"

using namespace velmora;

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Geometry::Vector3;

// Poses agree to this distance, on figures 2 to 3 units tall: the scene is
// single precision, and the viewer blends resampled frames where the scene
// blends its own keys (both along the same arcs here, so only rounding remains).
constexpr double kPoseTolerance = 1e-4;

// Runs velmora-import with arguments in workingDirectory (when given), under
// fileSizeLimit (when given).
ProgramRun runImport(std::vector<std::string> arguments, const std::string& workingDirectory = "",
                     std::optional<std::size_t> fileSizeLimit = std::nullopt) {
    arguments.insert(arguments.begin(), VELMORA_IMPORT_PROGRAM);
    return runProgram(arguments, workingDirectory, fileSizeLimit);
}

std::array<uint8_t, 3> checker(uint32_t x, uint32_t y) {
    return (x + y) % 2 ? std::array<uint8_t, 3>{200, 40, 40} : std::array<uint8_t, 3>{40, 40, 200};
}

std::vector<float> turnsAbout(std::array<float, 3> axis, std::initializer_list<float> degrees) {
    std::vector<float> values;
    for (float d : degrees) {
        const float half = d * static_cast<float>(M_PI) / 360;
        for (float component : axis) {
            values.push_back(component * std::sin(half));
        }
        values.push_back(std::cos(half));
    }
    return values;
}

// A box with a face along each axis, outward normals, counter-clockwise seen
// from outside, around centre with half-side 0.5.
FixturePrimitive box(std::array<float, 3> centre) {
    // Each face's normal axis and sign, and the two axes along it (u x v = normal).
    const int faces[6][4] = {{0, 1, 1, 2},  {0, -1, 2, 1}, {1, 1, 2, 0},
                             {1, -1, 0, 2}, {2, 1, 0, 1},  {2, -1, 1, 0}};
    FixturePrimitive primitive;
    for (const auto& face : faces) {
        const auto first = static_cast<uint16_t>(primitive.vertices.size());
        for (const auto& [du, dv] : {std::pair{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}) {
            FixtureVertex vertex;
            vertex.position = centre;
            vertex.position[face[0]] += 0.5f * face[1];
            vertex.position[face[2]] += 0.5f * du;
            vertex.position[face[3]] += 0.5f * dv;
            primitive.vertices.push_back(vertex);
        }
        for (int corner : {0, 1, 2, 0, 2, 3}) {
            primitive.indices.push_back(static_cast<uint16_t>(first + corner));
        }
    }
    return primitive;
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
    fixture.meshes.push_back({{hat}, false, 2, {}});
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
    LoadResult result = loadModelFile(path, {});
    converted.loaded = result.modelRead;
    converted.loadMessages = reportText(result.problems);
    *converted.model = std::move(result.model);
    return converted;
}

// Clock readings across a pass, within a frame, at the held last frame and in
// the second pass.
const int64_t kReadings[] = {0, 100, 250, 417, 500, 733, 790, 1000, 1020, 1100, 1790};

// Converts keeping the file's own size, place and facing.
const std::vector<std::string> kAsInFile = {"--height", "0", "--keep-facing"};

// Compares the viewer's pose of every animation of the converted file with the
// scene's at each reading; placing maps the scene's space to the model's.
void expectPosesMatch(const aiScene& scene, const Model& model,
                      const aiMatrix4x4& placing = aiMatrix4x4()) {
    const double scale = aiVector3D(placing.a1, placing.b1, placing.c1).Length();
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
                p = placing * p;
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
        return readScene(path, importer, readers.emplace_back(path, quiet), quiet);
    }

    // Converts input into the scratch folder `folder` (with extra arguments) and
    // reads the model back: the conversion must succeed and the model load
    // without a message. errors, when given, receives the program's messages.
    Converted convert(const std::string& input, const std::string& folder,
                      const std::vector<std::string>& extra = {}, std::string* errors = nullptr) {
        std::vector<std::string> arguments = {input, "-o", scratch.path() + folder, "--force"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const ProgramRun run = runImport(arguments);
        EXPECT_EQ(run.status, 0) << run.errors;
        if (errors) {
            *errors = run.errors;
        }
        Converted converted =
            load(scratch.path() + folder + "/" + fs::path(input).stem().string() + ".animesh");
        EXPECT_TRUE(converted.loaded);
        EXPECT_EQ(converted.loadMessages, "");
        return converted;
    }

    TemporaryFolder scratch;
    std::ostringstream discarded;
    ImportLog quiet{discarded};
    // Before the importer, which reads through them.
    std::list<ConfinedFiles> readers;
    Assimp::Importer importer;
};

// glTF characters face +z (and the library's FBX writer says so in the file's
// axis system): they are turned half round about y to face the reset camera,
// unless --keep-facing keeps them as the file has them.
TEST_F(ImportTest, CharactersAreTurnedToFaceTheResetCamera) {
    const std::string gltf = write("walker.gltf", walker());
    Assimp::Importer source;
    const std::string fbx = scratch.path() + "walker.fbx";
    Assimp::Exporter exporter;
    ASSERT_EQ(exporter.Export(source.ReadFile(gltf, 0), "fbxa", fbx), AI_SUCCESS);
    aiMatrix4x4 halfTurn;
    aiMatrix4x4::RotationY(static_cast<float>(M_PI), halfTurn);
    struct Case {
        std::string input;
        bool keepFacing;
        aiMatrix4x4 placing;
    };
    const Case cases[] = {
        {gltf, false, halfTurn}, {gltf, true, aiMatrix4x4()}, {fbx, false, halfTurn}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input + (c.keepFacing ? " --keep-facing" : ""));
        std::vector<std::string> arguments = {"--height", "0"};
        if (c.keepFacing) {
            arguments.push_back("--keep-facing");
        }
        Converted converted = convert(c.input, "facing", arguments);
        expectPosesMatch(scene(c.input), *converted.model, c.placing);
    }
}

// A mesh node named after the root joint and listed before it (as exporters
// write a character's mesh beside its armature): the bones and channels of that
// name mean the joint, with a warning. The twin file, whose mesh node has a
// name of its own, says what the poses must be.
TEST_F(ImportTest, ChannelsDriveTheJointThatSharesTheMeshNodesName) {
    GltfFixture fixture = walker();
    fixture.meshNodesFirst = true;
    const std::string twin = write("twin.gltf", fixture);
    fixture.meshes[0].nodeName = fixture.joints[0].name;
    const std::string shared = write("shared.gltf", fixture);
    std::string errors;
    Converted converted = convert(shared, "shared", kAsInFile, &errors);
    EXPECT_NE(errors.find("2 nodes are named \"joint0\""), std::string::npos) << errors;
    expectPosesMatch(scene(twin), *converted.model);
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

// Standing characters of other formats, as Debian's assimp-testmodels holds
// them, face the reset camera: their toes (the lowest twentieth of the
// figure) lie nearer the camera, at -z, than the figure's middle.
TEST_F(ImportTest, CharactersOfEachFormatFaceTheResetCamera) {
    const std::string models = "/usr/share/assimp/models/";
    if (!fs::exists(models)) {
        GTEST_SKIP() << models << " is missing (Debian's assimp-testmodels)";
    }
    for (const char* file : {"IQM/mrfixit.iqm", "X/BCN_Epileptic.X", "Collada/human.zae"}) {
        SCOPED_TRACE(file);
        Converted converted = convert(models + file, "standing");
        const auto rest = viewerPose(*converted.model, 0, 0);
        const Box box(rest);
        double toes = 0;
        double all = 0;
        int toeCount = 0;
        for (const Vector3& p : rest) {
            all += p.z / rest.size();
            if (p.y < box.low.y + 0.05 * (box.high.y - box.low.y)) {
                toes += p.z;
                ++toeCount;
            }
        }
        ASSERT_GT(toeCount, 0);
        EXPECT_LT(toes / toeCount, all - 0.5);
    }
}

// Whether p shows inside the window of camera and frustum.
bool showsInside(const Camera& camera, const Frustum& frustum, const Vector3& p) {
    const Geometry::Vector4 e =
        Geometry::Matrix4(camera.viewMatrix()) * Geometry::Vector4(p.x, p.y, p.z, 1);
    const double depth = -e.z / frustum.near;
    return depth > 0 && e.x >= frustum.left * depth && e.x <= frustum.right * depth &&
           e.y >= frustum.bottom * depth && e.y <= frustum.top * depth;
}

// The walker at its rest pose (0 ms: every key is still at rest) stands
// `height` tall, unless its hop would then leave the reset view (at 75 it
// would), centred on x = z = 0, turned to face the reset camera (a glTF
// character faces +z) and wholly above the reset view's bottom edge, its
// nearest low point only a little above it; every later pose is the scene's
// scaled, turned and moved alike.
TEST_F(ImportTest, HeightScalesAndPlacesTheWholeAnimation) {
    const std::string input = write("walker.gltf", walker());
    const Box rest(referencePose(scene(input), -1, 0));
    Camera camera;
    camera.reset();
    const Frustum frustum = *frustumFor(640, 480);
    struct Case {
        double height;
        bool fits;
    };
    double fittedHeight = 0;
    for (const Case& c : {Case{75.0, false}, Case{150.0, false}, Case{2.5, true}}) {
        SCOPED_TRACE(c.height);
        Converted converted = convert(
            input, "framed",
            c.height == 75.0 ? std::vector<std::string>{}
                             : std::vector<std::string>{"--height", std::to_string(c.height)});
        ASSERT_EQ(converted.model->animations.size(), 2u);
        const auto framedPoints = viewerPose(*converted.model, 0, 0);
        const Box framed(framedPoints);
        const double height = framed.high.y - framed.low.y;
        if (c.fits) {
            EXPECT_NEAR(height, c.height, 1e-4 * c.height);
        } else {
            // As tall as fits, whatever the height asked for beyond it.
            EXPECT_LT(height, c.height - 1);
            if (fittedHeight == 0) {
                fittedHeight = height;
            }
            EXPECT_NEAR(height, fittedHeight, 1e-4 * height);
        }
        EXPECT_NEAR(framed.low.x + framed.high.x, 0, 1e-4 * height);
        EXPECT_NEAR(framed.low.z + framed.high.z, 0, 1e-4 * height);
        double clearance = INFINITY;
        for (const auto& p : framedPoints) {
            clearance = std::min(clearance, p.y - bottomEdgeHeight(camera, frustum, p.x, p.z));
        }
        EXPECT_GT(clearance, 0.5);
        EXPECT_LT(clearance, 3.0);

        const double scale = height / (rest.high.y - rest.low.y);
        aiMatrix4x4 placing;
        aiMatrix4x4::Scaling(aiVector3D(-scale, scale, -scale), placing);
        placing.a4 = 0.5 * (rest.low.x + rest.high.x) * scale;
        placing.b4 = framed.low.y - rest.low.y * scale;
        placing.c4 = 0.5 * (rest.low.z + rest.high.z) * scale;
        expectPosesMatch(scene(input), *converted.model, placing);
    }
}

// A character whose animations crouch below its rest pose's feet, reach above
// its head and sway far to the side: at the reset view every vertex of every
// key of every animation shows inside the window with kViewMargin to spare up,
// down and across, and the character is as large as that allows: some point
// touches the margin at the bottom, and one at another side.
TEST_F(ImportTest, EveryKeyOfEveryAnimationFitsTheResetView) {
    GltfFixture fixture = columnFixture(3);
    fixture.materials[0].png = fixturePng(4, 4, checker);
    fixture.animations.push_back(
        {"Crouch", {{0, "translation", {0, 0.5f, 1}, {0, 0, 0, 0, -0.6f, 0, 0, 0, 0}}}});
    fixture.animations.push_back(
        {"Reach", {{2, "translation", {0, 0.5f, 1}, {0, 1, 0, 0, 2, 0, 0, 1, 0}}}});
    fixture.animations.push_back(
        {"Sway", {{0, "translation", {0, 0.5f, 1}, {0, 0, 0, -1.5f, 0, 0, 0, 0, 0}}}});
    const std::string input = write("lunger.gltf", fixture);
    Camera camera;
    camera.reset();
    const Frustum frustum = *frustumFor(640, 480);
    // Rounding of the file's single precision.
    const double margin = kViewMargin - 0.01;
    const double beyond = kViewMargin + 0.05;
    // At 10 frames per second every key starts on a whole millisecond.
    Converted converted = convert(input, "fitted", {"--rate", "10"});
    const Model& model = *converted.model;
    ASSERT_EQ(model.animations.size(), 3u);
    bool bottomTouched = false;
    bool otherTouched = false;
    for (int a = 0; a < 3; ++a) {
        for (uint32_t key = 0; key < model.animations[a].frameCount; ++key) {
            for (const Vector3& p : viewerPose(model, a, 100 * key)) {
                for (const Vector3 offset :
                     {Vector3(0, -1, 0), Vector3(0, 1, 0), Vector3(-1, 0, 0), Vector3(1, 0, 0)}) {
                    EXPECT_TRUE(showsInside(camera, frustum, p + margin * offset))
                        << "animation " << a + 1 << " key " << key << " at " << p.x << ", " << p.y
                        << ", " << p.z;
                    const bool touches = !showsInside(camera, frustum, p + beyond * offset);
                    (offset.y < 0 ? bottomTouched : otherTouched) |= touches;
                }
            }
        }
    }
    EXPECT_TRUE(bottomTouched);
    EXPECT_TRUE(otherTouched);
}

// Characters that are not figures: a rigid weapon, long and thin, lying along
// the view or across it, a flat one, and a vehicle in millimetres. At the
// reset view each shows whole, inside the window and in front of the camera.
TEST_F(ImportTest, RigidAndLargeModelsShowWholeAtTheResetView) {
    struct Case {
        const char* name;
        std::array<float, 3> size;
        bool spins;
    };
    const Case cases[] = {{"a rifle along the view", {0.05f, 0.1f, 1.2f}, false},
                          {"a sword across it", {1.5f, 0.02f, 0.1f}, false},
                          {"a flat blade", {0.1f, 0.0f, 1.0f}, false},
                          {"a spinning propeller", {3.0f, 0.1f, 0.2f}, true},
                          {"a car in millimetres", {1800, 1500, 4500}, false}};
    Camera camera;
    camera.reset();
    const Frustum frustum = *frustumFor(640, 480);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GltfFixture fixture;
        fixture.joints = {{"spinner"}};
        fixture.materials.push_back({});
        FixturePrimitive shape = box({0, 0, 0});
        for (FixtureVertex& vertex : shape.vertices) {
            for (int axis = 0; axis < 3; ++axis) {
                vertex.position[axis] *= c.size[axis];
            }
        }
        fixture.meshes.push_back({{shape}, false, 0, {}});
        if (c.spins) {
            fixture.animations.push_back(
                {"Spin", {{0, "rotation", {0, 1, 2}, turnsAbout({0, 0, 1}, {0, 90, 180})}}});
        }
        const std::string input = write("thing.gltf", fixture);
        Converted converted = convert(input, "thing", {"--rate", "10"});
        const Model& model = *converted.model;
        for (uint32_t key = 0; key < model.animations[0].frameCount; ++key) {
            for (const Vector3& p : viewerPose(model, 0, 100 * key)) {
                const Geometry::Vector4 e =
                    Geometry::Matrix4(camera.viewMatrix()) * Geometry::Vector4(p.x, p.y, p.z, 1);
                EXPECT_TRUE(showsInside(camera, frustum, p) && -e.z > frustum.near &&
                            -e.z < frustum.far)
                    << "key " << key << " at " << p.x << ", " << p.y << ", " << p.z;
            }
        }
    }
}

// Frames are taken every 1 / rate seconds (30 unless given) from 0 to the end
// inclusive, and the rate becomes the model's playback rate.
TEST_F(ImportTest, RateSetsFramesAndPlaybackRate) {
    const std::string input = write("walker.gltf", walker());
    struct Case {
        int rate;
        uint32_t bendFrames;  // 1 s
        uint32_t hopFrames;   // 0.8 s
        std::vector<std::string> arguments;
    };
    for (const Case& c : {Case{30, 31, 25, {}}, Case{10, 11, 9, {"--rate", "10"}},
                          Case{50, 51, 41, {"--rate", "50"}}, Case{1, 2, 2, {"--rate", "1"}}}) {
        SCOPED_TRACE(c.rate);
        std::vector<std::string> arguments = kAsInFile;
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        Converted converted = convert(input, "rate", arguments);
        ASSERT_EQ(converted.model->animations.size(), 2u);
        EXPECT_EQ(converted.model->playbackRate, c.rate);
        EXPECT_EQ(converted.model->animations[0].frameCount, c.bendFrames);
        EXPECT_EQ(converted.model->animations[1].frameCount, c.hopFrames);
        if (c.rate > 1) {
            expectPosesMatch(scene(input), *converted.model);
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
            fixture.meshes.push_back({{lamp}, false, -1, {}});
        }
        const std::string input = write("walker.gltf", fixture);
        Converted converted = convert(input, "pruned", kAsInFile);
        std::size_t bones = 0;
        for (const auto& bone : converted.model->bones) {
            bones += bone ? 1 : 0;
        }
        EXPECT_EQ(bones, c.bones);
        expectPosesMatch(scene(input), *converted.model);
    }
}

// A column of 105 joints fits the model's bone slots (one more is refused:
// FailuresWriteNothingAndKeepExistingFiles).
TEST_F(ImportTest, SkeletonsUpToTheBoneLimitFit) {
    const std::string fits = write("fits.gltf", columnFixture(kMaxBones));
    EXPECT_TRUE(convert(fits, "fits").model->bones[kMaxBones - 1]);
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
        std::string errors;
        Converted converted = convert(input, "scaled", kAsInFile, &errors);
        const std::size_t warned = errors.find("animation \"Bend\" scales bones");
        EXPECT_EQ(warned != std::string::npos, c.animated) << errors;
        if (warned != std::string::npos) {
            EXPECT_EQ(errors.find("scales bones", warned + 20), std::string::npos);
        }
        if (!c.animated) {
            expectPosesMatch(scene(input), *converted.model);
        }
    }
}

std::array<uint8_t, 3> quadrants(uint32_t x, uint32_t y) {
    static const std::array<uint8_t, 3> kColours[2][2] = {{{255, 0, 0}, {0, 255, 0}},
                                                          {{0, 0, 255}, {255, 255, 0}}};
    return kColours[y][x];
}

// The colour the viewer draws at coord, with nearest sampling.
std::array<uint8_t, 3> texel(const Image& image, const MappingCoord& coord) {
    const auto x = static_cast<uint32_t>(coord[0] * image.width);
    const auto y = static_cast<uint32_t>(coord[1] * image.height);
    const uint8_t* p = &image.pixels[(std::size_t{y} * image.width + x) * image.channels];
    return image.channels >= 3 ? std::array<uint8_t, 3>{p[0], p[1], p[2]}
                               : std::array<uint8_t, 3>{p[0], p[0], p[0]};
}

FixturePrimitive triangleAt(float z, std::array<std::array<float, 2>, 3> uvs, int material) {
    FixturePrimitive triangle;
    const float corners[3][2] = {{0, 0}, {1, 0}, {1, 1}};
    for (int i = 0; i < 3; ++i) {
        triangle.vertices.push_back({{corners[i][0], corners[i][1], z}, uvs[i], {}, {}});
    }
    triangle.indices = {0, 1, 2};
    triangle.material = material;
    return triangle;
}

// Two materials become one atlas: the texture's tile and a patch of the
// untextured material's colour. Each corner's mapping coordinate must still
// find the texel (or colour) it found in its own material:
//
//   texture 2 x 2   red   green      z = 1  u, v in [0.25, 0.75]    textured
//                   blue  yellow     z = 2  u in [1.25, 1.75]       wrapped by one tile
//                                    z = 3  magenta material        shaded patch
//                                    z = 4  u from 0.25 to 1.75     spans two tiles: counted
TEST_F(ImportTest, SeveralMaterialsShareOneAtlas) {
    GltfFixture fixture = columnFixture(2);
    fixture.materials = {{{1, 1, 1, 1}, fixturePng(2, 2, quadrants), ""}, {{1, 0, 1, 1}, "", ""}};
    FixtureMesh parts;
    parts.skinned = false;
    parts.primitives = {triangleAt(1, {{{0.25f, 0.25f}, {0.75f, 0.25f}, {0.75f, 0.75f}}}, 0),
                        triangleAt(2, {{{1.25f, 0.25f}, {1.75f, 0.25f}, {1.75f, 0.75f}}}, 0),
                        triangleAt(3, {{{0.25f, 0.25f}, {0.75f, 0.25f}, {0.75f, 0.75f}}}, 1),
                        triangleAt(4, {{{0.25f, 0.25f}, {1.75f, 0.25f}, {1.75f, 0.75f}}}, 0)};
    fixture.meshes.push_back(parts);
    const std::string input = write("parts.gltf", fixture);
    std::string errors;
    Converted converted = convert(input, "parts", kAsInFile, &errors);
    EXPECT_NE(errors.find("mapping coordinates of 1 triangle span"), std::string::npos) << errors;
    ASSERT_EQ(converted.model->animations.size(), 1u);
    const Model& model = *converted.model;
    const auto atlas = decodePng(readFile(scratch.path() + "parts/parts.png"));
    ASSERT_TRUE(atlas);
    EXPECT_EQ(atlas->width & (atlas->width - 1), 0u);
    EXPECT_EQ(atlas->height & (atlas->height - 1), 0u);
    const auto colourAt = [&](const MappingCoord& coord) { return texel(*atlas, coord); };
    const std::array<uint8_t, 3> red{255, 0, 0}, green{0, 255, 0}, yellow{255, 255, 0};
    const std::map<int, std::array<std::array<uint8_t, 3>, 3>> expected = {
        {1, {red, green, yellow}}, {2, {red, green, yellow}}, {3, {}}};
    const auto rest = viewerPose(*converted.model, 0, 0);
    int checked = 0;
    for (const Face& face : model.faces) {
        const int z = static_cast<int>(std::lround(rest[face.vertexIndex[0]].z));
        if (!expected.count(z)) {
            continue;
        }
        for (int corner = 0; corner < 3; ++corner) {
            const auto& p = rest[face.vertexIndex[corner]];
            const int which = p.y > 0.5 ? 2 : p.x > 0.5 ? 1 : 0;
            const auto found = colourAt(model.mappingCoords[face.mappingIndex[corner]]);
            if (z == 3) {  // magenta in the shade its light gives
                EXPECT_TRUE(found[0] == found[2] && found[0] > 0 && found[1] == 0)
                    << int(found[0]) << " " << int(found[1]) << " " << int(found[2]);
            } else {
                EXPECT_EQ(found, expected.at(z)[which])
                    << "triangle at z = " << z << ", corner " << which;
            }
            ++checked;
        }
    }
    EXPECT_EQ(checked, 9);
}

std::array<uint8_t, 3> grey(uint32_t, uint32_t) {
    return {200, 200, 200};
}

// Vertex colours multiply the texture, or the untextured material's colour in
// the shades of the baked light; triangles of one colour each keep theirs:
//
//   z = 1  grey texture, red vertices          z = 3  white material, green vertices
//   z = 2  grey texture, half blue vertices    z = 4  yellow material, red vertices
//   z = 5  grey texture, no vertex colours
TEST_F(ImportTest, VertexColoursAreBakedIntoTheTexture) {
    GltfFixture fixture = columnFixture(2);
    fixture.materials = {
        {{1, 1, 1, 1}, fixturePng(2, 2, grey), ""}, {{1, 1, 1, 1}, "", ""}, {{1, 1, 0, 1}, "", ""}};
    struct Case {
        float z;
        int material;
        std::array<float, 4> colour;
        // The colour seen, exactly for textured ones, else in proportion.
        std::array<uint8_t, 3> expected;
        bool exact;
    };
    const Case cases[] = {{1, 0, {1, 0, 0, 1}, {200, 0, 0}, true},
                          {2, 0, {0, 0, 0.5f, 1}, {0, 0, 100}, true},
                          {3, 1, {0, 1, 0, 1}, {0, 1, 0}, false},
                          {4, 2, {1, 0, 0, 1}, {1, 0, 0}, false},
                          {5, 0, {1, 1, 1, 1}, {200, 200, 200}, true}};
    FixtureMesh parts;
    parts.skinned = false;
    for (const Case& c : cases) {
        FixturePrimitive triangle =
            triangleAt(c.z, {{{0.25f, 0.25f}, {0.75f, 0.25f}, {0.75f, 0.75f}}}, c.material);
        triangle.coloured = c.z != 5;
        for (FixtureVertex& vertex : triangle.vertices) {
            vertex.colour = c.colour;
        }
        parts.primitives.push_back(triangle);
    }
    fixture.meshes.push_back(parts);
    const std::string input = write("painted.gltf", fixture);
    Converted converted = convert(input, "painted", kAsInFile);
    const auto atlas = decodePng(readFile(scratch.path() + "painted/painted.png"));
    ASSERT_TRUE(atlas);
    const Model& model = *converted.model;
    const auto rest = viewerPose(model, 0, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.z);
        int corners = 0;
        for (const Face& face : model.faces) {
            if (std::lround(rest[face.vertexIndex[0]].z) != std::lround(c.z)) {
                continue;
            }
            for (int corner = 0; corner < 3; ++corner, ++corners) {
                const auto found = texel(*atlas, model.mappingCoords[face.mappingIndex[corner]]);
                for (int channel = 0; channel < 3; ++channel) {
                    if (c.exact) {
                        EXPECT_NEAR(found[channel], c.expected[channel], 1);
                    } else {
                        EXPECT_EQ(found[channel] > 0, c.expected[channel] > 0);
                    }
                }
            }
        }
        EXPECT_EQ(corners, 3);
    }
}

// A PNG texture used unchanged is written as the file held it; one that is
// packed or tinted is the atlas's own PNG.
TEST_F(ImportTest, AnUnchangedPngTextureIsWrittenAsItCame) {
    struct Case {
        const char* name;
        bool secondMaterial;
        bool coloured;
        bool kept;
    };
    for (const Case& c : {Case{"used unchanged", false, false, true},
                          Case{"packed with another material", true, false, false},
                          Case{"tinted by vertex colours", false, true, false}}) {
        SCOPED_TRACE(c.name);
        GltfFixture fixture = walker();
        if (c.secondMaterial) {
            fixture.materials.push_back({{1, 0, 1, 1}, "", ""});
            fixture.meshes[1].primitives[0].material = 1;
        }
        for (FixtureVertex& vertex : fixture.meshes[0].primitives[0].vertices) {
            fixture.meshes[0].primitives[0].coloured = c.coloured;
            vertex.colour = {1, 0.5f, 0.5f, 1};
        }
        const std::string input = write("walker.gltf", fixture);
        convert(input, "kept");
        const std::string written = readFile(scratch.path() + "kept/walker.png");
        EXPECT_EQ(written == fixture.materials[0].png, c.kept);
    }
}

// Everything under folder: each file's content, each folder as "<folder>".
std::map<std::string, std::string> snapshot(const std::string& folder) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        entries[fs::relative(entry.path(), folder).string()] =
            entry.is_directory() ? "<folder>" : readFile(entry.path().string());
    }
    return entries;
}

// A triangle whose vertex positions are in the buffer file uri.
std::string bufferAt(const std::string& uri) {
    return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],)"
           R"("meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],"buffers":[{"uri":")" +
           uri +
           R"(","byteLength":36}],"bufferViews":[{"buffer":0,"byteLength":36}],"accessors":[{)"
           R"("bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],)"
           R"("max":[1,1,0]}]})";
}

// An untextured box: the viewer draws without lighting, so each corner carries
// its material's colour in the light its normal receives, baked into the
// texture: a face towards the light (from above, on the camera's side, -z)
// shows brighter than the face opposite, in shades of the same hue. (The file
// gives no normals, so its corners are shared and their normals averaged.)
TEST_F(ImportTest, UntexturedMaterialsCarryTheBakedLight) {
    GltfFixture fixture = columnFixture(2);
    fixture.materials[0].colour = {0.8f, 0.4f, 0.2f, 1};
    fixture.meshes.push_back({{box({2.5f, 0, 0})}, false, 1, {}});
    const std::string input = write("box.gltf", fixture);
    Converted converted = convert(input, "box", kAsInFile);
    const auto texture = decodePng(readFile(scratch.path() + "box/box.png"));
    ASSERT_TRUE(texture);
    const Model& model = *converted.model;
    const auto rest = viewerPose(model, 0, 0);
    // The brightness (sum of the channels, over the corners) of the face whose
    // normal is `axis` times sign.
    const auto faceBrightness = [&](int axis, double sign) {
        int brightness = 0;
        for (const Face& face : model.faces) {
            const auto& a = rest[face.vertexIndex[0]];
            const auto normal =
                Geometry::cross(rest[face.vertexIndex[1]] - a, rest[face.vertexIndex[2]] - a);
            const double along[3] = {normal.x, normal.y, normal.z};
            if (a.x < 1.5 || along[axis] * sign < 0.99 * Geometry::length(normal)) {
                continue;
            }
            for (int corner = 0; corner < 3; ++corner) {
                const MappingCoord& coord = model.mappingCoords[face.mappingIndex[corner]];
                const auto x = static_cast<uint32_t>(coord[0] * texture->width);
                const auto y = static_cast<uint32_t>(coord[1] * texture->height);
                const uint8_t* p =
                    &texture->pixels[(std::size_t{y} * texture->width + x) * texture->channels];
                EXPECT_NEAR(p[0], 2 * p[1], 2);
                EXPECT_NEAR(p[1], 2 * p[2], 2);
                brightness += p[0] + p[1] + p[2];
            }
        }
        return brightness;
    };
    struct Case {
        const char* name;
        int axis;
        double litSign;
    };
    for (const Case& c : {Case{"from above", 1, 1}, Case{"from the camera's side", 2, -1}}) {
        SCOPED_TRACE(c.name);
        const int lit = faceBrightness(c.axis, c.litSign);
        const int away = faceBrightness(c.axis, -c.litSign);
        EXPECT_GT(away, 0);
        EXPECT_GT(lit, away * 3 / 2);
    }
}

// Nothing is written unless the whole conversion succeeds and every file can be
// put in place; a character already there is replaced only with --force, and
// then whole. Each failure is one line.
TEST_F(ImportTest, FailuresWriteNothingAndKeepExistingFiles) {
    const std::string input = write("walker.gltf", walker());
    const std::string tall = write("tall.gltf", columnFixture(kMaxBones + 1));
    const std::string blocker = scratch.write("blocker", "a file, not a folder");
    const std::string kept = scratch.path() + "kept/";
    fs::create_directory(kept);
    scratch.write("kept/walker.animesh", "older model");
    scratch.write("kept/walker-Bend", "older motion");
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        const char* problem;
        std::optional<std::size_t> fileSizeLimit = std::nullopt;
    };
    const Case cases[] = {
        {"folder under a file", {input, "-o", blocker + "/out"}, "Not a directory"},
        {"folder onto a file", {input, "-o", blocker}, "Not a directory"},
        {"conversion fails", {tall, "-o", kept, "--name", "walker", "--force"}, "needs 106 bones"},
        {"existing character", {input, "-o", kept}, "walker-Bend: already exists; --force"},
        {"file-size limit", {input, "-o", kept, "--force"}, ": cannot write: File too large", 1024},
        {"half blocked by a folder", {input, "-o", kept, "--force"}, "Is a directory"},
    };
    fs::create_directory(kept + "walker-Hop");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = snapshot(scratch.path());
        const ProgramRun run = runImport(c.arguments, "", c.fileSizeLimit);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.errors.find(c.problem), std::string::npos) << run.errors;
        std::istringstream lines(run.errors);
        int problems = 0;
        for (std::string line; std::getline(lines, line);) {
            // The scratch folder's name may hold a hyphen, which is warned about.
            problems += line.find(": warning: ") == std::string::npos ? 1 : 0;
        }
        EXPECT_EQ(problems, 1) << run.errors;
        EXPECT_EQ(snapshot(scratch.path()), before);
    }
    fs::remove(kept + "walker-Hop");
    EXPECT_EQ(runImport({input, "-o", kept, "--force"}).status, 0);
    EXPECT_TRUE(load(kept + "walker.animesh").loaded);
}

// Hostile input gives one clear line naming the file and status 1, soon; files
// outside the input's folder, devices and FIFOs are refused by name. The input
// is named without a folder, where an absolute reference is read as it stands.
TEST_F(ImportTest, HostileInputIsRefusedWithoutHangingOrLeaking) {
    // A header that promises 1000 bytes and a JSON chunk of 512, cut short.
    const std::string glb = "glTF\x02\0\0\0\xe8\x03\0\0\x00\x02\0\0JSON{\"asset\":"s;
    std::string noise;
    for (int i = 0; i < 4096; ++i) {
        noise += static_cast<char>((i * 7919 + 13) % 251);
    }
    const std::string outside = scratch.write("outside.bin", std::string(36, '\0'));
    const std::string inner = scratch.path() + "inner/";
    fs::create_directory(inner);
    ASSERT_EQ(mkfifo((inner + "pipe.bin").c_str(), 0600), 0);
    struct Case {
        const char* file;
        std::string content;
        const char* warning;  // part of a warning, or empty
    };
    const Case cases[] = {
        // Found by fuzz_import: the library's GLB reader dies on it.
        {"glb-reader-crash.glb", readFile(VELMORA_HOSTILE_FOLDER "/glb-reader-crash.glb"),
         "cannot convert: the import "},
        {"truncated.glb", glb, ""},
        {"noise.fbx", noise, ""},
        {"passwd.gltf", bufferAt("/etc/passwd"),
         "\"/etc/passwd\" that the model refers to is not read: it lies outside"},
        {"parent.gltf", bufferAt("../outside.bin"),
         "outside.bin\" that the model refers to is not read: it lies outside"},
        {"zero.gltf", bufferAt("/dev/zero"), "\"/dev/zero\" that the model refers to is not read"},
        {"pipe.gltf", bufferAt("pipe.bin"),
         "pipe.bin\" that the model refers to is not read: it is not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string input = inner + c.file;
        std::ofstream(input, std::ios::binary) << c.content;
        ProgramRun run;
        finishWithin(60, [&] { run = runImport({c.file, "-o", scratch.path() + "out"}, inner); });
        EXPECT_EQ(run.status, 1) << run.errors;
        EXPECT_NE(run.errors.find("velmora-import: "s + c.file + ": cannot"), std::string::npos)
            << run.errors;
        EXPECT_NE(run.errors.find(c.warning), std::string::npos) << run.errors;
        EXPECT_FALSE(fs::exists(scratch.path() + "out"));
    }
}

// Bad arguments are refused with status 2: the parser's refusals, and an
// animation the scene does not have (named with those it has).
TEST_F(ImportTest, BadArgumentsExitWithTwo) {
    const std::string input = write("walker.gltf", walker());
    EXPECT_EQ(runImport({input, "--rate", "fast"}).status, 2);
    const ProgramRun unknown = runImport({input, "--animations", "Dance"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.errors.find("velmora-import: "), std::string::npos) << unknown.errors;
    EXPECT_NE(unknown.errors.find("\"Bend\", \"Hop\""), std::string::npos) << unknown.errors;
}

// --animations picks and orders; motion files are named <name>-<animation>, so
// the viewer's label (after the file name's first hyphen) is the animation's
// own name.
TEST_F(ImportTest, ChosenAnimationsAreLabelledByTheirNames) {
    const std::string input = write("walker.gltf", walker());
    Converted converted = convert(input, "chosen", {"--animations", "Hop,Bend"});
    ASSERT_EQ(converted.model->animations.size(), 2u);
    const std::string folder = scratch.path() + "chosen/";
    EXPECT_EQ(converted.model->animations[0].name, folder + "walker-Hop");
    EXPECT_EQ(converted.model->animations[1].name, folder + "walker-Bend");
    // The scratch folder's own name has a hyphen, which does not cut the labels.
    EXPECT_EQ(animationLabel(converted.model->animations[0].name), "Hop");
}

// Exporters that write one animation per joint name them alike or make up
// their names from the joint's: those become one animation. Animations named
// by their author stay apart, whatever they drive.
TEST_F(ImportTest, OneAnimationPerJointBecomesOneUnlessNamed) {
    struct Case {
        const char* name;
        std::array<const char*, 2> names;
        std::vector<std::string> labels;
    };
    const Case cases[] = {
        {"shared name", {"Wave", "Wave"}, {"Wave"}},
        {"unnamed", {"", ""}, {"Animation"}},
        {"made up from the joints", {"joint1_anim", "Armature|joint2|Action"}, {"Animation"}},
        {"own names", {"gear_rotate", "squeeze"}, {"gear_rotate", "squeeze"}},
        {"one own name", {"joint1", "squeeze"}, {"joint1", "squeeze"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GltfFixture fixture = columnFixture(3);
        fixture.animations = {
            {c.names[0], {{1, "rotation", {0, 1}, turnsAbout({0, 0, 1}, {0, 45})}}},
            {c.names[1], {{2, "rotation", {0, 2}, turnsAbout({0, 0, 1}, {0, 45})}}}};
        const std::string input = write("waver.gltf", fixture);
        Converted converted = convert(input, "waver");
        std::vector<std::string> labels;
        for (const Animation& animation : converted.model->animations) {
            labels.push_back(animationLabel(fs::path(animation.name).filename().string()));
        }
        EXPECT_EQ(labels, c.labels);
        // The merged one lasts as the longer, 2 s.
        EXPECT_EQ(converted.model->animations.back().frameCount, 61u);
    }
}

// A clip list beside the file cuts its first timeline into named clips, each
// posed as the timeline is over its keys; a bad line is an error naming the
// list and the line, and nothing is written.
TEST_F(ImportTest, ClipListCutsTheFirstTimeline) {
    GltfFixture fixture = columnFixture(3);
    std::vector<float> times;
    std::vector<float> degrees;
    for (int k = 0; k <= 10; ++k) {
        times.push_back(0.1f * k);
        degrees.push_back(9.0f * k * k);
    }
    std::vector<float> values;
    for (float d : degrees) {
        const std::vector<float> turn = turnsAbout({0, 0, 1}, {d});
        values.insert(values.end(), turn.begin(), turn.end());
    }
    fixture.animations = {{"Timeline", {{1, "rotation", times, values}}},
                          {"Other", {{2, "rotation", {0, 1}, turnsAbout({1, 0, 0}, {0, 30})}}}};
    const std::string input = write("mover.gltf", fixture);
    // At 10 frames per second every key of the timeline is a frame.
    Converted whole = convert(input, "whole", {"--rate", "10"});
    ASSERT_EQ(whole.model->animations.size(), 2u);
    scratch.write("mover.clips", "# label first-key last-key\nstand 0 4\n\n  walk\t5 10\n");
    Converted cut = convert(input, "cut", {"--rate", "10"});
    std::vector<std::string> labels;
    for (const Animation& animation : cut.model->animations) {
        labels.push_back(animationLabel(fs::path(animation.name).filename().string()));
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"stand", "walk", "Other"}));
    struct Clip {
        int animation;
        int64_t startMs;
        uint32_t frames;
    };
    for (const Clip& clip : {Clip{0, 0, 5}, Clip{1, 500, 6}}) {
        EXPECT_EQ(cut.model->animations[clip.animation].frameCount, clip.frames);
        for (int64_t ms = 0; ms < 100 * clip.frames; ms += 100) {
            std::vector<aiVector3D> expected;
            for (const Vector3& p : viewerPose(*whole.model, 0, clip.startMs + ms)) {
                expected.emplace_back(p.x, p.y, p.z);
            }
            EXPECT_LT(largestDistance(expected, viewerPose(*cut.model, clip.animation, ms)),
                      kPoseTolerance * 75)
                << "clip " << clip.animation << " at " << ms << " ms";
        }
    }
    struct Bad {
        const char* list;
        const char* error;
    };
    const Bad bad[] = {
        {"stand 0 4\nwalk 5\n", "mover.clips:2: expected \"label first-key last-key\""},
        {"walk 5 ten\n", "mover.clips:1: the keys of clip \"walk\" are not whole numbers"},
        {"walk -1 3\n", "mover.clips:1: the keys of clip \"walk\" are not whole numbers"},
        {"# x\nwalk 6 5\n", "mover.clips:2: clip \"walk\" ends at key 5, before its first key 6"},
        {"walk 5 11\n",
         "mover.clips:1: clip \"walk\" ends at key 11, but animation "
         "\"Timeline\" has keys 0 to 10"},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.list);
        scratch.write("mover.clips", b.list);
        const ProgramRun run = runImport({input, "-o", scratch.path() + "refused"});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.errors.find(b.error), std::string::npos) << run.errors;
        EXPECT_FALSE(fs::exists(scratch.path() + "refused"));
    }
}

// Clip files of the character's skeleton beside it are added after its own
// animations, labelled by their file names; those of another skeleton are left
// out, with a warning where the user named them.
TEST_F(ImportTest, ClipFilesOfTheSameSkeletonAreAdded) {
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        std::vector<std::string> labels;
        const char* warning;
    };
    const Case cases[] = {
        {"beside", {}, {"Animation_1", "guy_wave"}, nullptr},
        {"named",
         {"--clip-files", "more/run.md5anim"},
         {"Animation_1", "guy_wave", "run"},
         nullptr},
        {"named, and beside",
         {"--clip-files", "guy_wave.md5anim"},
         {"Animation_1", "guy_wave"},
         nullptr},
        {"named, of another skeleton",
         {"--clip-files", "stranger.md5anim"},
         {"Animation_1", "guy_wave"},
         "stranger.md5anim: its animations are not added: it moves \"neck\", which the "
         "character lacks"},
    };
    TemporaryFolder folder;
    const std::string input = folder.write("guy.md5mesh", md5FixtureMesh());
    folder.write("guy.md5anim", md5FixtureAnimation("head"));
    folder.write("guy_wave.md5anim", md5FixtureAnimation("head"));
    folder.write("stranger.md5anim", md5FixtureAnimation("neck"));
    fs::create_directory(folder.path() + "more");
    folder.write("more/run.md5anim", md5FixtureAnimation("head"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> arguments = {input, "-o", folder.path() + "out", "--force"};
        for (const std::string& argument : c.arguments) {
            arguments.push_back(argument.find("md5anim") != std::string::npos
                                    ? folder.path() + argument
                                    : argument);
        }
        const ProgramRun run = runImport(arguments);
        ASSERT_EQ(run.status, 0) << run.errors;
        EXPECT_EQ(c.warning != nullptr, run.errors.find("are not added") != std::string::npos)
            << run.errors;
        if (c.warning) {
            EXPECT_NE(run.errors.find(c.warning), std::string::npos) << run.errors;
        }
        Converted converted = load(folder.path() + "out/guy.animesh");
        std::vector<std::string> labels;
        for (const Animation& animation : converted.model->animations) {
            labels.push_back(animationLabel(fs::path(animation.name).filename().string()));
        }
        EXPECT_EQ(labels, c.labels);
        // The clip moves the head's vertex as the character's own animation does.
        const Animation& clip = converted.model->animations[1];
        const int64_t lastMs = 1000 * (clip.frameCount - 1) / converted.model->playbackRate;
        EXPECT_GT(Geometry::length(viewerPose(*converted.model, 1, lastMs)[2] -
                                   viewerPose(*converted.model, 1, 0)[2]),
                  1.0);
    }
}

// External textures as other systems name them: with backslashes, in another
// case, or with another extension than the file has (which is warned about),
// in formats other than PNG.
TEST_F(ImportTest, ExternalTexturesAreFoundAndDecoded) {
    using Writer = int (*)(stbi_write_func*, void*, int, int, int, const void*);
    const auto tga = [](stbi_write_func* f, void* c, int w, int h, int n, const void* p) {
        return stbi_write_tga_to_func(f, c, w, h, n, p);
    };
    const auto bmp = [](stbi_write_func* f, void* c, int w, int h, int n, const void* p) {
        return stbi_write_bmp_to_func(f, c, w, h, n, p);
    };
    struct Case {
        const char* uri;
        const char* file;
        Writer writer;
        bool warned;
    };
    const Case cases[] = {{"Skin.png", "skin.tga", tga, true},
                          {"textures\\\\skin.bmp", "skin.bmp", bmp, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TemporaryFolder folder;
        const uint8_t pixels[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
        std::string bytes;
        c.writer(
            [](void* context, void* data, int size) {
                static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
            },
            &bytes, 2, 2, 3, pixels);
        folder.write(c.file, bytes);
        GltfFixture fixture = columnFixture(2);
        fixture.materials[0].uri = c.uri;
        const std::string input = folder.write("skinned.gltf", fixture.text());
        const ProgramRun run = runImport({input, "-o", folder.path() + "out"});
        ASSERT_EQ(run.status, 0) << run.errors;
        EXPECT_EQ(run.errors.find("of the same name, is used instead") != std::string::npos,
                  c.warned)
            << run.errors;
        const auto texture = decodePng(readFile(folder.path() + "out/skinned.png"));
        ASSERT_TRUE(texture);
        EXPECT_EQ(texture->pixels, std::vector<uint8_t>(std::begin(pixels), std::end(pixels)));
    }
}

// SMD files are z-up by definition, their characters facing +x: the triangle
// (0,0,0) (1,0,0) (0,0,2), standing along z in the file, stands along y in the
// viewer, 75 units tall, and its x side points at the camera (-z).
TEST_F(ImportTest, ZUpFormatsAreTurnedYUp) {
    const std::string input = scratch.write("stand.smd", R"(version 1
nodes
0 "root" -1
end
skeleton
time 0
0 0 0 0 0 0 0
time 30
0 0 0 0 0 0 1.5707963
end
triangles
skin.bmp
0 0 0 0 0 0 1 0 0 1 0 1
0 1 0 0 0 0 1 1 0 1 0 1
0 0 0 2 0 0 1 0 1 1 0 1
end
)");
    Converted converted = convert(input, "stand");
    ASSERT_EQ(converted.model->animations.size(), 1u);
    const Box rest(viewerPose(*converted.model, 0, 0));
    EXPECT_NEAR(rest.high.y - rest.low.y, 75, 1e-3);
    EXPECT_NEAR(rest.high.x - rest.low.x, 0, 1e-3);
    EXPECT_NEAR(rest.high.z - rest.low.z, 37.5, 1e-3);
}

}  // namespace
