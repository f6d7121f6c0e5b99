#pragma once
// What velmora-import tells the user while it works: warnings that count what
// was approximated, and progress (stage and percentage) once the work has taken
// longer than a second, so that short conversions stay quiet.

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

namespace velmora {
inline namespace importer {

class ImportLog {
  public:
    using Clock = std::chrono::steady_clock;

    // Messages go to out; progress only once progressDelay has passed since
    // construction.
    explicit ImportLog(std::ostream& out, Clock::duration progressDelay = std::chrono::seconds(1));

    void warn(const std::string& text);
    const std::vector<std::string>& warnings() const { return warnings_; }

    // Starts a stage of the work ("reading", "sampling animations", ...).
    void stage(const std::string& name);
    // How far the current stage has come, 0 to 1; printed in steps of 10 %.
    void progress(double fraction);

  private:
    bool progressDue() const;

    std::ostream& out_;
    Clock::time_point start_;
    Clock::duration progressDelay_;
    std::vector<std::string> warnings_;
    std::string stage_;
    int lastTenth_ = -1;
};

// "1 vertex" or "3 vertices": a count with its noun in the right number.
std::string counted(std::size_t count, const std::string& singular, const std::string& plural);

}  // namespace importer
}  // namespace velmora
