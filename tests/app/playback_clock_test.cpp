// The playback clock: pause and resume without a jump, steps to a key's first
// millisecond round the loop, a rate change that keeps the key, scrubbing, and
// the speed.

#include <gtest/gtest.h>

#include <vector>

#include "app/playback_clock.h"

using namespace velmora;

namespace {

// Four keys at 10 keys a second start at 0, 100, 200 and 301 ms (where the
// frame selection's rounding first shows key 3); the loop lasts 400 ms. At 3 keys a second key 1
// starts at 334 ms, at 7 at 143 ms.
Animation fourKeys() {
    Animation animation;
    animation.frameCount = 4;
    return animation;
}

struct Op {
    enum Kind { Read, Toggle, Step, Rate, Scrub, Speed } kind;
    int64_t value = 0;  // Read: now; Step: direction; Rate: the new rate; Speed: power
    double fraction = 0;
};
Op read(int64_t now) {
    return {Op::Read, now};
}
const Op kToggle{Op::Toggle};
Op step(int direction) {
    return {Op::Step, direction};
}
Op rate(int32_t to) {
    return {Op::Rate, to};
}
Op scrub(double fraction) {
    return {Op::Scrub, 0, fraction};
}
Op speed(int power) {
    return {Op::Speed, power};
}

TEST(PlaybackClock, PausesStepsKeepsTheKeyAndScrubs) {
    struct Row {
        const char* name;
        int32_t rate;
        std::vector<Op> ops;
        int64_t reading;
        bool paused;
    } rows[] = {
        {"playing reads the program's clock", 10, {read(1234)}, 1234, false},
        {"a pause holds the last frame",
         10,
         {read(100), kToggle, read(5000), read(9000)},
         100,
         true},
        {"resuming goes on from the held moment",
         10,
         {read(100), kToggle, read(5000), kToggle, read(5016)},
         116,
         false},
        {"a second pause holds again",
         10,
         {read(100), kToggle, read(5000), kToggle, read(5016), kToggle, read(7000)},
         116,
         true},
        {"forward from within a key: the next key", 10, {read(150), step(1)}, 200, true},
        {"forward from a key's start", 10, {read(100), step(1), step(1)}, 301, true},
        {"forward from the last key wraps", 10, {read(350), step(1)}, 0, true},
        {"forward in a later loop: the first pass", 10, {read(1250), step(1)}, 100, true},
        {"back from within a key: its start", 10, {read(150), step(-1)}, 100, true},
        {"back from a key's start: the key before", 10, {read(150), step(-1), step(-1)}, 0, true},
        {"back from the first key wraps", 10, {read(0), step(-1)}, 301, true},
        {"back at a later loop's start wraps", 10, {read(800), step(-1)}, 301, true},
        {"forward at 3 keys a second", 3, {read(0), step(1)}, 334, true},
        {"paused, a faster rate keeps key and blend",
         10,
         {read(250), kToggle, rate(20)},
         125,
         true},
        {"paused at a key's start, it stays there", 3, {read(0), step(1), rate(7)}, 143, true},
        {"back to the held key at the new rate", 3, {read(0), step(1), rate(7), step(-1)}, 0, true},
        {"playing, a rate change leaves the clock", 10, {read(250), rate(20)}, 250, false},
        {"a scrub holds its share of the loop", 10, {read(50), scrub(0.5)}, 200, true},
        {"a scrub to the end holds the last millisecond", 10, {scrub(1.0)}, 399, true},
        {"a scrub before the start holds the start", 10, {read(50), scrub(-0.5)}, 0, true},
        {"twice the speed goes on from the moment shown",
         10,
         {read(100), speed(1), read(150)},
         200,
         false},
        {"half the speed rounds down", 10, {read(100), speed(-1), read(103)}, 101, false},
        {"sixteen times at most", 10, {speed(9), read(10)}, 160, false},
        {"a sixteenth at least", 10, {speed(-9), read(160)}, 10, false},
        {"back to the program's pace",
         10,
         {read(10), speed(2), read(20), speed(0), read(30)},
         60,
         false},
        {"paused, a new speed holds; resuming goes on at it",
         10,
         {read(100), kToggle, speed(1), read(500), kToggle, read(510)},
         120,
         false},
    };
    const Animation animation = fourKeys();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PlaybackClock clock;
        int32_t playbackRate = row.rate;
        for (const Op& op : row.ops) {
            switch (op.kind) {
                case Op::Read:
                    clock.read(op.value);
                    break;
                case Op::Toggle:
                    clock.togglePause();
                    break;
                case Op::Step:
                    clock.stepKey(animation, playbackRate, static_cast<int>(op.value));
                    break;
                case Op::Rate:
                    clock.keepKey(animation, playbackRate, static_cast<int32_t>(op.value));
                    playbackRate = static_cast<int32_t>(op.value);
                    break;
                case Op::Scrub:
                    clock.scrub(animation, playbackRate, op.fraction);
                    break;
                case Op::Speed:
                    clock.setSpeedPower(static_cast<int>(op.value));
                    break;
            }
        }
        EXPECT_EQ(clock.reading(), row.reading);
        EXPECT_EQ(clock.paused(), row.paused);
    }
}

}  // namespace

TEST(PlaybackClock, SpanMomentTurnsWrapsAndHolds) {
    const PlaySpan keys1To3{100, 301};
    const struct {
        const char* name;
        PlaySpan span;
        PlayMode mode;
        int64_t played;
        int64_t moment;
    } rows[] = {
        {"loop starts at the first moment", keys1To3, PlayMode::Loop, 0, 100},
        {"loop runs forward", keys1To3, PlayMode::Loop, 150, 250},
        {"loop wraps at the last to the first", keys1To3, PlayMode::Loop, 201, 100},
        {"loop in a later pass", keys1To3, PlayMode::Loop, 201 * 3 + 5, 105},
        {"ping-pong reaches the last", keys1To3, PlayMode::PingPong, 201, 301},
        {"ping-pong turns at the last", keys1To3, PlayMode::PingPong, 211, 291},
        {"ping-pong back at the first", keys1To3, PlayMode::PingPong, 402, 100},
        {"ping-pong turns at the first", keys1To3, PlayMode::PingPong, 412, 110},
        {"reverse starts at the last", keys1To3, PlayMode::Reverse, 0, 301},
        {"reverse runs backwards", keys1To3, PlayMode::Reverse, 150, 151},
        {"reverse wraps at the first to the last", keys1To3, PlayMode::Reverse, 201, 301},
        {"one key holds in loop", {200, 200}, PlayMode::Loop, 12345, 200},
        {"one key holds in ping-pong", {200, 200}, PlayMode::PingPong, 12345, 200},
        {"one key holds in reverse", {200, 200}, PlayMode::Reverse, 12345, 200},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(spanMoment(row.span, row.mode, row.played), row.moment);
    }
}

TEST(PlaybackClock, ASpanGoesOnFromTheMomentShown) {
    const PlaySpan keys1To3{100, 301};
    const struct {
        const char* name;
        PlayMode mode;
        int64_t before;  // the reading when the span is set
        int64_t now;     // the program's clock at the next frame, 1000 at the set
        int64_t reading;
    } rows[] = {
        {"loop inside the span goes on", PlayMode::Loop, 150, 1010, 160},
        {"loop outside the span starts at its first", PlayMode::Loop, 50, 1010, 110},
        {"reverse inside the span runs back from it", PlayMode::Reverse, 150, 1010, 140},
        {"reverse outside the span starts at its last", PlayMode::Reverse, 350, 1010, 291},
        {"ping-pong inside goes forward and turns", PlayMode::PingPong, 295, 1010, 297},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        PlaybackClock clock;
        clock.read(1000);
        clock.hold(row.before);
        clock.togglePause();
        clock.setSpan(keys1To3, row.mode);
        EXPECT_EQ(clock.read(row.now), row.reading);
    }
    // Paused, the span leaves the held moment; resuming goes on within it.
    PlaybackClock clock;
    clock.hold(50);
    clock.setSpan(keys1To3, PlayMode::Loop);
    EXPECT_EQ(clock.read(1000), 50);
    clock.togglePause();
    EXPECT_EQ(clock.read(1020), 120);
    // Without a span the reading runs on from the moment shown, unbounded.
    clock.setSpan(std::nullopt, PlayMode::Loop);
    EXPECT_EQ(clock.read(1400), 500);
}
