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
