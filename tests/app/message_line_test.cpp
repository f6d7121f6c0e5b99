// The message line's lifetime on a fake clock, and what the viewer puts on it.

#include <gtest/gtest.h>

#include "app/keys.h"
#include "app/message_line.h"
#include "tests/app/fakes.h"
#include "tests/drawing/test_model.h"
#include "tests/support/test_support.h"

using namespace velmora;

namespace {

using Lines = std::vector<std::string>;

TEST(MessageLine, LastsItsTimeOrUntilDismissedAndCondensesLongLists) {
    constexpr int64_t kTime = MessageLine::kShownMilliseconds;
    struct Step {
        int64_t now;
        enum { Show, ShowNothing, ShowMany, Dismiss, Look } action;
        Lines expected;
    } steps[] = {
        {0, Step::Look, {}},
        {1000, Step::Show, {"a", "b"}},
        {1000 + kTime - 1, Step::Look, {"a", "b"}},
        {1000 + kTime, Step::Look, {}},
        {20000, Step::Show, {"a", "b"}},
        {20001, Step::ShowNothing, {"a", "b"}},
        {20002, Step::Dismiss, {}},
        {30000, Step::ShowMany, {"1", "and 3 more (i: overlay)"}},
        {30000 + kTime - 1, Step::Look, {"1", "and 3 more (i: overlay)"}},
    };
    FakeClock clock;
    MessageLine line(clock);
    for (const Step& step : steps) {
        clock.now = step.now;
        switch (step.action) {
            case Step::Show:
                line.show({"a", "b"});
                break;
            case Step::ShowNothing:
                line.show({});
                break;
            case Step::ShowMany:
                line.show({"1", "2", "3", "4"});
                break;
            case Step::Dismiss:
                line.dismiss();
                break;
            case Step::Look:
                break;
        }
        EXPECT_EQ(line.lines(), step.expected) << "at " << step.now;
    }
}

// A failed open says why on the line, and goes on saying it after the line's
// time while the window draws nothing; a key takes the line down; a model that
// opens takes it all away.
TEST(MessageLine, TheViewerShowsWhyAnOpenFailed) {
    TemporaryFolder folder;
    WorkingDirectory inFolder(folder.path());
    EventLog log;
    FakeMenus menus{log};
    FakeDialogs dialogs{log};
    LoggingTextureStore textures{log};
    Camera camera;
    const CharacterCache cache{""};
    FakeClock clock;
    Viewer viewer{camera, menus, dialogs, textures, cache, clock};
    viewer.buildMenus();
    CapturedErrors errors;
    viewer.replaceModel("missing.animesh");
    const std::string why = "Failed to open \"missing.animesh\"\n";
    EXPECT_EQ(viewer.messageText(), why);
    EXPECT_EQ(viewer.problems, Lines{"Failed to open \"missing.animesh\""});
    clock.now = MessageLine::kShownMilliseconds;
    EXPECT_EQ(viewer.messageText(), why) << "nothing drawn: the reason stays";
    onKey(viewer, 'x');
    EXPECT_EQ(viewer.messageText(), why);
    EXPECT_EQ(viewer.messages.lines(), Lines{});
    viewer.onMainMenu(kCloseFileValue);
    EXPECT_EQ(viewer.messageText(), "");
    EXPECT_EQ(errors.text(), why + "\n") << "standard error says it once, as before";
}

}  // namespace
