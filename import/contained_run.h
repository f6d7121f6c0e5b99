#pragma once
// Running work that may crash, hang or allocate without end (the import
// library on files nobody checked) in a program of its own, under limits on its
// memory and time. The caller starts the program with posix_spawn, never a
// fork of itself; the program's result comes back through a pipe as bytes, its
// messages line by line as they are written; whatever becomes of it, the
// caller gets one sentence saying why there is no result.
//
// Caller:   ContainedRun run(program, arguments, limits);
//           while (!run.poll(std::chrono::milliseconds(0), onLine)) { draw(); }
// Program:  int main(int argc, char** argv) { return serveContained(argc, argv, work); }

#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace velmora {
inline namespace importer {

struct ContainmentLimits {
    // Memory the program may take beyond what it holds when it starts; 0 for
    // no limit. Not applied in builds with AddressSanitizer, whose shadow
    // memory needs far more address space than any such limit allows.
    std::uint64_t memoryBytes = 0;
    // Wall-clock time until the program is killed.
    std::chrono::milliseconds time{std::chrono::minutes(10)};
    // Largest result accepted; the program is killed when it sends more.
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

using LineHandler = std::function<void(const std::string& line)>;

// The descriptor on which a started program finds the write end of its result
// pipe; it gets no other descriptor but standard error (standard input and
// output are /dev/null).
constexpr int kResultDescriptor = 3;

// A program running under limits, which the caller polls, so that it can go
// on drawing while it runs. Destroying a run that is not over kills the
// program.
class ContainedRun {
  public:
    // Starts the executable program with arguments (after its own name).
    ContainedRun(const std::string& program, const std::vector<std::string>& arguments,
                 const ContainmentLimits& limits);
    ~ContainedRun();
    ContainedRun(const ContainedRun&) = delete;
    ContainedRun& operator=(const ContainedRun&) = delete;

    // Takes what the program has sent within wait: each line it wrote goes to
    // onLine as it comes. True once the run is over (the program ended, failed,
    // closed its result pipe or ran out of time); outcome() then holds the
    // result. Blocks for at most wait.
    bool poll(std::chrono::milliseconds wait, const LineHandler& onLine);
    const ContainedOutcome& outcome() const { return outcome_; }
    // The program's process id while the run is not over.
    int processId() const { return child_; }

  private:
    enum class End { PipeClosed, TimedOut, TooLarge, Abandoned };
    void finish(End end);

    ContainmentLimits limits_;
    std::chrono::steady_clock::time_point deadline_;
    int pipe_ = -1;
    int child_ = -1;
    bool over_ = false;
    std::string received_;
    ContainedOutcome outcome_;
};

// A ContainedRun waited for.
ContainedOutcome runContained(const std::string& program, const std::vector<std::string>& arguments,
                              const ContainmentLimits& limits, const LineHandler& onLine);

// What a started program does: given its arguments (those after its name that
// the caller passed), returns the result bytes; what it writes to messages
// reaches the caller line by line.
using ContainedWork =
    std::function<std::string(const std::vector<std::string>& arguments, std::ostream& messages)>;

// The main of a program that ContainedRun starts: applies the limits its
// command line carries, runs work and sends what it returns, or why it threw,
// through the result pipe, then ends without its exit handlers. A program
// started any other way gets a usage message and status 2.
int serveContained(int argc, char** argv, const ContainedWork& work);

}  // namespace importer
}  // namespace velmora
