#pragma once
// Ratios measured in pairs: both sides in the same round, one after the other,
// the one that goes first alternating from round to round, and the ratio
// judged on the median of the rounds' ratios, so that a busy spell of the
// machine falls on both sides of a round alike. Also the two clocks they are
// measured by: CPU time of the calling thread, and CPU time of a fresh process.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora {
inline namespace benchmarks {

// A measurement in seconds; nothing when it failed.
using Measure = std::function<std::optional<double>()>;

struct PairedRounds {
    // Per round, what ratio(a, b) gave; empty when any measurement failed.
    std::vector<double> ratios;
    // The medians of each side's measurements.
    double a = 0;
    double b = 0;

    bool failed() const { return ratios.empty(); }
    double medianRatio() const;
    double smallestRatio() const;
    double largestRatio() const;
};

// rounds rounds of a and b; the round's ratio is ratio(a's seconds, b's).
PairedRounds measurePaired(int rounds, const Measure& a, const Measure& b,
                           const std::function<double(double, double)>& ratio);

// CPU time of the calling thread per call of work, called as often as it takes
// to fill at least minimum seconds.
double threadCpuSeconds(const std::function<void()>& work, double minimum);

// CPU time (user and system) of a fresh process running program with
// arguments, its output thrown away; nothing when it cannot be started or does
// not exit with status 0.
std::optional<double> processCpuSeconds(const std::string& program,
                                        const std::vector<std::string>& arguments);

double median(std::vector<double> values);

}  // namespace benchmarks
}  // namespace velmora
