// The model slot and the menus against fake back ends: the menu tree, the
// animation menu refilled on every load, the order of release and load, and the
// dialogs.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>

#include "app/info_overlay.h"
#include "app/keys.h"
#include "app/bone_selection.h"
#include "app/viewer.h"
#include "drawing/joint_picking.h"
#include "files/safe_file.h"
#include "model/pipeline.h"
#include "tests/app/fakes.h"
#include "tests/drawing/test_model.h"
#include "tests/import/gltf_fixture.h"
#include "tests/support/test_support.h"

using namespace velmora;

namespace {

using Strings = std::vector<std::string>;

class ViewerTest : public testing::Test {
  protected:
    ViewerTest() : inFolder(folder.path()) {
        camera.reset();
        viewer.buildMenus();
        log.events.clear();
    }

    // Writes A.animesh with the motion files named and loads it.
    void loadA(const Strings& motionNames = {"A-idle", "A-walk"}) {
        TestModel options;
        options.motionNames = motionNames;
        writeTestModel(".", "A", options);
        viewer.replaceModel("A.animesh");
    }

    Strings animationMenu() const { return menus.labels(viewer.animationMenu); }

    TemporaryFolder folder;
    WorkingDirectory inFolder;
    EventLog log;
    FakeMenus menus{log};
    FakeDialogs dialogs{log};
    LoggingTextureStore textures{log};
    Camera camera;
    const CharacterCache cache{folder.path() + "cache"};
    FakeClock clock;
    Viewer viewer{camera, menus, dialogs, textures, cache, clock};
};

TEST_F(ViewerTest, MenusAreBuiltOnceWithTheirEntriesAndValues) {
    //   main (right button)
    //   +-- Select Model      -> School Girl 0, Tomboy 1, Greaser 2, Cowboy 3
    //   +-- Select Animation  -> (empty until a model is loaded)
    //   +-- Load Model... 0, Switch Mesh On/Off 2, Switch Bones On/Off 3,
    //       Close File 1, Reset Camera 4, Help 5
    EXPECT_EQ(menus.kinds.at(viewer.animationMenu), MenuKind::Animation);
    EXPECT_EQ(menus.kinds.at(viewer.modelMenu), MenuKind::Model);
    EXPECT_EQ(menus.attached, viewer.mainMenu);
    EXPECT_EQ(menus.labels(viewer.modelMenu),
              (Strings{"School Girl", "Tomboy", "Greaser", "Cowboy"}));
    EXPECT_EQ(menus.values(viewer.modelMenu), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_TRUE(animationMenu().empty());
    EXPECT_EQ(menus.labels(viewer.mainMenu),
              (Strings{"Select Model", "Select Animation", "Load Model...", "Switch Mesh On/Off",
                       "Switch Bones On/Off", "Close File", "Reset Camera", "Help"}));
    const auto& main = menus.entries.at(viewer.mainMenu);
    EXPECT_EQ(main[0].submenu, viewer.modelMenu);
    EXPECT_EQ(main[1].submenu, viewer.animationMenu);
    EXPECT_EQ(menus.values(viewer.mainMenu), (std::vector<int>{0, 0, 0, 2, 3, 1, 4, 5}));
}

TEST_F(ViewerTest, AnimationMenuShowsEachNameAfterItsFirstHyphen) {
    loadA({"A-idle", "A-walk", "run", "walk-fast-2", "-run", "jump-"});
    EXPECT_EQ(animationMenu(), (Strings{"idle", "walk", "run", "fast-2", "run", ""}));
    EXPECT_EQ(menus.values(viewer.animationMenu), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(viewer.animationCount, 6);
    EXPECT_EQ(viewer.currentAnimation, 0);
}

TEST_F(ViewerTest, ReplacingAModelEmptiesTheMenuAndReleasesBeforeLoading) {
    loadA({"A-idle", "A-walk", "A-run"});
    // The menu picks by value; values that no entry carries change nothing.
    for (const auto& [value, current] :
         {std::pair{3, 2}, {1, 0}, {2, 1}, {0, 1}, {4, 1}, {-1, 1}}) {
        viewer.onAnimationMenu(value);
        EXPECT_EQ(viewer.currentAnimation, current) << value;
    }
    log.events.clear();

    viewer.replaceModel(writeTestModel(".", "B"));
    const std::string animation = std::to_string(viewer.animationMenu);
    EXPECT_EQ(log.events, (Strings{
                              "remove entry 3 of menu " + animation,
                              "remove entry 2 of menu " + animation,
                              "remove entry 1 of menu " + animation,
                              "release texture 1",
                              "load texture 2",
                              "add idle to menu " + animation,
                              "add walk to menu " + animation,
                          }));
    EXPECT_EQ(viewer.animationCount, 2);
    EXPECT_EQ(viewer.currentAnimation, 0);
}

// freeglut ends the program when a menu changes while one is shown: a model
// opened or converted then waits until the menus close, and is taken then.
TEST_F(ViewerTest, AModelOpenedWhileAMenuIsShownWaitsForTheMenusToClose) {
    TestModel b;
    b.motionNames = {"B-run", "B-jump", "B-swim"};
    const std::string modelB = writeTestModel(".", "B", b);
    // Converted once, so that opening it again takes it from the cache.
    const std::string column = "column/column.gltf";
    std::filesystem::create_directory("column");
    ASSERT_TRUE(writeFile(column, columnFixture(2).text()));
    viewer.replaceModel(column);
    while (viewer.pollOpening(std::chrono::minutes(1))) {
    }
    const struct Row {
        const char* name;
        std::function<void()> open;
        std::string path;
    } rows[] = {
        {"a model chosen", [&] { viewer.replaceModel(modelB); }, modelB},
        {"a model dropped", [&] { viewer.openChosenFile(modelB); }, modelB},
        {"a converted character", [&] { viewer.replaceModel(column); }, column},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        loadA();
        menus.shown = true;
        viewer.setMenusInUse(true);
        row.open();
        // However long it is given, the opening waits for the menus.
        EXPECT_TRUE(viewer.pollOpening(std::chrono::milliseconds(200))) << "waits for the menus";
        EXPECT_EQ(viewer.modelPath, "A.animesh");
        EXPECT_EQ(animationMenu(), (Strings{"idle", "walk"})) << "the menu shown fits the model";

        menus.shown = false;
        viewer.setMenusInUse(false);
        while (viewer.pollOpening(std::chrono::minutes(1))) {
        }
        EXPECT_EQ(viewer.modelPath, row.path);
        ASSERT_NE(viewer.model, nullptr);
        Strings labels;
        for (const Animation& animation : viewer.model->animations) {
            labels.push_back(animationLabel(animation.name));
        }
        EXPECT_FALSE(labels.empty());
        EXPECT_EQ(animationMenu(), labels);
    }
}

// A clip file dropped while a converted character shows adds its animations
// to the character's, one after the other; a model file opened after that
// starts afresh.
TEST_F(ViewerTest, ADroppedClipFileAddsItsAnimationsToTheCharacter) {
    std::filesystem::create_directories("guy/clips");
    ASSERT_TRUE(writeFile("guy/guy.md5mesh", md5FixtureMesh()));
    ASSERT_TRUE(writeFile("guy/clips/run.md5anim", md5FixtureAnimation("head")));
    ASSERT_TRUE(writeFile("guy/clips/jump.md5anim", md5FixtureAnimation("head")));
    const auto open = [&](const std::string& path) {
        viewer.openChosenFile(path);
        while (viewer.pollOpening(std::chrono::minutes(1))) {
        }
    };
    CapturedErrors errors;
    const struct Row {
        const char* opened;
        std::string modelPath;
        Strings menu;
    } rows[] = {
        {"guy/guy.md5mesh", "guy/guy.md5mesh", {"Rest_pose"}},
        {"guy/clips/run.md5anim", "guy/guy.md5mesh", {"run"}},
        {"guy/clips/jump.md5anim", "guy/guy.md5mesh", {"run", "jump"}},
        {"A.animesh", "A.animesh", {"idle", "walk"}},
    };
    TestModel a;
    a.motionNames = {"A-idle", "A-walk"};
    writeTestModel(".", "A", a);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.opened);
        open(row.opened);
        EXPECT_EQ(viewer.modelPath, row.modelPath);
        EXPECT_EQ(animationMenu(), row.menu);
    }
}

// A texture with a side longer than the display draws is refused where the
// load meets it: before the motion files.
TEST_F(ViewerTest, ATextureTooLargeToDrawIsReportedInLoadOrder) {
    textures.maxSideTaken = 1;  // the test texture is 2 x 2
    TestModel options;
    options.motionNames = {"C-idle", "C-walk"};
    writeTestModel(".", "C", options);
    std::filesystem::remove("C-walk");
    log.events.clear();
    CapturedErrors errors;
    viewer.replaceModel("C.animesh");
    EXPECT_EQ(errors.text(), "Failed to open \"C.png\"\n\nFailed to open \"C-walk\"\n\n");
    EXPECT_EQ(viewer.texture, 0u);
    EXPECT_EQ(std::count(log.events.begin(), log.events.end(), "refuse texture"), 0)
        << "never offered to the display";
}

TEST_F(ViewerTest, CloseFileTwiceIsHarmless) {
    loadA();
    viewer.onAnimationMenu(2);
    viewer.showBones = true;
    log.events.clear();

    viewer.onMainMenu(kCloseFileValue);
    EXPECT_EQ(viewer.model, nullptr);
    EXPECT_EQ(viewer.animationCount, 0);
    EXPECT_TRUE(animationMenu().empty());
    EXPECT_EQ(log.events.back(), "release texture 1");
    // The index and the switches stay as they were.
    EXPECT_EQ(viewer.currentAnimation, 1);
    EXPECT_TRUE(viewer.showBones);

    log.events.clear();
    viewer.onMainMenu(kCloseFileValue);
    EXPECT_EQ(viewer.model, nullptr);
    EXPECT_TRUE(log.events.empty());
}

TEST_F(ViewerTest, ModelMenuLoadsTheSamplesUnderTheWorkingDirectory) {
    for (const SampleModel& sample : kSampleModels) {
        const std::filesystem::path path(sample.path);
        std::filesystem::create_directories(path.parent_path());
        writeTestModel(path.parent_path().string(), path.stem().string());
    }
    for (int value = 0; value < kSampleModelCount; ++value) {
        viewer.onModelMenu(value);
        ASSERT_NE(viewer.model, nullptr);
        EXPECT_EQ(
            viewer.model->texture->fileName,
            std::filesystem::path(kSampleModels[value].path).replace_extension(".png").string());
    }
    // The sample already shown is read again from its file.
    viewer.model->playbackRate = -99;
    viewer.onModelMenu(kSampleModelCount - 1);
    EXPECT_EQ(viewer.model->playbackRate, TestModel().playbackRate);
    log.events.clear();
    for (int value : {-1, kSampleModelCount, 1000}) {
        viewer.onModelMenu(value);
    }
    EXPECT_TRUE(log.events.empty()) << "values outside the table";
}

TEST_F(ViewerTest, AModelFileThatCannotBeOpenedLeavesAnEmptyModelCurrent) {
    loadA();
    CapturedErrors errors;
    viewer.replaceModel("missing.animesh");
    ASSERT_NE(viewer.model, nullptr);
    EXPECT_TRUE(viewer.model->animations.empty());
    EXPECT_EQ(viewer.animationCount, 0);
    EXPECT_TRUE(animationMenu().empty());
    EXPECT_EQ(errors.text(), "Failed to open \"missing.animesh\"\n\n");
}

TEST_F(ViewerTest, LoadModelLoadsTheChosenFileAndKeepsTheModelOtherwise) {
    loadA();
    viewer.onAnimationMenu(2);
    // A mark that a model read again would not carry.
    viewer.model->playbackRate = -99;
    const std::string longest = "/" + std::string(kMaxChosenPathBytes - 1, 'x');
    struct Row {
        std::optional<std::string> choice;
        // What standard error says when the choice is loaded; nothing: it is not.
        std::optional<std::string> loaded;
    } rows[] = {
        {std::nullopt, std::nullopt},
        {longest + "x", std::nullopt},
        {longest, "Failed to open \"" + longest + "\"\n\n"},
        {folder.path() + "A.animesh", ""},
    };
    for (const Row& row : rows) {
        log.events.clear();
        dialogs.nextChoice = row.choice;
        CapturedErrors errors;
        viewer.onMainMenu(kLoadModelValue);
        ASSERT_NE(viewer.model, nullptr);
        EXPECT_EQ(log.events.front(), "choose file");
        if (row.loaded) {
            EXPECT_EQ(errors.text(), *row.loaded);
            EXPECT_NE(viewer.model->playbackRate, -99);
        } else {
            EXPECT_EQ(log.events.size(), 1u);
            EXPECT_EQ(viewer.model->playbackRate, -99);
            EXPECT_EQ(animationMenu(), (Strings{"idle", "walk"}));
            EXPECT_EQ(viewer.currentAnimation, 1);
        }
    }
    EXPECT_EQ(viewer.animationCount, 2);
    // A dropped file takes the same way, and says whether it was taken.
    CapturedErrors errors;
    EXPECT_FALSE(viewer.openChosenFile(longest + "x"));
    EXPECT_EQ(errors.text(), "");
    EXPECT_TRUE(viewer.openChosenFile(longest));
    for (const FakeDialogs::Request& request : dialogs.fileRequests) {
        EXPECT_EQ(request.title, "Load Animesh...");
        ASSERT_EQ(request.filters.size(), 3u);
        EXPECT_EQ(request.filters[0].name, "Animesh Files (*.animesh)");
        EXPECT_EQ(request.filters[0].patterns, (Strings{"*.animesh"}));
        EXPECT_EQ(request.filters[2].patterns, (Strings{"*"}));
    }
}

TEST_F(ViewerTest, MainMenuSwitchesResetsAndHelps) {
    viewer.onMainMenu(kSwitchMeshValue);
    viewer.onMainMenu(kSwitchBonesValue);
    camera.rotate(5);
    camera.zoom(-5, kMaxRadius, kMinRadius);
    viewer.onMainMenu(kResetCameraValue);
    viewer.onMainMenu(kHelpValue);
    EXPECT_FALSE(viewer.showMesh);
    EXPECT_TRUE(viewer.showBones);
    EXPECT_EQ(camera.radius, 150);
    EXPECT_EQ(camera.eye.z, -150);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    // The keys' text unchanged, then a blank line and the added controls.
    EXPECT_EQ(dialogs.messages[0],
              std::make_pair(std::string("Help"), std::string(kHelpText) + "\n" + kAddedHelpText));
    std::istringstream added(kAddedHelpText);
    for (std::string line; std::getline(added, line);) {
        EXPECT_TRUE(std::regex_match(line, std::regex("[^ :][^:]*: [A-Z].*\\. "))) << line;
    }

    log.events.clear();
    for (int value : {-1, 6, 100}) {
        viewer.onMainMenu(value);
    }
    EXPECT_TRUE(log.events.empty());
    EXPECT_FALSE(viewer.showMesh);
}

// With four keys at 10 keys a second (starting at 0, 100, 200 and 301 ms) and
// the clock at 250 ms, in key 2 halfway: what the playback keys, the animation
// and the model do to the clock.
TEST_F(ViewerTest, PlaybackKeysPauseStepAndHoldTheFirstKeyOnAChange) {
    const int kHome = 1000 + kKeyHome;
    const int kRight = 1000 + kKeyRight;
    const int kMenu2 = 2000;
    const int kReload = 3000;
    const int kWatchedChange = 4000;
    struct Row {
        const char* name;
        std::vector<int> keys;
        int64_t reading;
        bool paused;
        int32_t animation;
    } rows[] = {
        {"p holds the moment shown", {'p'}, 250, true, 0},
        {"p twice plays on", {'p', 'p'}, 250, false, 0},
        {"] pauses and steps", {']'}, 301, true, 0},
        {"[ pauses and steps back", {'[', '['}, 100, true, 0},
        {"Home pauses at the first key", {kHome}, 0, true, 0},
        {"playing, space keeps the clock", {' '}, 250, false, 1},
        {"paused, space holds the first key", {'p', ' '}, 0, true, 1},
        {"paused, the menu holds the first key", {'p', kMenu2}, 0, true, 1},
        {"paused, a new model holds the first key", {'p', kReload}, 0, true, 0},
        {"paused, Right keeps the key", {'p', kRight}, 227, true, 0},
        {"paused, a reload keeps the moment", {'p', kWatchedChange}, 250, true, 0},
        {"paused, a reload keeps the step", {']', kWatchedChange}, 301, true, 0},
        {"playing, a reload keeps the animation", {' ', kWatchedChange}, 250, false, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestModel options;
        options.keyCount = 4;
        writeTestModel(".", "A", options);
        viewer.replaceModel("A.animesh");
        viewer.playback = PlaybackClock();
        viewer.playback.read(250);
        for (int key : row.keys) {
            if (key == kMenu2) {
                viewer.onAnimationMenu(2);
            } else if (key == kReload) {
                viewer.replaceModel("A.animesh");
            } else if (key == kWatchedChange) {
                viewer.reload();
            } else if (key >= 1000) {
                onSpecialKey(viewer, key - 1000);
            } else {
                onKey(viewer, static_cast<unsigned char>(key));
            }
        }
        EXPECT_EQ(viewer.playback.reading(), row.reading);
        EXPECT_EQ(viewer.playback.paused(), row.paused);
        EXPECT_EQ(viewer.currentAnimation, row.animation);
    }
}

// A reload watches the model's own files, keeps the loop range, and one that
// fails keeps the model shown, saying why in one line.
TEST_F(ViewerTest, AReloadKeepsTheViewAndAFailedOneKeepsTheModel) {
    loadA();
    EXPECT_EQ(viewer.watchedFiles(),
              (WatchedFiles{{"A.animesh", "A.png", "A-idle", "A-walk"}, {}}));
    viewer.currentAnimation = 1;
    viewer.loopEndKey = 0;
    viewer.reload();
    EXPECT_EQ(viewer.modelPath, "A.animesh");
    EXPECT_EQ(viewer.currentAnimation, 1);
    EXPECT_EQ(viewer.loopEndKey, std::optional<uint32_t>(0));
    ASSERT_TRUE(viewer.model);
    const Model* shown = viewer.model.get();
    CapturedErrors errors;
    writeFile("A.animesh", "not a model\n");
    viewer.reload();
    EXPECT_EQ(viewer.model.get(), shown);
    EXPECT_EQ(viewer.animationCount, 2);
    ASSERT_EQ(viewer.messages.lines().size(), 1u);
    EXPECT_EQ(viewer.messages.lines()[0].rfind("A.animesh:", 0), 0u) << viewer.messages.lines()[0];
    EXPECT_EQ(errors.text(), viewer.messages.lines()[0] + "\n");
    // A converted character: its source and the folder it lies in.
    viewer.modelPath = "in/walk.gltf";
    EXPECT_EQ(viewer.watchedFiles(), (WatchedFiles{{"in/walk.gltf"}, {"in"}}));
}

}  // namespace

// The chooser opens in the current model's folder (where GTK likes without a
// model); the files the user opens go to the recent files, what is no file
// does not.
TEST_F(ViewerTest, TheChooserOpensInTheModelsFolderAndOpenedFilesAreRecent) {
    viewer.onMainMenu(kLoadModelValue);
    loadA();
    viewer.onMainMenu(kLoadModelValue);
    ASSERT_EQ(dialogs.fileRequests.size(), 2u);
    EXPECT_EQ(dialogs.fileRequests[0].folder, "");
    EXPECT_TRUE(std::filesystem::equivalent(dialogs.fileRequests[1].folder, folder.path()));
    CapturedErrors errors;
    for (const char* path : {"A.animesh", "missing.animesh", "."}) {
        viewer.openChosenFile(path);
    }
    EXPECT_EQ(dialogs.recentFiles, Strings{std::filesystem::absolute("A.animesh").string()});
}

// A failed open says why on the line, and goes on saying it after the line's
// time while the window draws nothing; a key takes the line down; a model that
// opens takes it all away.
TEST_F(ViewerTest, AFailedOpenSaysWhyOnTheMessageLine) {
    CapturedErrors errors;
    viewer.replaceModel("missing.animesh");
    const std::string why = "Failed to open \"missing.animesh\"\n";
    EXPECT_EQ(viewer.messageText(), why);
    EXPECT_EQ(viewer.problems, Strings{"Failed to open \"missing.animesh\""});
    clock.now = MessageLine::kShownMilliseconds;
    EXPECT_EQ(viewer.messageText(), why) << "nothing drawn: the reason stays";
    onKey(viewer, 'x');
    EXPECT_EQ(viewer.messageText(), why);
    EXPECT_EQ(viewer.messages.lines(), Strings{});
    EXPECT_EQ(errors.text(), why + "\n") << "standard error says it once, as before";
    loadA();
    EXPECT_EQ(viewer.messageText(), "");
    EXPECT_TRUE(viewer.problems.empty());
}

// A click near a drawn joint selects its bone; elsewhere, or with the bones
// hidden, it changes nothing. Each load checks the model and selects nothing.
TEST_F(ViewerTest, AClickOnAJointSelectsItsBone) {
    loadA();
    EXPECT_TRUE(viewer.findings.empty()) << "the figure is weighted cleanly";
    EXPECT_DOUBLE_EQ(viewer.jointAxisLength, 4.0) << "a twentieth of its 80 units";
    poseSkeleton(*viewer.model, viewer.model->animations[0], {}, viewer.frame.pose);
    const auto child = *projectToWindow(camera, viewer.width, viewer.height, kChildJoint);
    const int x = static_cast<int>(child.first);
    const int y = static_cast<int>(child.second);
    EXPECT_FALSE(selectBoneAt(viewer, x, y)) << "bones hidden";
    viewer.showBones = true;
    EXPECT_TRUE(selectBoneAt(viewer, x + 5, y - 5));
    EXPECT_EQ(viewer.selectedBone, 1);
    EXPECT_FALSE(selectBoneAt(viewer, x + 30, y));
    EXPECT_EQ(viewer.selectedBone, 1) << "a miss keeps the selection";
    loadA();
    EXPECT_EQ(viewer.selectedBone, std::nullopt);
}
namespace {

// Shift+C opens B through the Load Model dialog, drawn and compared at once;
// 'c' switches it; B with another skeleton is refused on the message line.
TEST_F(ViewerTest, ShiftCOpensACharacterToCompareWithAndCSwitchesIt) {
    loadA();
    TestModel turned;
    turned.turnPerKey = 30;
    writeTestModel(".", "B", turned);
    const auto compareWith = [this](const std::string& path) {
        dialogs.nextChoice = path;
        onKey(viewer, 'C');
        while (viewer.pollOpening(std::chrono::minutes(1))) {
        }
    };
    compareWith("B.animesh");
    EXPECT_EQ(dialogs.fileRequests.back().title, kLoadDialogTitle);
    EXPECT_EQ(viewer.frameContent(0).comparedModel, viewer.comparedModel.get());
    // At key 1 (100 ms) B's root has turned 30 degrees, A's not at all.
    const std::string comparison =
        "Compare: B.animesh\nDiffers most: bone 0: 30.00 deg, 0.0000 units\n";
    EXPECT_NE(overlayText(viewer, 100, 0).find(comparison), std::string::npos);
    onKey(viewer, 'c');
    EXPECT_EQ(viewer.frameContent(0).comparedModel, nullptr);
    EXPECT_EQ(overlayText(viewer, 100, 0).find("Compare:"), std::string::npos);
    onKey(viewer, 'c');
    EXPECT_NE(overlayText(viewer, 100, 0).find(comparison), std::string::npos);

    std::map<std::string, std::string> files;
    addFigure(files, "");
    files[kFigureTexture] = smallPng();
    for (const auto& [name, text] : files) {
        folder.write(name, text);
    }
    compareWith("figure.animesh");
    const std::string refused =
        "Cannot compare the skeletons: A.animesh has 2 bones, figure.animesh has 3\n";
    EXPECT_EQ(viewer.messageText(), refused);
    EXPECT_EQ(viewer.frameContent(0).comparedModel, nullptr);
    onKey(viewer, 'c');
    onKey(viewer, 'c');
    EXPECT_EQ(viewer.messageText(), refused) << "shown again, refused again";

    // A character of another format is converted for B as for the model.
    std::filesystem::create_directory("column");
    ASSERT_TRUE(writeFile("column/column.gltf", columnFixture(2).text()));
    viewer.replaceModel("column/column.gltf");
    compareWith("column/column.gltf");
    EXPECT_NE(overlayText(viewer, 0, 0).find("Compare: column.gltf\nDiffers most: bone "),
              std::string::npos)
        << overlayText(viewer, 0, 0);
}

}  // namespace
