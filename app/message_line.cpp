#include "app/message_line.h"

namespace velmora {
inline namespace app {

std::vector<std::string> MessageLine::condensed(const std::vector<std::string>& lines) {
    if (lines.size() <= kMaxLines) {
        return lines;
    }
    return {lines.front(), "and " + std::to_string(lines.size() - 1) + " more (i: overlay)"};
}

void MessageLine::show(const std::vector<std::string>& lines) {
    if (lines.empty()) {
        return;
    }
    lines_ = condensed(lines);
    shownAt_ = clock_.milliseconds();
}

std::vector<std::string> MessageLine::lines() const {
    if (clock_.milliseconds() - shownAt_ >= kShownMilliseconds) {
        return {};
    }
    return lines_;
}

}  // namespace app
}  // namespace velmora
