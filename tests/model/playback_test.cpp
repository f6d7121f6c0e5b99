#include <gtest/gtest.h>

#include <cmath>

#include "model/pipeline.h"
#include "tests/support/test_support.h"

using namespace velmora;

namespace {

// What frame selection reads: a rate and an animation's frame count.
struct Timed {
    Timed(int32_t rate_, uint32_t frames) : rate(rate_) { animation.frameCount = frames; }

    FramePair at(int64_t milliseconds, double timeOffset = 0) const {
        return selectFrames(animation, rate, milliseconds, timeOffset);
    }

    int32_t rate;
    Animation animation;
};

struct Expected {
    int64_t milliseconds;
    uint32_t current, next;
    double blend;
};

void expectFrames(const Timed& timed, const Expected& e, double timeOffset = 0) {
    const FramePair pair = timed.at(e.milliseconds, timeOffset);
    EXPECT_EQ(pair.currentFrame, e.current) << e.milliseconds << " ms";
    EXPECT_EQ(pair.nextFrame, e.next) << e.milliseconds << " ms";
    EXPECT_NEAR(pair.frameBlend, e.blend, 1e-9) << e.milliseconds << " ms";
}

}  // namespace

// 60 frames at 30 frames per second: one pass lasts 2 s, then the loop restarts.
//
//   ms      0    33     1966  1990 | 2000  2517      | 4000
//           |----|-- ... --|----|-+-|-------|-- ... -+-|
//   frame   0    0,1      58    59  | 0     15        | 0
//   pair   (0,1)         (58,59)(59,59)  (15,16)        (0,1)
TEST(Playback, FramesFollowTheClockAndTheLastFrameIsHeld) {
    const Timed timed(30, 60);
    const Expected cases[] = {
        {0, 0, 1, 0},         {33, 0, 1, 0.99},    {2517, 15, 16, 0.51},
        {1966, 58, 59, 0.98}, {1990, 59, 59, 0.7}, {1999, 59, 59, 0.97},
        {2000, 0, 1, 0},      {4000, 0, 1, 0},     {6000 + 1990, 59, 59, 0.7},
    };
    for (const Expected& e : cases) {
        expectFrames(timed, e);
    }
}

// Other timings: a single frame blends from its only key once per frame period;
// a rate that does not divide the loop moves loop and frame at once; rates below
// one play at one frame per second.
TEST(Playback, OtherRatesAndFrameCounts) {
    struct Case {
        int32_t rate;
        uint32_t frames;
        Expected expected;
    };
    const Case cases[] = {
        {10, 1, {50, 0, 0, 0.5}},
        {10, 1, {100, 0, 0, 0}},
        // One pass lasts 60 / 31 s, so 2.517 s lies 0.5815... s into the second.
        {31, 60, {2517, 18, 19, 31 * (2.517 - 60.0 / 31) - 18}},
        {0, 4, {2500, 2, 3, 0.5}},
        {-3, 4, {4000 * 5 + 3250, 3, 3, 0.25}},
    };
    for (const Case& c : cases) {
        expectFrames(Timed(c.rate, c.frames), c.expected);
    }
}

TEST(Playback, TheTimeOffsetIsSubtractedWithinTheLoopAndTheFrameStaysInRange) {
    const Timed timed(30, 60);
    expectFrames(timed, {2517, 14, 15, 0.01}, 0.05);
    for (double offset : {0.1, -2.0, 1e9, -1e9}) {
        const FramePair pair = timed.at(1990, offset);
        EXPECT_LE(pair.currentFrame, pair.nextFrame) << offset;
        EXPECT_LE(pair.nextFrame, 59u) << offset;
        EXPECT_TRUE(std::isfinite(pair.frameBlend)) << offset;
    }
}

// After a week, or past the 2^31 and 2^32 milliseconds where a 32-bit count
// would wrap, the frame is what exact integer arithmetic gives: with N frames
// at R frames per second, ms * R / 1000 frames have passed.
TEST(Playback, LongUptimesGiveTheExactFrame) {
    const int64_t week = 7ll * 24 * 3600 * 1000;
    const int64_t readings[] = {week,           week + 1,        week + 2517,
                                week + 123457,  (1ll << 31) + 5, (1ll << 32) + 77,
                                40 * week + 999};
    const std::pair<int32_t, uint32_t> timings[] = {{30, 60}, {7, 11}, {24, 100}, {1, 1}, {60, 7}};
    for (const auto& [rate, frames] : timings) {
        const Timed timed(rate, frames);
        for (int64_t ms : readings) {
            const int64_t passed = ms * rate;  // in thousandths of a frame
            const auto current = static_cast<uint32_t>(passed % (1000ll * frames) / 1000);
            const uint32_t next = current == frames - 1 ? current : current + 1;
            SCOPED_TRACE(std::to_string(rate) + " fps, " + std::to_string(frames) + " frames");
            expectFrames(timed, {ms, current, next, static_cast<double>(passed % 1000) / 1000});
        }
    }
}

// A step lands on the first whole millisecond that shows its key, for rates
// that divide a second and rates that do not.
TEST(Playback, KeyStartsAreTheFirstMillisecondOfEachKey) {
    for (const auto& [rate, frames] : std::vector<std::pair<int32_t, uint32_t>>{
             {30, 60}, {7, 11}, {24, 100}, {1, 3}, {1000, 5}, {0, 4}}) {
        const Timed timed(rate, frames);
        for (uint32_t frame = 0; frame < frames; ++frame) {
            const int64_t start = keyStartMilliseconds(timed.animation, rate, frame);
            SCOPED_TRACE(std::to_string(rate) + " fps, key " + std::to_string(frame));
            EXPECT_EQ(timed.at(start).currentFrame, frame);
            if (start > 0) {
                EXPECT_LT(timed.at(start - 1).currentFrame, frame);
            }
        }
    }
}

TEST(Playback, OnlyAnimationsReadWithoutFaultArePlayable) {
    TestFiles files;
    const std::string path = files.addFigure();
    files.files["figure/figure-walk.motion"] = replaceLine(kFigureWalk, 11, "Frames: 3");
    const LoadResult loaded = files.load(path);
    ASSERT_TRUE(loaded.modelRead);
    EXPECT_FALSE(isPlayable(loaded.model, 0));
    EXPECT_TRUE(isPlayable(loaded.model, 1));
    EXPECT_FALSE(isPlayable(loaded.model, 2));
    EXPECT_FALSE(isPlayable(loaded.model, -1));

    files.files[path] = replaceLine(kFigureModel, 23, "1 0 again");
    const LoadResult rejected = files.load(path);
    EXPECT_FALSE(rejected.modelRead);
    EXPECT_FALSE(isPlayable(rejected.model, 0));
}
