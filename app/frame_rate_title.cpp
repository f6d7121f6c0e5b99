#include "app/frame_rate_title.h"

#include "app/viewer.h"

namespace velmora {
inline namespace app {

std::string frameRateTitle(int32_t frames) {
    return std::string(kWindowTitle) + "  fps: " + std::to_string(frames);
}

void FrameRateTitle::update(const std::string& status) {
    const double now = static_cast<double>(clock_.milliseconds()) * 0.001;
    lastFrame_ = now;
    if (periodStart_ == 0.0) {
        periodStart_ = now;
    }
    ++framesCounted_;
    if (now - periodStart_ > 1.0) {
        write(now, status);
    }
}

void FrameRateTitle::tick(const std::string& status) {
    const double now = static_cast<double>(clock_.milliseconds()) * 0.001;
    const double since = periodStart_ != 0.0 ? periodStart_ : lastWritten_;
    if (now - lastFrame_ > 1.0 && now - since > 1.0) {
        write(now, status);
    }
}

void FrameRateTitle::write(double now, const std::string& status) {
    window_.setTitle(frameRateTitle(framesCounted_) + (status.empty() ? "" : "  " + status));
    shownFrames_ = framesCounted_;
    framesCounted_ = 0;
    periodStart_ = 0.0;
    lastWritten_ = now;
}

}  // namespace app
}  // namespace velmora
