// The animation menu as the viewer fills and empties it, seen through the hint
// layer: the hint exactly while the viewer's menu is empty, the viewer's own
// entries and values untouched otherwise, and the other menus left alone.

#include <gtest/gtest.h>

#include <functional>

#include "app/animation_menu_hint.h"
#include "app/viewer.h"
#include "tests/app/fakes.h"
#include "tests/drawing/test_model.h"
#include "tests/support/test_support.h"

using namespace velmora;

namespace {

using Strings = std::vector<std::string>;

TEST(AnimationMenuHint, HintStandsInExactlyWhileTheMenuIsEmpty) {
    TemporaryFolder folder;
    WorkingDirectory inFolder(folder.path());
    EventLog log;
    LoggingTextureStore textures{log};
    FakeMenus glut{log};
    AnimationMenuHint menus{glut};
    FakeDialogs dialogs{log};
    Camera camera;
    const CharacterCache cache{""};
    FakeClock clock;
    Viewer viewer{camera, menus, dialogs, textures, cache, clock};
    viewer.buildMenus();
    TestModel three;
    three.motionNames = {"A-idle", "A-walk", "run"};
    writeTestModel(".", "three", three);
    TestModel none;
    none.motionNames = {};
    writeTestModel(".", "none", none);

    const Strings hint{kNoAnimationsHint};
    struct Step {
        const char* name;
        std::function<void()> action;
        Strings labels;
        std::vector<int> values;
    };
    const Step steps[] = {
        {"start-up", [] {}, hint, {kNoAnimationsHintValue}},
        {"three animations",
         [&] { viewer.replaceModel("three.animesh"); },
         {"idle", "walk", "run"},
         {1, 2, 3}},
        {"reloaded",
         [&] { viewer.replaceModel("three.animesh"); },
         {"idle", "walk", "run"},
         {1, 2, 3}},
        {"closed", [&] { viewer.onMainMenu(kCloseFileValue); }, hint, {kNoAnimationsHintValue}},
        {"closed twice",
         [&] { viewer.onMainMenu(kCloseFileValue); },
         hint,
         {kNoAnimationsHintValue}},
        {"model without animations",
         [&] { viewer.replaceModel("none.animesh"); },
         hint,
         {kNoAnimationsHintValue}},
        {"unreadable model",
         [&] { viewer.replaceModel("missing.animesh"); },
         hint,
         {kNoAnimationsHintValue}},
        {"three again",
         [&] { viewer.replaceModel("three.animesh"); },
         {"idle", "walk", "run"},
         {1, 2, 3}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.action();
        EXPECT_EQ(glut.labels(viewer.animationMenu), step.labels);
        EXPECT_EQ(glut.values(viewer.animationMenu), step.values);
    }
    // Choosing the hint changes nothing.
    viewer.currentAnimation = 2;
    viewer.onAnimationMenu(kNoAnimationsHintValue);
    EXPECT_EQ(viewer.currentAnimation, 2);
    EXPECT_EQ(glut.labels(viewer.modelMenu),
              (Strings{"School Girl", "Tomboy", "Greaser", "Cowboy"}));
    EXPECT_EQ(glut.labels(viewer.mainMenu).size(), 8u);
}

}  // namespace
