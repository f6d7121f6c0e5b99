#pragma once
// What tells whether a file a conversion read is still the one it read: its
// size, modification time and a check sum of its content. The confined reader
// stamps every file it hands to the import library; the cache keeps the
// stamps with each entry and compares them with the files before it serves
// the entry, so that only a change to those files converts again.

#include <sys/stat.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {
inline namespace importer {

// The size of a file looked for that was not there: its appearance is a change.
constexpr std::uint64_t kAbsentFile = UINT64_MAX;

struct FileStamp {
    // Relative to the source file's folder, after links; empty for the source
    // file itself.
    std::string name;
    std::uint64_t size = 0;
    // Nanoseconds since the epoch.
    std::int64_t modified = 0;
    std::uint64_t sum = 0;

    bool operator==(const FileStamp& other) const {
        return name == other.name && size == other.size && modified == other.modified &&
               sum == other.sum;
    }
};

// A 64-bit check sum of bytes given in pieces of any length: 32 bytes at a time
// into four independent lanes, so that the processor works on four
// multiplications at once, then the lanes, the rest and the length folded
// together. Fed the pieces of a file as they are read, while they are still in
// the processor's cache, it costs little next to reading the file.
class Checksum {
  public:
    static constexpr std::uint64_t kSeed = 0x9e3779b97f4a7c15ull;

    explicit Checksum(std::uint64_t seed = kSeed)
        : seed_(seed), lanes_{seed, seed ^ 1, seed ^ 2, seed ^ 3} {}

    void add(std::string_view bytes);
    std::uint64_t value() const;

  private:
    static constexpr std::size_t kBlock = 32;

    void block(const char* bytes);

    std::uint64_t seed_;
    std::uint64_t lanes_[4];
    std::uint64_t length_ = 0;
    char pending_[kBlock] = {};
    std::size_t pendingSize_ = 0;
};

std::uint64_t checksum(std::string_view bytes, std::uint64_t seed = Checksum::kSeed);

// A file's modification time in nanoseconds since the epoch.
std::int64_t modifiedTime(const struct stat& status);

// The stamp (without its name) of the regular file open as fd, read from its
// start in pieces through one fixed buffer, so that a file of any size costs
// no memory; nothing when it cannot be read, is not a regular file, or when
// cancelled is set meanwhile. expected, when given, is compared first: a size
// or time that differs ends the stamp before anything is read.
std::optional<FileStamp> stampOf(int fd, const std::atomic<bool>* cancelled = nullptr,
                                 const FileStamp* expected = nullptr);

}  // namespace importer
}  // namespace velmora
