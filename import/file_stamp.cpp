#include "import/file_stamp.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace velmora {
inline namespace importer {

namespace {

constexpr std::uint64_t kMultiplier = 0xff51afd7ed558ccdull;

std::uint64_t word(const char* bytes) {
    std::uint64_t value;
    std::memcpy(&value, bytes, 8);
    return value;
}

std::uint64_t mix(std::uint64_t hash, std::uint64_t word) {
    hash = (hash ^ word) * kMultiplier;
    return hash ^ (hash >> 32);
}

}  // namespace

void Checksum::add(std::string_view bytes) {
    length_ += bytes.size();
    if (pendingSize_ > 0) {
        const std::size_t taken = std::min(bytes.size(), kBlock - pendingSize_);
        std::memcpy(pending_ + pendingSize_, bytes.data(), taken);
        pendingSize_ += taken;
        bytes.remove_prefix(taken);
        if (pendingSize_ < kBlock) {
            return;
        }
        block(pending_);
        pendingSize_ = 0;
    }
    for (; bytes.size() >= kBlock; bytes.remove_prefix(kBlock)) {
        block(bytes.data());
    }
    std::memcpy(pending_, bytes.data(), bytes.size());
    pendingSize_ = bytes.size();
}

std::uint64_t Checksum::value() const {
    std::uint64_t hash = seed_ ^ (length_ * kMultiplier);
    for (const std::uint64_t lane : lanes_) {
        hash = mix(hash, lane);
    }
    std::size_t i = 0;
    for (; i + 8 <= pendingSize_; i += 8) {
        hash = mix(hash, word(pending_ + i));
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, pending_ + i, pendingSize_ - i);
    hash = (hash ^ tail) * kMultiplier;
    return hash ^ (hash >> 29);
}

void Checksum::block(const char* bytes) {
    for (int lane = 0; lane < 4; ++lane) {
        lanes_[lane] = mix(lanes_[lane], word(bytes + 8 * lane));
    }
}

std::uint64_t checksum(std::string_view bytes, std::uint64_t seed) {
    Checksum sum(seed);
    sum.add(bytes);
    return sum.value();
}

std::int64_t modifiedTime(const struct stat& status) {
    return std::int64_t{status.st_mtim.tv_sec} * 1000000000 + status.st_mtim.tv_nsec;
}

std::optional<FileStamp> stampOf(int fd, const std::atomic<bool>* cancelled,
                                 const FileStamp* expected) {
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    FileStamp stamp;
    stamp.size = static_cast<std::uint64_t>(status.st_size);
    stamp.modified = modifiedTime(status);
    if (expected && (stamp.size != expected->size || stamp.modified != expected->modified)) {
        return stamp;
    }
    // Large enough that the system calls cost little next to the reading.
    constexpr std::size_t kPiece = std::size_t{1} << 18;
    const std::unique_ptr<char[]> buffer(new char[kPiece]);
    Checksum sum;
    std::uint64_t read = 0;
    for (;;) {
        if (cancelled && cancelled->load(std::memory_order_relaxed)) {
            return std::nullopt;
        }
        const ssize_t n = ::read(fd, buffer.get(), kPiece);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        sum.add(std::string_view(buffer.get(), static_cast<std::size_t>(n)));
        read += static_cast<std::uint64_t>(n);
    }
    // A file that grew or shrank while it was read is not the one stamped.
    if (read != stamp.size) {
        return std::nullopt;
    }
    stamp.sum = sum.value();
    return stamp;
}

}  // namespace importer
}  // namespace velmora
