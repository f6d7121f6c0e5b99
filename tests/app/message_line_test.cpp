// The message line's lifetime on a fake clock.

#include <gtest/gtest.h>

#include "app/message_line.h"
#include "tests/app/fakes.h"

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

}  // namespace
