#pragma once
// The window title as a frame counter: about once a second it becomes
// kWindowTitle + "  fps: " + the number of frames counted. A period starts at a
// frame and ends at the first frame more than one second later, both counted;
// the frame after that starts the next period. It is a count, not a rate.
// While no frames come (a paced viewer draws nothing while nothing changes),
// tick keeps the title going once a second with the frames since it last
// changed, 0 for a second without any.

#include <cstdint>
#include <string>

#include "app/clock.h"
#include "app/platform.h"

namespace velmora {
inline namespace app {

// kWindowTitle, "  fps: " and frames in plain decimal.
std::string frameRateTitle(int32_t frames);

class FrameRateTitle {
  public:
    FrameRateTitle(WindowTitle& window, const Clock& clock) : window_(window), clock_(clock) {}

    // Counts one frame at the clock's reading; called first in every frame.
    // status, when not empty, follows the count after two blanks (what the
    // viewer is busy with, such as a conversion).
    void update(const std::string& status = "");
    // Called often (several times a second) while no frames are asked for:
    // once more than a second has passed since the last frame and since the
    // period started (or the title was last written, without a period), writes
    // the title as a frame ending the period would, without counting a frame.
    void tick(const std::string& status = "");
    // The number the title shows; 0 until the first period has ended.
    int32_t shownFrames() const { return shownFrames_; }

  private:
    void write(double now, const std::string& status);

    WindowTitle& window_;
    const Clock& clock_;
    int32_t framesCounted_ = 0;
    int32_t shownFrames_ = 0;
    // Seconds; 0.0 while no period has started.
    double periodStart_ = 0.0;
    // Seconds at the last frame and the last title written.
    double lastFrame_ = 0.0;
    double lastWritten_ = 0.0;
};

}  // namespace app
}  // namespace velmora
