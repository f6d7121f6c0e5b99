#pragma once
// The message line: what went wrong opening a file (it could not be opened or
// read, or its conversion warned), a line or two along the bottom of the
// window, shown for a few seconds or until the next key. Standard error says
// the same; the overlay lists the current model's problems for as long as it
// is shown.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/clock.h"

namespace velmora {
inline namespace app {

class MessageLine {
  public:
    static constexpr int64_t kShownMilliseconds = 6000;
    static constexpr std::size_t kMaxLines = 2;

    explicit MessageLine(const Clock& clock) : clock_(clock) {}

    // lines, or with more than kMaxLines, the first and a count of the others.
    static std::vector<std::string> condensed(const std::vector<std::string>& lines);

    // Shows lines, condensed, from now on, in place of what was shown; nothing
    // for no lines.
    void show(const std::vector<std::string>& lines);
    // Takes the lines down before their time.
    void dismiss() { lines_.clear(); }
    // What to draw now: nothing once kShownMilliseconds have passed.
    std::vector<std::string> lines() const;

  private:
    const Clock& clock_;
    std::vector<std::string> lines_;
    int64_t shownAt_ = 0;
};

}  // namespace app
}  // namespace velmora
