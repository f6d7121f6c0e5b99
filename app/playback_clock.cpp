#include "app/playback_clock.h"

#include <algorithm>
#include <cmath>

#include "model/pipeline.h"

namespace velmora {
inline namespace app {

int64_t spanMoment(PlaySpan span, PlayMode mode, int64_t played) {
    const int64_t length = span.last - span.first;
    if (length <= 0) {
        return span.first;
    }
    switch (mode) {
        case PlayMode::Loop:
            return span.first + played % length;
        case PlayMode::Reverse:
            return span.last - played % length;
        case PlayMode::PingPong: {
            const int64_t phase = played % (2 * length);
            return phase <= length ? span.first + phase : span.first + 2 * length - phase;
        }
    }
    return span.first;
}

int64_t spanPlayed(PlaySpan span, PlayMode mode, int64_t moment) {
    if (moment < span.first || moment > span.last) {
        return 0;
    }
    return mode == PlayMode::Reverse ? span.last - moment : moment - span.first;
}

int64_t PlaybackClock::read(int64_t now) {
    lastNow_ = now;
    if (!paused_) {
        const int64_t elapsed = now - anchorNow_;
        // Whole milliseconds, rounded down, so that the reading never goes back.
        const int64_t played =
            anchorReading_ + (speedPower_ >= 0 ? elapsed * (int64_t{1} << speedPower_)
                                               : elapsed / (int64_t{1} << -speedPower_));
        reading_ = span_ ? spanMoment(*span_, mode_, played) : played;
    }
    return reading_;
}

void PlaybackClock::anchor() {
    anchorNow_ = lastNow_;
    anchorReading_ = span_ ? spanPlayed(*span_, mode_, reading_) : reading_;
}

void PlaybackClock::togglePause() {
    if (paused_) {
        // The next frame shows the held moment plus the time since the last frame.
        anchor();
    }
    paused_ = !paused_;
}

void PlaybackClock::setSpeedPower(int power) {
    anchor();
    speedPower_ = std::clamp(power, kMinSpeedPower, kMaxSpeedPower);
}

void PlaybackClock::setSpan(std::optional<PlaySpan> span, PlayMode mode) {
    const bool same = mode == mode_ && span.has_value() == span_.has_value() &&
                      (!span || (span->first == span_->first && span->last == span_->last));
    if (same) {
        return;
    }
    span_ = span;
    mode_ = mode;
    if (!paused_) {
        anchor();
    }
}

void PlaybackClock::hold(int64_t moment) {
    paused_ = true;
    reading_ = moment;
}

void PlaybackClock::stepKey(const Animation& animation, int32_t playbackRate, int direction) {
    const int64_t keys = animation.frameCount;
    const int64_t shown = selectFrames(animation, playbackRate, reading_).currentFrame;
    int64_t key = shown + 1;
    if (direction < 0) {
        const bool atKeyStart =
            reading_ <= 0 || selectFrames(animation, playbackRate, reading_ - 1).currentFrame !=
                                 static_cast<uint32_t>(shown);
        key = atKeyStart ? shown - 1 + keys : shown;
    }
    hold(keyStartMilliseconds(animation, playbackRate, static_cast<uint32_t>(key % keys)));
}

void PlaybackClock::keepKey(const Animation& animation, int32_t oldRate, int32_t newRate) {
    if (!paused_) {
        return;
    }
    const FramePair pair = selectFrames(animation, oldRate, reading_);
    // Rounded down: a moment within the key never moves on to the next one.
    const int64_t moment = static_cast<int64_t>(
        std::floor((pair.currentFrame + pair.frameBlend) * 1000.0 / effectiveRate(newRate)));
    reading_ = selectFrames(animation, newRate, moment).currentFrame == pair.currentFrame
                   ? moment
                   : keyStartMilliseconds(animation, newRate, pair.currentFrame);
}

void PlaybackClock::scrub(const Animation& animation, int32_t playbackRate, double fraction) {
    const double loopMilliseconds = animation.frameCount * 1000.0 / effectiveRate(playbackRate);
    const double moment = std::floor(std::clamp(fraction, 0.0, 1.0) * loopMilliseconds);
    hold(std::min(static_cast<int64_t>(moment),
                  static_cast<int64_t>(std::ceil(loopMilliseconds)) - 1));
}

}  // namespace app
}  // namespace velmora
