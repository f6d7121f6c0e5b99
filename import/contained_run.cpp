#include "import/contained_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <new>
#include <streambuf>

#include "command_line/values.h"
#include "files/byte_codec.h"

extern char** environ;

namespace velmora {
inline namespace importer {

namespace {

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_ADDRESS_SANITIZER
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(VELMORA_ADDRESS_SANITIZER)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

using Clock = std::chrono::steady_clock;

// Records on the pipe: a kind, then the bytes as a field (files/byte_codec.h).
enum RecordKind : char { kLine = 'L', kResult = 'R', kFailure = 'F' };

// The first argument of a started program: its memory limit in bytes.
constexpr std::string_view kMemoryOption = "--memory-limit=";

// Writes all of bytes to fd; false when the pipe is gone.
bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void sendRecord(RecordKind kind, const std::string& bytes) {
    std::string record(1, kind);
    putField(record, bytes);
    writeAll(kResultDescriptor, record);
}

// Sends what is written to it as one line record per line.
class LineSender : public std::streambuf {
  protected:
    int_type overflow(int_type c) override {
        if (c == traits_type::eof()) {
            return traits_type::not_eof(c);
        }
        if (c == '\n') {
            sendRecord(kLine, line_);
            line_.clear();
        } else {
            line_ += static_cast<char>(c);
        }
        return c;
    }

  private:
    std::string line_;
};

// The address space the process holds now, in bytes.
std::uint64_t addressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

std::string describeEnd(int status) {
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        return signal == SIGKILL ? "was killed (out of memory?)"
                                 : "crashed (" + std::string(strsignal(signal)) + ")";
    }
    return "stopped without a result (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
}

// Starts program with argv and the write end of a result pipe as
// kResultDescriptor; the child's process id, or -1 with errno set.
pid_t spawn(const std::string& program, const std::vector<char*>& argv, int resultWriter) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, resultWriter, kResultDescriptor);
    // Whatever the caller blocks or ignores (a GUI toolkit may), the program
    // starts with every signal at its default.
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t child = -1;
    const int error =
        posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    errno = error;
    return error == 0 ? child : -1;
}

}  // namespace

ContainmentLimits defaultContainmentLimits() {
    ContainmentLimits limits;
    limits.memoryBytes = static_cast<std::uint64_t>(sysconf(_SC_PHYS_PAGES)) *
                         static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)) / 2;
    return limits;
}

ContainedRun::ContainedRun(const std::string& program, const std::vector<std::string>& arguments,
                           const ContainmentLimits& limits)
    : limits_(limits), deadline_(Clock::now() + limits.time) {
    std::vector<std::string> words{program,
                                   std::string(kMemoryOption) + std::to_string(limits.memoryBytes)};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    // Both ends close on exec; the writer is moved above kResultDescriptor, so
    // that the child's copy made there is always a new descriptor, which
    // stays open across the exec.
    int ends[2];
    int writer = -1;
    if (pipe2(ends, O_CLOEXEC) == 0) {
        writer = fcntl(ends[1], F_DUPFD_CLOEXEC, kResultDescriptor + 1);
        close(ends[1]);
    }
    const pid_t child = writer < 0 ? -1 : spawn(program, argv, writer);
    const int error = errno;
    if (writer >= 0) {
        close(writer);
    }
    if (child < 0) {
        if (writer >= 0) {
            close(ends[0]);
        }
        outcome_.failure = "could not be started (" + program + ": " + std::strerror(error) + ")";
        over_ = true;
        return;
    }
    pipe_ = ends[0];
    child_ = child;
}

ContainedRun::~ContainedRun() {
    if (!over_) {
        finish(End::Abandoned);
    }
}

bool ContainedRun::poll(std::chrono::milliseconds wait, const LineHandler& onLine) {
    if (over_) {
        return true;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
    if (left.count() <= 0) {
        finish(End::TimedOut);
        return true;
    }
    pollfd wanted{pipe_, POLLIN, 0};
    const int ready = ::poll(&wanted, 1, static_cast<int>(std::min(left, wait).count()));
    bool closed = false;
    if (ready > 0) {
        char chunk[65536];
        const ssize_t n = read(pipe_, chunk, sizeof chunk);
        closed = n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN);
        received_.append(chunk, n > 0 ? static_cast<std::size_t>(n) : 0);
    }
    // Complete records are taken off the front; lines go out at once.
    ByteReader reader(received_);
    std::size_t taken = 0;
    char kind = 0;
    std::uint64_t length = 0;
    while (reader.byte(kind) && reader.number(length)) {
        std::string bytes;
        if (length > limits_.resultBytes) {
            finish(End::TooLarge);
            return true;
        }
        if (!reader.bytes(length, bytes)) {
            break;
        }
        taken = reader.position();
        if (kind == kLine) {
            onLine(bytes);
        } else if (kind == kResult) {
            outcome_.finished = true;
            outcome_.result = std::move(bytes);
        } else {
            outcome_.failure = std::move(bytes);
        }
    }
    received_.erase(0, taken);
    if (closed) {
        finish(End::PipeClosed);
    }
    return over_;
}

void ContainedRun::finish(End end) {
    over_ = true;
    close(pipe_);
    // A program that closed its pipe by ending is reaped; any other, one that
    // closed its pipe while it runs, overran or is abandoned, is ended now:
    // nothing here waits for it to choose to end.
    int status = 0;
    const bool ended = end == End::PipeClosed && waitpid(child_, &status, WNOHANG) == child_;
    if (!ended) {
        kill(child_, SIGKILL);
        while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (end == End::TimedOut) {
        outcome_ = {};
        const long long ms = limits_.time.count();
        outcome_.failure = "took longer than " + (ms % 1000 == 0 ? std::to_string(ms / 1000) + " s"
                                                                 : std::to_string(ms) + " ms");
    } else if (end == End::TooLarge) {
        outcome_ = {};
        outcome_.failure =
            "sent a result larger than " + std::to_string(limits_.resultBytes >> 20) + " MiB";
    } else if (!outcome_.finished && outcome_.failure.empty()) {
        // Killed here after its pipe closed: a fatal signal of its own that
        // was under way (a crash) still shows in the status.
        outcome_.failure = !ended && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL
                               ? "closed its result pipe without a result"
                               : describeEnd(status);
    }
}

ContainedOutcome runContained(const std::string& program, const std::vector<std::string>& arguments,
                              const ContainmentLimits& limits, const LineHandler& onLine) {
    ContainedRun run(program, arguments, limits);
    while (!run.poll(std::chrono::hours(1), onLine)) {
    }
    return run.outcome();
}

int serveContained(int argc, char** argv, const ContainedWork& work) {
    std::optional<int64_t> memoryBytes;
    const std::string first = argc > 1 ? argv[1] : "";
    if (first.rfind(kMemoryOption, 0) == 0) {
        memoryBytes = Arguments::wholeNumber(first.substr(kMemoryOption.size()), 0);
    }
    if (!memoryBytes || fcntl(kResultDescriptor, F_GETFD) < 0) {
        std::cerr << (argc > 0 ? argv[0] : "this program")
                  << ": runs only when a Velmora program starts it" << std::endl;
        return 2;
    }
    // Ends with the caller should the caller die first, holds no descriptor
    // but its own three and the result pipe, and leaves no core file.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    close_range(kResultDescriptor + 1, ~0U, 0);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    if (*memoryBytes > 0 && !kAddressSanitizer) {
        const rlim_t cap = addressSpaceInUse() + static_cast<rlim_t>(*memoryBytes);
        const rlimit memory{cap, cap};
        setrlimit(RLIMIT_AS, &memory);
    }
    LineSender sender;
    std::ostream messages(&sender);
    try {
        const std::string result = work(std::vector<std::string>(argv + 2, argv + argc), messages);
        messages.flush();
        sendRecord(kResult, result);
    } catch (const std::bad_alloc&) {
        sendRecord(kFailure, "ran out of memory");
    } catch (const std::exception& error) {
        sendRecord(kFailure, std::string("failed: ") + error.what());
    }
    // Without exit handlers: the result is sent, and the leak check of a
    // sanitizer build would look at a process cut short by its limits.
    _exit(0);
}

}  // namespace importer
}  // namespace velmora
