#pragma once
// The clock the viewer draws by. While playing it is the program's clock, less
// the time spent paused (nothing until the first pause); while paused it holds
// one whole millisecond, so every frame shows the same picture. A step, a jump
// to the first key or a scrub pauses and holds the moment asked for.
//
// It is told the program's clock at each frame (read) and goes by those
// readings alone: a pause holds the moment the last frame showed, and resuming
// goes on from it.
//
// Its speed is a power of two times the program's clock (1/16 to 16 times,
// 1 until changed): a change of speed goes on from the moment last shown.

#include <cstdint>
#include <optional>

#include "files/model.h"

namespace velmora {
inline namespace app {

// How playback runs through its span: forward and round again, forward and
// back, or backward and round again.
enum class PlayMode { Loop, PingPong, Reverse };
constexpr int kPlayModeCount = 3;

// The moments playback runs over, first to last, both shown; first <= last.
struct PlaySpan {
    int64_t first = 0;
    int64_t last = 0;
};

// The moment shown after played milliseconds (>= 0) of play in mode, which
// starts at the span's first moment (Loop, PingPong) or its last (Reverse).
// Loop and Reverse wrap from one end to the other; PingPong turns at both.
// A span of one moment holds it.
int64_t spanMoment(PlaySpan span, PlayMode mode, int64_t played);
// The play time at which mode shows moment first: 0 for a moment outside the
// span, so that playback starts from the mode's beginning.
int64_t spanPlayed(PlaySpan span, PlayMode mode, int64_t moment);

class PlaybackClock {
  public:
    // The reading for a frame drawn when the program's clock reads now (never
    // less than at the frame before).
    int64_t read(int64_t now);
    // The reading of the last frame, or the moment held.
    int64_t reading() const { return reading_; }
    bool paused() const { return paused_; }

    void togglePause();
    // Pauses, holding the moment shown.
    void pause() { paused_ = true; }
    // The speed as a power of two: 0 for the program's own pace, 1 for twice
    // it, -1 for half; kept within kMinSpeedPower..kMaxSpeedPower.
    static constexpr int kMinSpeedPower = -4;
    static constexpr int kMaxSpeedPower = 4;
    int speedPower() const { return speedPower_; }
    void setSpeedPower(int power);
    // Pauses and holds moment.
    void hold(int64_t moment);
    // While playing, readings run within span in mode (none: on from the
    // reading, unbounded, as before any was set). A change goes on from the
    // moment shown when it lies in the span, else from the mode's beginning.
    // Holding, stepping and scrubbing go by neither.
    void setSpan(std::optional<PlaySpan> span, PlayMode mode);

    // The steps below run for an animation that can be played (isPlayable),
    // at playbackRate as the model holds it.

    // Pauses and holds the start of the next key (direction > 0) or of the one
    // before (direction < 0), round the loop. Back from within a key goes to the
    // key's own start; back from its start, to the key before. A key's start is
    // keyStartMilliseconds: what velmora-render --at shows for it.
    void stepKey(const Animation& animation, int32_t playbackRate, int direction);
    // While paused, a change of the rate from oldRate to newRate keeps the key
    // shown and as much of the blend as the new rate allows; a moment held at a
    // key's start stays at that key's start.
    void keepKey(const Animation& animation, int32_t oldRate, int32_t newRate);
    // Pauses and holds the moment a fraction (0 to 1) of the way through the
    // first pass of the loop, the last whole millisecond of the pass at most.
    void scrub(const Animation& animation, int32_t playbackRate, double fraction);

  private:
    bool paused_ = false;
    int64_t reading_ = 0;
    // The program's clock at the last frame.
    int64_t lastNow_ = 0;
    // While playing, the reading is anchorReading_ plus the program's time
    // since anchorNow_ at the speed.
    int64_t anchorNow_ = 0;
    int64_t anchorReading_ = 0;
    int speedPower_ = 0;
    // While set, the reading is spanMoment of the played time, anchorReading_
    // then holding the played time at anchorNow_.
    std::optional<PlaySpan> span_;
    PlayMode mode_ = PlayMode::Loop;
    // Anchors the running reading at the last frame's clock and reading.
    void anchor();
};

}  // namespace app
}  // namespace velmora
