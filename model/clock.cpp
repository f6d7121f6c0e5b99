#include "model/clock.h"

#include <chrono>

namespace {

const auto programStart = std::chrono::steady_clock::now();
std::function<int64_t()> installedSource;

}  // namespace

int64_t elapsedMilliseconds() {
    if (installedSource) {
        return installedSource();
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 programStart)
        .count();
}

void installClock(std::function<int64_t()> source) {
    installedSource = std::move(source);
}
