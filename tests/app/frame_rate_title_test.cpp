// The frame-rate title with a clock that the test sets, and the command line.

#include <gtest/gtest.h>

#include "app/clock.h"
#include "app/command_line.h"
#include "app/frame_rate_title.h"
#include "app/viewer.h"
#include "tests/app/fakes.h"

using namespace velmora;

namespace {

// A frame writes the title when it comes more than a second after the frame
// that started the period; it then starts the next period itself:
//
//   frame   1     2   ...   63     64     65    ...   128
//   ms    5000  5016  ... 5992   6008   6024   ...  7032
//         |<-- period: 1008 ms -->|      |<-- next period -->|
//                          title "64" ^   ^ starts the next period
TEST(FrameRateTitle, CountsFramesUpToTheFirstOneMoreThanASecondLater) {
    std::vector<int64_t> steadyFrames;
    std::vector<std::string> steadyTitles;
    for (int frame = 0; frame < 128; ++frame) {
        steadyFrames.push_back(5000 + 16 * frame);
        steadyTitles.push_back(frame == 63 || frame == 127 ? "64" : "");
    }
    struct Row {
        std::vector<int64_t> readings;
        // The count in the title that each frame sets, "" where it sets none.
        std::vector<std::string> counts;
    } rows[] = {
        {steadyFrames, steadyTitles},
        {{2000, 3000, 3001}, {"", "", "3"}},
        {{1500, 3000, 4500, 6000, 7500}, {"", "2", "", "2", ""}},
        {{100, 300, 500, 700, 900, 1050, 1101}, {"", "", "", "", "", "", "7"}},
    };
    for (const Row& row : rows) {
        FakeClock clock;
        FakeWindowTitle window;
        FrameRateTitle title{window, clock};
        for (std::size_t frame = 0; frame < row.readings.size(); ++frame) {
            clock.now = row.readings[frame];
            const std::size_t before = window.titles.size();
            title.update();
            const std::string expected =
                row.counts[frame].empty() ? "" : "Velmora - Project #1  fps: " + row.counts[frame];
            EXPECT_EQ(window.titles.size() > before ? window.titles.back() : "", expected)
                << "frame at " << clock.now;
        }
    }
}

// While no frames come, ticks keep the title going once a second: a period
// that frames started ends with their count, and a second without frames
// shows 0; a tick within a second of a frame, or of the last title, writes
// nothing, so that frames that come go on writing the title themselves.
TEST(FrameRateTitle, TicksWriteTheCountWhileNoFramesCome) {
    struct Step {
        int64_t milliseconds;
        bool frame;         // a frame, or a tick
        const char* count;  // the count in the title written, "" for none
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
    } rows[] = {
        {"frames, then none",
         {{1000, true, ""},
          {1100, true, ""},
          {1500, false, ""},
          {2050, false, ""},
          {2150, false, "2"},
          {2900, false, ""},
          {3200, false, "0"},
          {4300, false, "0"}}},
        {"no frame at all", {{900, false, ""}, {1100, false, "0"}, {1900, false, ""}}},
        {"a tick does not end a period that frames still run",
         {{1000, true, ""}, {1990, true, ""}, {2010, false, ""}, {2020, true, "3"}}},
    };
    for (const auto& row : rows) {
        FakeClock clock;
        FakeWindowTitle window;
        FrameRateTitle title{window, clock};
        for (const Step& step : row.steps) {
            clock.now = step.milliseconds;
            const std::size_t before = window.titles.size();
            step.frame ? title.update() : title.tick();
            const std::string expected =
                *step.count ? std::string("Velmora - Project #1  fps: ") + step.count : "";
            EXPECT_EQ(window.titles.size() > before ? window.titles.back() : "", expected)
                << row.name << " at " << step.milliseconds;
        }
    }
}

TEST(CommandLine, TakesOneModelPath) {
    const std::string longest(kMaxChosenPathBytes, 'x');
    struct Row {
        std::vector<std::string> arguments;
        std::optional<std::string> modelPath;  // nothing: a usage error
        bool runs;
    } rows[] = {
        {{}, std::nullopt, true},
        {{"some/model.animesh"}, "some/model.animesh", true},
        {{longest}, longest, true},
        {{"a.animesh", "b.animesh"}, std::nullopt, false},
        {{"-h"}, std::nullopt, false},
        {{""}, std::nullopt, false},
        {{longest + "x"}, std::nullopt, false},
        {{"--unpaced", "a.animesh"}, "a.animesh", true},
        {{"--compare", "b.gltf", "a.animesh"}, "a.animesh", true},
        {{"--compare", "", "a.animesh"}, std::nullopt, false},
    };
    for (const Row& row : rows) {
        const std::string shown = row.arguments.empty() ? "(none)" : row.arguments[0];
        CommandLine commandLine;
        const Arguments::Parsed parsed =
            Arguments::parse(viewerProgram(commandLine), row.arguments);
        EXPECT_EQ(parsed.request == Arguments::Request::Run, row.runs) << shown;
        if (row.runs) {
            EXPECT_EQ(commandLine.modelPath, row.modelPath) << shown;
            EXPECT_EQ(commandLine.comparePath.has_value(), row.arguments.size() == 3) << shown;
        }
    }
    // --animations adds clip files to the character.
    CommandLine clips;
    const Arguments::Parsed parsed = Arguments::parse(
        viewerProgram(clips), {"a.md5mesh", "--animations", "run.md5anim,,jump.md5anim"});
    EXPECT_EQ(parsed.request, Arguments::Request::Run);
    EXPECT_EQ(clips.clipFiles, (std::vector<std::string>{"run.md5anim", "jump.md5anim"}));
    CommandLine none;
    EXPECT_NE(Arguments::parse(viewerProgram(none), {"--animations", ","}).request,
              Arguments::Request::Run);
}

}  // namespace
