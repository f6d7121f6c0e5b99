#include "benchmarks/paired.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

namespace velmora {
inline namespace benchmarks {

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double PairedRounds::medianRatio() const {
    return median(ratios);
}

double PairedRounds::smallestRatio() const {
    return ratios.empty() ? 0 : *std::min_element(ratios.begin(), ratios.end());
}

double PairedRounds::largestRatio() const {
    return ratios.empty() ? 0 : *std::max_element(ratios.begin(), ratios.end());
}

PairedRounds measurePaired(int rounds, const Measure& a, const Measure& b,
                           const std::function<double(double, double)>& ratio) {
    PairedRounds paired;
    std::vector<double> as;
    std::vector<double> bs;
    for (int round = 0; round < rounds; ++round) {
        std::optional<double> first = round % 2 ? b() : a();
        std::optional<double> second = round % 2 ? a() : b();
        if (round % 2) {
            std::swap(first, second);
        }
        if (!first || !second) {
            return PairedRounds();
        }
        as.push_back(*first);
        bs.push_back(*second);
        paired.ratios.push_back(ratio(*first, *second));
    }
    paired.a = median(as);
    paired.b = median(bs);
    return paired;
}

namespace {

double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
}

}  // namespace

double threadCpuSeconds(const std::function<void()>& work, double minimum) {
    const double start = threadSeconds();
    long calls = 0;
    double elapsed = 0;
    do {
        work();
        ++calls;
        elapsed = threadSeconds() - start;
    } while (elapsed < minimum);
    return elapsed / static_cast<double>(calls);
}

std::optional<double> processCpuSeconds(const std::string& program,
                                        const std::vector<std::string>& arguments) {
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        return std::nullopt;
    }
    if (child == 0) {
        const int nothing = open("/dev/null", O_WRONLY);
        dup2(nothing, STDOUT_FILENO);
        dup2(nothing, STDERR_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace benchmarks
}  // namespace velmora
