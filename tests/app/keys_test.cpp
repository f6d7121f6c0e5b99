// Every key of both tables, keys without an action, and the guards where no
// model or no animation is there to act on.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "app/info_overlay.h"
#include "app/keys.h"
#include "model/pipeline.h"
#include "tests/app/fakes.h"

using namespace velmora;

using Geometry::Vector3;

namespace {

class Keys : public testing::Test {
  protected:
    Keys() { camera.reset(); }

    // The camera's eye as update derives it from the other fields.
    Vector3 derivedEye() const {
        const double theta = Geometry::kPi * camera.angle / 180;
        return Vector3(std::sin(theta) * camera.radius + camera.target.x, camera.eye.y,
                       std::cos(theta) * camera.radius + camera.target.z);
    }

    EventLog log;
    FakeMenus menus{log};
    FakeDialogs dialogs{log};
    LoggingTextureStore textures{log};
    Camera camera;
    const CharacterCache cache{""};
    FakeClock clock;
    Viewer viewer{camera, menus, dialogs, textures, cache, clock};
};

TEST_F(Keys, CameraKeysMoveByFiveUnitsOrDegrees) {
    constexpr int kSpecial = 1000;
    struct Row {
        int key;  // kSpecial + code for the special keys
        Vector3 target;
        double eyeHeight;
        double radius;
        double angle;
    } rows[] = {
        {'+', {0, -20, 0}, 30, 145, 180},
        {'-', {0, -20, 0}, 30, 155, 180},
        {'.', {0, -20, 0}, 30, 150, 185},
        {'0', {0, -20, 0}, 30, 150, 175},
        {'1', {0, -20, 0}, 25, 150, 180},
        {'9', {0, -20, 0}, 35, 150, 180},
        {'2', {0, -20, -5}, 30, 150, 180},
        {'8', {0, -20, 5}, 30, 150, 180},
        {'4', {-5, -20, 0}, 30, 150, 180},
        {'6', {5, -20, 0}, 30, 150, 180},
        {kSpecial + kKeyUp, {0, -25, 0}, 25, 150, 180},
        {kSpecial + kKeyDown, {0, -15, 0}, 35, 150, 180},
        // No action: the digits 3 and 7, upper-case letters, others.
        {'3', {0, -20, 0}, 30, 150, 180},
        {'7', {0, -20, 0}, 30, 150, 180},
        {'B', {0, -20, 0}, 30, 150, 180},
        {'M', {0, -20, 0}, 30, 150, 180},
        {'X', {0, -20, 0}, 30, 150, 180},
        {200, {0, -20, 0}, 30, 150, 180},
        {kSpecial + 104, {0, -20, 0}, 30, 150, 180},
    };
    for (const Row& row : rows) {
        camera.reset();
        if (row.key >= kSpecial) {
            onSpecialKey(viewer, row.key - kSpecial);
        } else {
            EXPECT_EQ(onKey(viewer, static_cast<unsigned char>(row.key)), KeyOutcome::Continue);
        }
        SCOPED_TRACE(testing::Message() << "key " << row.key);
        EXPECT_EQ(camera.target.x, row.target.x);
        EXPECT_EQ(camera.target.y, row.target.y);
        EXPECT_EQ(camera.target.z, row.target.z);
        EXPECT_EQ(camera.eye.y, row.eyeHeight);
        EXPECT_EQ(camera.radius, row.radius);
        EXPECT_EQ(camera.angle, row.angle);
        EXPECT_EQ(camera.eye.x, derivedEye().x);
        EXPECT_EQ(camera.eye.z, derivedEye().z);
    }
    EXPECT_FALSE(viewer.showBones) << "upper-case letters switch nothing";
    EXPECT_TRUE(viewer.showMesh);
}

TEST_F(Keys, EveryKeyButEscapeDerivesTheEyeAgain) {
    for (int key = 0; key < 256 + 5; ++key) {
        camera.reset();
        camera.target.x = 7;  // moved without update: the eye is stale
        const double staleEye = camera.eye.x;
        if (key == kEscapeKey) {
            EXPECT_EQ(onKey(viewer, kEscapeKey), KeyOutcome::Exit);
            EXPECT_EQ(camera.eye.x, staleEye);
            continue;
        }
        if (key < 256) {
            onKey(viewer, static_cast<unsigned char>(key));
        } else {
            onSpecialKey(viewer, kKeyLeft + key - 256);
        }
        EXPECT_NEAR(camera.eye.x, derivedEye().x, 1e-12) << "key " << key;
    }
    EXPECT_EQ(viewer.model, nullptr) << "left and right without a model";
}

TEST_F(Keys, FiveRestoresTheResetViewAfterAnyMoves) {
    for (unsigned char key : {'+', '+', '0', '1', '2', '4', '9', '.', '-', '6', '8'}) {
        onKey(viewer, key);
    }
    onSpecialKey(viewer, kKeyUp);
    onKey(viewer, '5');
    Camera reset;
    reset.reset();
    EXPECT_EQ(camera.eye.x, reset.eye.x);
    EXPECT_EQ(camera.eye.y, reset.eye.y);
    EXPECT_EQ(camera.eye.z, reset.eye.z);
    EXPECT_EQ(camera.target.y, reset.target.y);
}

TEST_F(Keys, LettersToggleTheSwitchesAndSpaceCyclesTheAnimations) {
    const std::pair<char, std::pair<bool, bool>> steps[] = {
        {'b', {true, true}}, {'m', {false, true}}, {'b', {false, false}}, {'m', {true, false}}};
    for (const auto& [key, switches] : steps) {
        onKey(viewer, key);
        EXPECT_EQ(viewer.showMesh, switches.first) << key;
        EXPECT_EQ(viewer.showBones, switches.second) << key;
    }
    onKey(viewer, ' ');
    EXPECT_EQ(viewer.currentAnimation, 0) << "without animations";
    viewer.animationCount = 3;
    for (int expected : {1, 2, 0}) {
        onKey(viewer, ' ');
        EXPECT_EQ(viewer.currentAnimation, expected);
    }
}

TEST_F(Keys, LeftAndRightChangeThePlaybackRate) {
    constexpr int32_t kLargest = std::numeric_limits<int32_t>::max();
    constexpr int32_t kSmallest = std::numeric_limits<int32_t>::min();
    struct Row {
        int32_t from;
        int key;
        int32_t to;
    } rows[] = {
        {1, kKeyLeft, 1},         {5, kKeyLeft, 4},
        {2, kKeyLeft, 1},         {-3, kKeyLeft, 1},
        {kSmallest, kKeyLeft, 1}, {1, kKeyRight, 2},
        {-3, kKeyRight, -2},      {kLargest, kKeyRight, kLargest},
        {30, kKeyUp, 30},         {30, 104, 30},
    };
    viewer.model = std::make_unique<Model>();
    for (const Row& row : rows) {
        viewer.model->playbackRate = row.from;
        onSpecialKey(viewer, row.key);
        EXPECT_EQ(viewer.model->playbackRate, row.to) << row.from << ", key " << row.key;
    }
}

// The added view and speed keys, each from the state the one before left.
TEST_F(Keys, AddedKeysStepBackgroundWireframeAndSpeed) {
    const struct {
        unsigned char key;
        int background;
        bool wireframe;
        int speedPower;
    } rows[] = {
        {'k', 1, false, 0},  {'k', 2, false, 0},  {'k', 0, false, 0},  {'v', 0, true, 0},
        {'v', 0, false, 0},  {'*', 0, false, 1},  {'*', 0, false, 2},  {'=', 0, false, 0},
        {'/', 0, false, -1}, {'/', 0, false, -2}, {'/', 0, false, -3}, {'/', 0, false, -4},
        {'/', 0, false, -4}, {'K', 0, false, -4}, {'V', 0, false, -4}, {'=', 0, false, 0},
    };
    for (const auto& row : rows) {
        onKey(viewer, row.key);
        SCOPED_TRACE(testing::Message() << "key " << row.key);
        EXPECT_EQ(viewer.background, row.background);
        EXPECT_EQ(viewer.wireframe, row.wireframe);
        EXPECT_EQ(viewer.playback.speedPower(), row.speedPower);
    }
    EXPECT_EQ(viewer.frameContent(0).background, 0.0f) << "black, as at start";
}

TEST_F(Keys, GAndLSwitchTheGroundAndInPlaceIntoTheFrame) {
    viewer.ground = Ground{};
    const struct {
        unsigned char key;
        bool ground;
        bool inPlace;
    } rows[] = {{'g', true, false}, {'l', true, true}, {'g', false, true}, {'l', false, false}};
    for (const auto& row : rows) {
        onKey(viewer, row.key);
        SCOPED_TRACE(testing::Message() << "key " << row.key);
        EXPECT_EQ(viewer.frameContent(0).ground != nullptr, row.ground);
        EXPECT_EQ(viewer.frameContent(0).inPlace, row.inPlace);
    }
    onKey(viewer, 'g');
    viewer.ground.reset();
    EXPECT_EQ(viewer.frameContent(0).ground, nullptr) << "a model without a ground";
}

// Four keys at 10 keys a second (starts 0, 100, 200, 301 ms; the loop 400 ms),
// playing from the fake clock's 0.
class PlayKeys : public Keys {
  protected:
    PlayKeys() {
        viewer.model = std::make_unique<Model>();
        viewer.model->texture = std::make_unique<Texture>();
        viewer.model->playbackRate = 10;
        viewer.model->animations.resize(1);
        viewer.model->animations[0].frameCount = 4;
        viewer.animationCount = 1;
        viewer.readClocks(0);
    }
    // Holds the key's start, as ']' would reach it, then resumes.
    void playFromKey(uint32_t key) {
        viewer.playback.hold(keyStartMilliseconds(viewer.model->animations[0], 10, key));
        viewer.playback.togglePause();
    }
};

TEST_F(PlayKeys, BracesBoundTheLoopAndRCyclesTheMode) {
    playFromKey(1);
    onKey(viewer, '{');
    playFromKey(2);
    onKey(viewer, '}');
    ASSERT_EQ(viewer.loopKeys(), (std::pair<uint32_t, uint32_t>{1, 2}));
    // Each row types its key (0: none), then a frame reads the clock at now.
    const struct {
        const char* name;
        unsigned char key;
        int64_t now;
        int64_t reading;
    } rows[] = {
        {"loop wraps at key 2 to key 1", 0, 50, 150},
        {"r: ping-pong goes on and turns at key 2", 'r', 150, 150},
        {"r: reverse runs back from the moment shown", 'r', 170, 130},
        {"reverse wraps at key 1 to key 2", 0, 240, 160},
        {"r: loop again, on from the moment shown", 'r', 250, 170},
        {"|: unbounded again", '|', 300, 220},
        {"}: keys 1 to 3, starting at the first", '}', 350, 50},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.key != 0) {
            onKey(viewer, row.key);
        }
        EXPECT_EQ(viewer.readClocks(row.now), row.reading);
    }
    EXPECT_EQ(viewer.loopKeys(), (std::pair<uint32_t, uint32_t>{0, 2}));
    EXPECT_NE(overlayText(viewer, 50, 0).find("\nLoop range: keys 1-3\n"), std::string::npos);
    EXPECT_EQ(overlayTimeline(viewer, 50)->range, (std::pair{0.0, 0.5}));
    onKey(viewer, 'r');
    EXPECT_NE(overlayText(viewer, 50, 0).find("\nPlay mode: ping-pong\n"), std::string::npos);
    onKey(viewer, ' ');
    EXPECT_EQ(viewer.loopKeys(), std::nullopt) << "a change of animation clears the range";
}

TEST_F(PlayKeys, TTurnsTheCameraUntilItIsMoved) {
    const double start = camera.angle;
    onKey(viewer, 'p');
    onKey(viewer, 't');
    viewer.readClocks(2500);
    EXPECT_NEAR(camera.angle, std::fmod(start + 90, 360), 1e-9) << "a quarter turn, paused too";
    EXPECT_EQ(camera.eye.x, derivedEye().x);
    onKey(viewer, '+');
    viewer.readClocks(5000);
    EXPECT_NEAR(camera.angle, std::fmod(start + 90, 360), 1e-9) << "a camera key stops it";
    onKey(viewer, 't');
    onSpecialKey(viewer, kKeyDown);
    viewer.readClocks(7500);
    EXPECT_NEAR(camera.angle, std::fmod(start + 90, 360), 1e-9) << "so does a special one";
    onKey(viewer, 't');
    onKey(viewer, 't');
    viewer.readClocks(10000);
    EXPECT_NEAR(camera.angle, std::fmod(start + 90, 360), 1e-9) << "t again stops it";
}

// Bones in slots 0, 2 and 5 (0 -> 2 -> 5, 2 named "arm"), two vertices on
// bone 2; the inspection keys, each from the state the one before left.
TEST_F(PlayKeys, InspectionKeysColourSelectAndShowAxes) {
    Model& model = *viewer.model;
    for (int slot : {0, 2, 5}) {
        model.bones[slot] = std::make_unique<Bone>();
    }
    model.bones[0]->children = {2};
    model.bones[2]->children = {5};
    model.bones[2]->name = "arm";
    model.influenceCounts = {1, 1, 1};
    model.influences = {{{}, 2, 1.0}, {{}, 0, 1.0}, {{}, 2, 1.0}};
    viewer.jointAxisLength = 3;
    const struct {
        unsigned char key;
        bool shift;
        MeshColouring colouring;
        int selected;  // -1: none
        bool axes;
    } rows[] = {
        {'W', false, MeshColouring::Texture, -1, false},
        {'w', false, MeshColouring::Weights, -1, false},
        {'w', false, MeshColouring::Influences, -1, false},
        {'w', false, MeshColouring::Texture, -1, false},
        {kTabKey, false, MeshColouring::Texture, 0, false},
        {kTabKey, false, MeshColouring::Texture, 2, false},
        {kTabKey, false, MeshColouring::Texture, 5, false},
        {kTabKey, false, MeshColouring::Texture, 0, false},
        {kTabKey, true, MeshColouring::Texture, 5, false},
        {kTabKey, true, MeshColouring::Texture, 2, false},
        {'x', false, MeshColouring::Texture, 2, true},
        {'X', false, MeshColouring::Texture, 2, true},
        {'x', false, MeshColouring::Texture, 2, false},
    };
    for (const auto& row : rows) {
        onKey(viewer, row.key, row.shift);
        SCOPED_TRACE(testing::Message() << "key " << int(row.key) << (row.shift ? " shift" : ""));
        EXPECT_EQ(viewer.colouring, row.colouring);
        EXPECT_EQ(viewer.frameContent(0).selectedBone, row.selected);
        EXPECT_EQ(viewer.frameContent(0).jointAxisLength, row.axes ? 3.0 : 0.0);
    }
    EXPECT_NE(
        overlayText(viewer, 0, 0).find("\nSelected bone: 2 arm, parent 0, moves 2 vertices\n"),
        std::string::npos);
    // The weights view shows the selected bone's weights, bone 0's while none is.
    onKey(viewer, 'w');
    EXPECT_EQ(viewer.legend().title, "Weights of bone arm");
    ASSERT_NE(viewer.frameContent(0).cornerColours, nullptr);
    EXPECT_EQ(viewer.frameContent(0).markedVertices, nullptr);
    viewer.selectedBone.reset();
    EXPECT_EQ(viewer.legend().title, "Weights of bone 0");
    onKey(viewer, kTabKey, true);
    EXPECT_EQ(viewer.selectedBone, 5) << "Shift+Tab from none takes the last";
    onKey(viewer, 'w');
    EXPECT_EQ(viewer.legend().title, "Influences per vertex");
    EXPECT_NE(viewer.frameContent(0).markedVertices, nullptr);
}

TEST_F(PlayKeys, TheOverlayCountsFindingsAndTheTimelineMarksFaultedKeys) {
    // Motion findings on keys 2 and 1 of this animation (2 twice), one on
    // another animation's key 3, and a vertex's.
    viewer.findings = {{FindingKind::WeightSum, 0, {}, {}, {}, {}, 1.5},
                       {FindingKind::RotationJump, {}, {}, 0, 0, 2, 40.0},
                       {FindingKind::TranslationJump, {}, {}, 0, 0, 1, 9.0},
                       {FindingKind::LoopSeam, {}, {}, 0, 1, 2, 30.0},
                       {FindingKind::RotationJump, {}, {}, 1, 0, 3, 40.0}};
    EXPECT_EQ(overlayTimeline(viewer, 0)->markedKeys, (std::vector<uint32_t>{1, 2}));
    EXPECT_NE(overlayText(viewer, 0, 0).find("\nFindings: 5\n"), std::string::npos);
    EXPECT_EQ(overlayText(viewer, 0, 0).find("Selected bone"), std::string::npos);
}

TEST_F(Keys, HAndF1ShowTheHelpAsTheMenuDoes) {
    onKey(viewer, 'h');
    onSpecialKey(viewer, kKeyF1);
    onKey(viewer, 'H');
    viewer.onMainMenu(kHelpValue);
    const std::pair<std::string, std::string> help{"Help", helpBoxText()};
    EXPECT_EQ(dialogs.messages, (std::vector<std::pair<std::string, std::string>>(3, help)));
}

}  // namespace
