#include "import/import_log.h"

#include <algorithm>
#include <cmath>

namespace velmora {
inline namespace importer {

ImportLog::ImportLog(std::ostream& out, Clock::duration progressDelay)
    : out_(out), start_(Clock::now()), progressDelay_(progressDelay) {}

void ImportLog::warn(const std::string& text) {
    warnings_.push_back(text);
    out_ << "velmora-import: warning: " << text << std::endl;
}

void ImportLog::stage(const std::string& name) {
    stage_ = name;
    lastTenth_ = -1;
    if (progressDue()) {
        out_ << "velmora-import: " << stage_ << std::endl;
    }
}

void ImportLog::progress(double fraction) {
    const int tenth = static_cast<int>(std::floor(std::clamp(fraction, 0.0, 1.0) * 10));
    if (tenth == lastTenth_ || !progressDue()) {
        return;
    }
    lastTenth_ = tenth;
    out_ << "velmora-import: " << stage_ << " " << tenth * 10 << "%" << std::endl;
}

bool ImportLog::progressDue() const {
    return Clock::now() - start_ >= progressDelay_;
}

std::string counted(std::size_t count, const std::string& singular, const std::string& plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

}  // namespace importer
}  // namespace velmora
