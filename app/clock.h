#pragma once
// The one time source of the viewer, read only by the shell: milliseconds since
// the program started, as a 64-bit count so that a viewer left running for weeks
// keeps counting. The frame-rate title and the playback clock read it; tests
// give a fake.

#include <chrono>
#include <cstdint>

namespace velmora {
inline namespace app {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual int64_t milliseconds() const = 0;
};

// The monotonic wall clock, counted from the object's creation.
class MonotonicClock : public Clock {
  public:
    int64_t milliseconds() const override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start_)
            .count();
    }

  private:
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace app
}  // namespace velmora
