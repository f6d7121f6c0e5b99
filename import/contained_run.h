#pragma once
// Running work that may crash, hang or allocate without end (the import
// library on files nobody checked) in a child process, under limits on its
// memory and time. The work's result comes back through a pipe as bytes, its
// messages line by line as they are written; whatever becomes of the child,
// the caller gets one sentence saying why there is no result.

#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

namespace velmora {
inline namespace importer {

struct ContainmentLimits {
    // Memory the child may take beyond what it inherits; 0 for no limit. Not
    // applied in builds with AddressSanitizer, whose shadow memory needs far
    // more address space than any such limit allows.
    std::uint64_t memoryBytes = 0;
    // Wall-clock time until the child is killed.
    std::chrono::milliseconds time{std::chrono::minutes(10)};
    // Largest result accepted; the child is killed when it sends more.
    std::uint64_t resultBytes = std::uint64_t{4} << 30;
};

// Half the machine's memory, ten minutes.
ContainmentLimits defaultContainmentLimits();

struct ContainedOutcome {
    // The work returned; result holds what it returned.
    bool finished = false;
    std::string result;
    // Otherwise why not: what the work threw, "ran out of memory", "crashed
    // (Segmentation fault)", "took longer than 600 s", ...
    std::string failure;
};

using ContainedWork = std::function<std::string(std::ostream& messages)>;
using LineHandler = std::function<void(const std::string& line)>;

// work running in a child process of this one, which the caller polls, so that
// a program can go on drawing while it runs. The child ends with the work; it
// never returns into the caller's code. Destroying a run that has not finished
// kills the child.
class ContainedRun {
  public:
    ContainedRun(const ContainedWork& work, const ContainmentLimits& limits);
    ~ContainedRun();
    ContainedRun(const ContainedRun&) = delete;
    ContainedRun& operator=(const ContainedRun&) = delete;

    // Takes what the child has sent within wait: each line it wrote goes to
    // onLine as it comes. True once the run is over (the child ended, failed,
    // or ran out of time); outcome() then holds the result.
    bool poll(std::chrono::milliseconds wait, const LineHandler& onLine);
    const ContainedOutcome& outcome() const { return outcome_; }

  private:
    void finish(bool timedOut, bool tooLarge);

    ContainmentLimits limits_;
    std::chrono::steady_clock::time_point deadline_;
    int pipe_ = -1;
    int child_ = -1;
    bool over_ = false;
    std::string received_;
    ContainedOutcome outcome_;
};

// Runs work in a child process and waits for it. What work writes to its
// stream is passed to onLine line by line, in this process, as it comes.
ContainedOutcome runContained(const ContainedWork& work, const ContainmentLimits& limits,
                              const LineHandler& onLine);

}  // namespace importer
}  // namespace velmora
