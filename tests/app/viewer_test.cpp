// The model slot and the menus against fake back ends: the menu tree, the
// animation menu refilled on every load, the order of release and load, and the
// dialogs.

#include <gtest/gtest.h>

#include <filesystem>

#include "app/viewer.h"
#include "tests/app/fakes.h"
#include "tests/app/test_model.h"
#include "tests/support/test_support.h"

namespace {

class ViewerTest : public testing::Test {
  protected:
    ViewerTest() : inFolder(folder.path()) {
        installTextureBackend(&textures);
        camera.reset();
        viewer.buildMenus();
        log.events.clear();
    }
    ~ViewerTest() override { installTextureBackend(nullptr); }

    // Writes the samples' folders under the working directory.
    void writeSamples() {
        for (const SampleModel& sample : kSampleModels) {
            const std::filesystem::path path(sample.path);
            std::filesystem::create_directories(path.parent_path());
            writeTestModel(path.parent_path().string(), path.stem().string());
        }
    }

    std::vector<std::string> animationMenu() const { return menus.labels(viewer.animationMenu); }

    TemporaryFolder folder;
    WorkingDirectory inFolder;
    EventLog log;
    FakeMenus menus{log};
    FakeDialogs dialogs{log};
    LoggingTextureBackend textures{log};
    Camera camera;
    Viewer viewer{camera, menus, dialogs};
};

TEST_F(ViewerTest, MenusAreBuiltOnceWithTheirEntriesAndValues) {
    //   main (right button)
    //   +-- Select Model      -> School Girl 0, Tomboy 1, Greaser 2, Cowboy 3
    //   +-- Select Animation  -> (empty until a model is loaded)
    //   +-- Load Model... 0, Switch Mesh On/Off 2, Switch Bones On/Off 3,
    //       Close File 1, Reset Camera 4, Help 5
    EXPECT_EQ(menus.kinds.at(viewer.animationMenu), MenuKind::Animation);
    EXPECT_EQ(menus.kinds.at(viewer.modelMenu), MenuKind::Model);
    EXPECT_EQ(menus.kinds.at(viewer.mainMenu), MenuKind::Main);
    EXPECT_LT(viewer.animationMenu, viewer.modelMenu);
    EXPECT_LT(viewer.modelMenu, viewer.mainMenu);
    EXPECT_EQ(menus.attached, viewer.mainMenu);

    EXPECT_EQ(menus.labels(viewer.modelMenu),
              (std::vector<std::string>{"School Girl", "Tomboy", "Greaser", "Cowboy"}));
    EXPECT_EQ(menus.values(viewer.modelMenu), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_TRUE(animationMenu().empty());

    EXPECT_EQ(menus.labels(viewer.mainMenu),
              (std::vector<std::string>{"Select Model", "Select Animation", "Load Model...",
                                        "Switch Mesh On/Off", "Switch Bones On/Off", "Close File",
                                        "Reset Camera", "Help"}));
    const auto& main = menus.entries.at(viewer.mainMenu);
    EXPECT_EQ(main[0].submenu, viewer.modelMenu);
    EXPECT_EQ(main[1].submenu, viewer.animationMenu);
    EXPECT_EQ(menus.values(viewer.mainMenu), (std::vector<int>{0, 0, 0, 2, 3, 1, 4, 5}));
}

TEST_F(ViewerTest, AnimationMenuShowsEachNameAfterItsFirstHyphen) {
    TestModel options;
    options.motionNames = {"A-idle", "A-walk", "run", "walk-fast-2", "-run", "jump-"};
    writeTestModel(".", "A", options);
    viewer.replaceModel("A.animesh");
    EXPECT_EQ(animationMenu(),
              (std::vector<std::string>{"idle", "walk", "run", "fast-2", "run", ""}));
    EXPECT_EQ(menus.values(viewer.animationMenu), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(viewer.animationCount, 6);
    EXPECT_EQ(viewer.currentAnimation, 0);
}

TEST_F(ViewerTest, AHyphenInAFolderNameCutsTheLabelThere) {
    std::filesystem::create_directory("my-models");
    writeTestModel("my-models", "figure");
    viewer.replaceModel("my-models/figure.animesh");
    EXPECT_EQ(animationMenu(),
              (std::vector<std::string>{"models/figure-idle", "models/figure-walk"}));
}

TEST_F(ViewerTest, ReplacingAModelEmptiesTheMenuAndReleasesBeforeLoading) {
    TestModel three;
    three.motionNames = {"A-idle", "A-walk", "A-run"};
    writeTestModel(".", "A", three);
    writeTestModel(".", "B");
    viewer.replaceModel("A.animesh");
    viewer.onAnimationMenu(3);
    ASSERT_EQ(viewer.currentAnimation, 2);
    log.events.clear();

    viewer.replaceModel("B.animesh");
    const std::string animation = std::to_string(viewer.animationMenu);
    EXPECT_EQ(log.events, (std::vector<std::string>{
                              "remove entry 3 of menu " + animation,
                              "remove entry 2 of menu " + animation,
                              "remove entry 1 of menu " + animation,
                              "release texture 1",
                              "load texture 2",
                              "add idle to menu " + animation,
                              "add walk to menu " + animation,
                          }));
    EXPECT_EQ(animationMenu(), (std::vector<std::string>{"idle", "walk"}));
    EXPECT_EQ(viewer.animationCount, 2);
    EXPECT_EQ(viewer.currentAnimation, 0);
}

TEST_F(ViewerTest, AnimationMenuPicksByValue) {
    TestModel three;
    three.motionNames = {"A-idle", "A-walk", "A-run"};
    writeTestModel(".", "A", three);
    viewer.replaceModel("A.animesh");
    viewer.onAnimationMenu(3);
    EXPECT_EQ(viewer.currentAnimation, 2);
    viewer.onAnimationMenu(1);
    EXPECT_EQ(viewer.currentAnimation, 0);
    // Values that no entry carries change nothing.
    for (int value : {0, 4, -1}) {
        viewer.onAnimationMenu(value);
        EXPECT_EQ(viewer.currentAnimation, 0) << value;
    }
}

TEST_F(ViewerTest, CloseFileTwiceIsHarmless) {
    writeTestModel(".", "A");
    viewer.replaceModel("A.animesh");
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
    writeSamples();
    for (int value = 0; value < kSampleModelCount; ++value) {
        viewer.onModelMenu(value);
        ASSERT_NE(viewer.model, nullptr);
        EXPECT_EQ(viewer.model->animations.size(), 2u) << kSampleModels[value].path;
        EXPECT_EQ(
            viewer.model->texture->fileName,
            std::filesystem::path(kSampleModels[value].path).replace_extension(".png").string());
    }
    // The sample already shown is read again from its file.
    viewer.model->playbackRate = -99;
    viewer.onModelMenu(kSampleModelCount - 1);
    EXPECT_EQ(viewer.model->playbackRate, TestModel().playbackRate);
}

TEST_F(ViewerTest, ModelMenuIgnoresValuesOutsideTheTable) {
    writeSamples();
    viewer.onModelMenu(0);
    log.events.clear();
    for (int value : {-1, kSampleModelCount, 1000}) {
        viewer.onModelMenu(value);
    }
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(viewer.animationCount, 2);
}

TEST_F(ViewerTest, AModelFileThatCannotBeOpenedLeavesAnEmptyModelCurrent) {
    writeTestModel(".", "A");
    viewer.replaceModel("A.animesh");
    CapturedErrors errors;
    viewer.replaceModel("missing.animesh");
    ASSERT_NE(viewer.model, nullptr);
    EXPECT_TRUE(viewer.model->animations.empty());
    EXPECT_EQ(viewer.animationCount, 0);
    EXPECT_TRUE(animationMenu().empty());
    EXPECT_EQ(errors.text(), "Failed to open \"missing.animesh\"\n\n");
}

TEST_F(ViewerTest, LoadModelAsksForAnAnimeshFileAndLoadsTheChoice) {
    writeTestModel(".", "A");
    dialogs.nextChoice = folder.path() + "A.animesh";
    viewer.onMainMenu(kLoadModelValue);
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].title, "Load Animesh...");
    EXPECT_EQ(dialogs.fileRequests[0].filterName, "Animesh Files (*.animesh)");
    EXPECT_EQ(dialogs.fileRequests[0].pattern, "*.animesh");
    ASSERT_NE(viewer.model, nullptr);
    EXPECT_EQ(viewer.model->animations.size(), 2u);
    EXPECT_EQ(viewer.animationCount, 2);
}

TEST_F(ViewerTest, CancelledOrOverlongChoiceKeepsTheCurrentModel) {
    writeTestModel(".", "A");
    viewer.replaceModel("A.animesh");
    viewer.onAnimationMenu(2);
    Model* shown = viewer.model.get();
    // A mark that a model read again would not carry.
    shown->playbackRate = -99;
    const std::string tooLong = "/" + std::string(kMaxChosenPathBytes, 'x');
    for (const auto& choice : {std::optional<std::string>(), std::optional<std::string>(tooLong)}) {
        log.events.clear();
        dialogs.nextChoice = choice;
        viewer.onMainMenu(kLoadModelValue);
        EXPECT_EQ(viewer.model.get(), shown);
        EXPECT_EQ(viewer.model->playbackRate, -99);
        EXPECT_EQ(animationMenu(), (std::vector<std::string>{"idle", "walk"}));
        EXPECT_EQ(viewer.currentAnimation, 1);
        EXPECT_EQ(log.events, (std::vector<std::string>{"choose file"}));
    }
}

TEST_F(ViewerTest, AChoiceOfTheLongestPathIsLoaded) {
    const std::string longest = "/" + std::string(kMaxChosenPathBytes - 1, 'x');
    dialogs.nextChoice = longest;
    CapturedErrors errors;
    viewer.onMainMenu(kLoadModelValue);
    EXPECT_NE(viewer.model, nullptr);
    EXPECT_EQ(errors.text(), "Failed to open \"" + longest + "\"\n\n");
}

TEST_F(ViewerTest, MainMenuSwitchesResetsAndHelps) {
    viewer.onMainMenu(kSwitchMeshValue);
    EXPECT_FALSE(viewer.showMesh);
    viewer.onMainMenu(kSwitchBonesValue);
    EXPECT_TRUE(viewer.showBones);

    camera.rotate(5);
    camera.zoom(-5, kMaxRadius, kMinRadius);
    viewer.onMainMenu(kResetCameraValue);
    EXPECT_EQ(camera.angle, 180);
    EXPECT_EQ(camera.radius, 150);
    EXPECT_EQ(camera.eye.z, -150);

    viewer.onMainMenu(kHelpValue);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].first, "Help");
    EXPECT_EQ(dialogs.messages[0].second, kHelpText);

    log.events.clear();
    for (int value : {-1, 6, 100}) {
        viewer.onMainMenu(value);
    }
    EXPECT_TRUE(log.events.empty());
    EXPECT_FALSE(viewer.showMesh);
    EXPECT_TRUE(viewer.showBones);
}

}  // namespace
