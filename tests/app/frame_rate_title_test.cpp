// The frame-rate title with a clock that the test sets, and the command line.

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/frame_rate_title.h"
#include "app/viewer.h"
#include "model/clock.h"
#include "tests/app/fakes.h"

namespace {

class FrameRateTitleTest : public testing::Test {
  protected:
    FrameRateTitleTest() {
        installClock([this] { return now; });
    }
    ~FrameRateTitleTest() override { installClock({}); }

    // Draws frames at the clock readings given (milliseconds); returns the title
    // set by each, "" where none was.
    std::vector<std::string> framesAt(const std::vector<int64_t>& readings) {
        std::vector<std::string> result;
        for (int64_t reading : readings) {
            now = reading;
            const std::size_t before = window.titles.size();
            title.update();
            result.push_back(window.titles.size() > before ? window.titles.back() : "");
        }
        return result;
    }

    int64_t now = 0;
    FakeWindowTitle window;
    FrameRateTitle title{window};
};

TEST_F(FrameRateTitleTest, CountsFramesUpToTheFirstOneMoreThanASecondLater) {
    // Frames 16 ms apart from 5000 ms:
    //
    //   frame   1     2   ...   63     64     65    ...   128
    //   ms    5000  5016  ... 5992   6008   6024   ...  7032
    //         |<-- period: 1008 ms -->|      |<-- next period -->|
    //                          title "64" ^   ^ starts the next period
    std::vector<int64_t> readings;
    for (int frame = 0; frame < 128; ++frame) {
        readings.push_back(5000 + 16 * frame);
    }
    const auto titles = framesAt(readings);
    for (int frame = 0; frame < 128; ++frame) {
        const bool writes = frame == 63 || frame == 127;
        EXPECT_EQ(titles[frame], writes ? "Velmora - Project #1  fps: 64" : "") << frame + 1;
    }
}

TEST_F(FrameRateTitleTest, ExactlyOneSecondDoesNotEndAPeriod) {
    const auto titles = framesAt({2000, 3000, 3001});
    EXPECT_EQ(titles, (std::vector<std::string>{"", "", "Velmora - Project #1  fps: 3"}));
}

TEST_F(FrameRateTitleTest, SlowFramesWriteATitleEveryOtherFrame) {
    const auto titles = framesAt({1500, 3000, 4500, 6000, 7500});
    const std::string two = "Velmora - Project #1  fps: 2";
    EXPECT_EQ(titles, (std::vector<std::string>{"", two, "", two, ""}));
}

TEST_F(FrameRateTitleTest, CountStandsAloneAtTheEnd) {
    const auto titles = framesAt({100, 300, 500, 700, 900, 1050, 1101});
    EXPECT_EQ(titles.back(), std::string(kWindowTitle) + "  fps: " + "7");
    EXPECT_EQ(frameRateTitle(1234567), "Velmora - Project #1  fps: 1234567");
}

TEST(CommandLine, TakesOneModelPathOrHelp) {
    using Action = CommandLine::Action;
    const std::string longest(kMaxChosenPathBytes, 'x');
    struct Row {
        std::vector<std::string> arguments;
        Action action;
        std::optional<std::string> modelPath;
    } rows[] = {
        {{}, Action::Run, std::nullopt},
        {{"some/model.animesh"}, Action::Run, "some/model.animesh"},
        {{longest}, Action::Run, longest},
        {{"--help"}, Action::ShowUsage, std::nullopt},
        {{"a.animesh", "--help"}, Action::ShowUsage, std::nullopt},
        {{"a.animesh", "b.animesh"}, Action::UsageError, std::nullopt},
        {{"-h"}, Action::UsageError, std::nullopt},
        {{"--fullscreen"}, Action::UsageError, std::nullopt},
        {{"-"}, Action::UsageError, std::nullopt},
        {{""}, Action::UsageError, std::nullopt},
        {{longest + "x"}, Action::UsageError, std::nullopt},
    };
    for (const Row& row : rows) {
        const CommandLine commandLine = parseCommandLine(row.arguments);
        const std::string shown = row.arguments.empty() ? "(none)" : row.arguments[0];
        EXPECT_EQ(commandLine.action, row.action) << shown;
        EXPECT_EQ(commandLine.modelPath, row.modelPath) << shown;
    }
}

TEST(CommandLine, UsageListsEveryKey) {
    const std::string usage = usageText();
    EXPECT_EQ(usage.rfind("usage: velmora [model.animesh]\n", 0), 0u);
    EXPECT_NE(usage.find("ESC: Quit."), std::string::npos);
    EXPECT_NE(usage.find(kHelpText), std::string::npos);
}

}  // namespace
