#include "import/contained_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <new>
#include <streambuf>

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

// Records on the pipe: a kind, the length as 8 bytes (little end first), then
// the bytes.
enum RecordKind : char { kLine = 'L', kResult = 'R', kFailure = 'F' };
constexpr std::size_t kHeaderSize = 9;

// Writes all of bytes to fd; false when the pipe is gone.
bool writeAll(int fd, const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void sendRecord(int fd, RecordKind kind, const std::string& bytes) {
    char header[kHeaderSize] = {kind};
    for (int i = 0; i < 8; ++i) {
        header[1 + i] = static_cast<char>(static_cast<std::uint64_t>(bytes.size()) >> (8 * i));
    }
    writeAll(fd, header, kHeaderSize);
    writeAll(fd, bytes.data(), bytes.size());
}

// Sends what is written to it as one line record per line.
class LineSender : public std::streambuf {
  public:
    explicit LineSender(int fd) : fd_(fd) {}

  protected:
    int_type overflow(int_type c) override {
        if (c == traits_type::eof()) {
            return traits_type::not_eof(c);
        }
        if (c == '\n') {
            sendRecord(fd_, kLine, line_);
            line_.clear();
        } else {
            line_ += static_cast<char>(c);
        }
        return c;
    }

  private:
    int fd_;
    std::string line_;
};

// The address space the process holds now, in bytes.
std::uint64_t addressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

[[noreturn]] void runChild(int fd, const ContainedWork& work, const ContainmentLimits& limits) {
    // Ends with this process should the parent die first, and leaves no core file.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    if (limits.memoryBytes > 0 && !kAddressSanitizer) {
        const rlim_t cap = addressSpaceInUse() + limits.memoryBytes;
        const rlimit memory{cap, cap};
        setrlimit(RLIMIT_AS, &memory);
    }
    LineSender sender(fd);
    std::ostream messages(&sender);
    try {
        const std::string result = work(messages);
        messages.flush();
        sendRecord(fd, kResult, result);
    } catch (const std::bad_alloc&) {
        sendRecord(fd, kFailure, "ran out of memory");
    } catch (const std::exception& error) {
        sendRecord(fd, kFailure, std::string("failed: ") + error.what());
    }
    // Without the parent's exit handlers and buffered output, which belong to it.
    _exit(0);
}

std::string describeEnd(int status) {
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        return signal == SIGKILL ? "was killed (out of memory?)"
                                 : "crashed (" + std::string(strsignal(signal)) + ")";
    }
    return "stopped without a result (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
}

}  // namespace

ContainmentLimits defaultContainmentLimits() {
    ContainmentLimits limits;
    limits.memoryBytes = static_cast<std::uint64_t>(sysconf(_SC_PHYS_PAGES)) *
                         static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)) / 2;
    return limits;
}

ContainedRun::ContainedRun(const ContainedWork& work, const ContainmentLimits& limits)
    : limits_(limits), deadline_(Clock::now() + limits.time) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        outcome_.failure = std::string("cannot start: ") + std::strerror(errno);
        over_ = true;
        return;
    }
    const pid_t child = fork();
    if (child < 0) {
        const int error = errno;
        close(ends[0]);
        close(ends[1]);
        outcome_.failure = std::string("cannot start: ") + std::strerror(error);
        over_ = true;
        return;
    }
    if (child == 0) {
        close(ends[0]);
        runChild(ends[1], work, limits);
    }
    close(ends[1]);
    pipe_ = ends[0];
    child_ = child;
}

ContainedRun::~ContainedRun() {
    if (!over_) {
        kill(child_, SIGKILL);
        finish(false, false);
    }
}

bool ContainedRun::poll(std::chrono::milliseconds wait, const LineHandler& onLine) {
    if (over_) {
        return true;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
    if (left.count() <= 0) {
        finish(true, false);
        return true;
    }
    pollfd wanted{pipe_, POLLIN, 0};
    const int ready = ::poll(&wanted, 1, static_cast<int>(std::min(left, wait).count()));
    bool ended = false;
    if (ready > 0) {
        char chunk[65536];
        const ssize_t n = read(pipe_, chunk, sizeof chunk);
        ended = n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN);
        received_.append(chunk, n > 0 ? static_cast<std::size_t>(n) : 0);
    }
    // Complete records are taken off the front; lines go out at once.
    std::size_t start = 0;
    while (received_.size() - start >= kHeaderSize) {
        std::uint64_t length = 0;
        for (int i = 0; i < 8; ++i) {
            length |= std::uint64_t(static_cast<unsigned char>(received_[start + 1 + i]))
                      << (8 * i);
        }
        if (length > limits_.resultBytes) {
            finish(false, true);
            return true;
        }
        if (received_.size() - start - kHeaderSize < length) {
            break;
        }
        std::string bytes = received_.substr(start + kHeaderSize, length);
        const char kind = received_[start];
        if (kind == kLine) {
            onLine(bytes);
        } else if (kind == kResult) {
            outcome_.finished = true;
            outcome_.result = std::move(bytes);
        } else {
            outcome_.failure = std::move(bytes);
        }
        start += kHeaderSize + length;
    }
    received_.erase(0, start);
    if (ended) {
        finish(false, false);
    }
    return over_;
}

void ContainedRun::finish(bool timedOut, bool tooLarge) {
    over_ = true;
    close(pipe_);
    // The child closes the pipe only by ending; should it have closed it by
    // other means, or still be running, it is ended here.
    int status = 0;
    pid_t waited = 0;
    while ((waited = waitpid(child_, &status, WNOHANG)) == 0 && !timedOut && !tooLarge &&
           Clock::now() < deadline_) {
        ::poll(nullptr, 0, 10);
    }
    if (waited == 0) {
        kill(child_, SIGKILL);
        waitpid(child_, &status, 0);
        timedOut = !tooLarge;
    }
    if (timedOut) {
        outcome_ = {};
        const long long ms = limits_.time.count();
        outcome_.failure = "took longer than " + (ms % 1000 == 0 ? std::to_string(ms / 1000) + " s"
                                                                 : std::to_string(ms) + " ms");
    } else if (tooLarge) {
        outcome_ = {};
        outcome_.failure =
            "sent a result larger than " + std::to_string(limits_.resultBytes >> 20) + " MiB";
    } else if (!outcome_.finished && outcome_.failure.empty()) {
        outcome_.failure = describeEnd(status);
    }
}

ContainedOutcome runContained(const ContainedWork& work, const ContainmentLimits& limits,
                              const LineHandler& onLine) {
    ContainedRun run(work, limits);
    while (!run.poll(std::chrono::hours(1), onLine)) {
    }
    return run.outcome();
}

}  // namespace importer
}  // namespace velmora
