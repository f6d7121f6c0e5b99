#include "import/confined_files.h"

#include <assimp/MemoryIOWrapper.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace velmora {
inline namespace importer {

namespace {

const char* const kMissing = "missing";

struct OwnedBytes {
    std::string bytes;
};

// A stream over bytes it owns (the base class is made first, so the bytes exist
// before the stream points at them).
class OwnedMemoryStream : private OwnedBytes, public Assimp::MemoryIOStream {
  public:
    explicit OwnedMemoryStream(std::string content)
        : OwnedBytes{std::move(content)},
          MemoryIOStream(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) {}
};

// path with every link followed, or empty when it does not exist.
std::string realPath(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? resolved : "";
}

}  // namespace

ConfinedFiles::ConfinedFiles(const std::string& inputPath, ImportLog& log, std::uint64_t budget)
    : log_(log), remaining_(budget) {
    const std::filesystem::path parent = std::filesystem::path(inputPath).parent_path();
    folder_ = realPath(parent.empty() ? "." : parent.string());
    input_ = realPath(inputPath);
}

std::string ConfinedFiles::refusal(const std::string& path, std::string& real) const {
    real = realPath(path);
    struct stat status;
    if (real.empty() || stat(real.c_str(), &status) != 0) {
        return kMissing;
    }
    const bool inside = real == input_ || (!folder_.empty() && real.size() > folder_.size() &&
                                           real.compare(0, folder_.size(), folder_) == 0 &&
                                           (folder_ == "/" || real[folder_.size()] == '/'));
    if (!inside) {
        return "it lies outside the folder of the file being imported";
    }
    if (!S_ISREG(status.st_mode)) {
        return "it is not a regular file";
    }
    if (static_cast<std::uint64_t>(status.st_size) > remaining_) {
        return "it would take the files read beyond " + std::to_string(kImportReadBudget >> 20) +
               " MiB";
    }
    return {};
}

bool ConfinedFiles::refused(const std::string& path, const std::string& real,
                            const std::string& why) {
    // Once per file, however the library spells its name.
    if (why != kMissing && warned_.insert(real.empty() ? path : real).second) {
        log_.warn("the file \"" + path + "\" that the model refers to is not read: " + why);
    }
    return false;
}

bool ConfinedFiles::allows(const std::string& path) {
    std::string real;
    const std::string why = refusal(path, real);
    return why.empty() || refused(path, real, why);
}

std::optional<std::string> ConfinedFiles::read(const std::string& path) {
    std::string real;
    std::string why = refusal(path, real);
    std::string content;
    if (why.empty()) {
        // Not blocking: should a FIFO take the file's place after the check, the
        // open neither waits for a writer nor is read.
        const int fd = open(real.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        struct stat status;
        if (fd < 0 || fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
            static_cast<std::uint64_t>(status.st_size) > remaining_) {
            why = fd < 0 ? std::strerror(errno) : "it changed while it was read";
        } else {
            content.resize(static_cast<std::size_t>(status.st_size));
            std::size_t done = 0;
            for (ssize_t n = 1; done < content.size() && n > 0; done += n > 0 ? n : 0) {
                n = ::read(fd, content.data() + done, content.size() - done);
                if (n < 0 && errno == EINTR) {
                    n = 0;
                }
            }
            content.resize(done);
            remaining_ -= done;
            FileStamp& stamp = stamps_[real];
            stamp.name = real == input_ ? "" : real.substr(folder_ == "/" ? 1 : folder_.size() + 1);
            stamp.size = static_cast<std::uint64_t>(status.st_size);
            stamp.modified = modifiedTime(status);
            stamp.sum = checksum(content);
        }
        if (fd >= 0) {
            close(fd);
        }
    }
    if (!why.empty()) {
        refused(path, real, why);
        return std::nullopt;
    }
    return content;
}

std::optional<std::string> ConfinedFiles::readIfThere(const std::string& path) {
    std::string real;
    if (refusal(path, real) == kMissing) {
        const std::string name = std::filesystem::path(path).filename().string();
        stamps_[folder_ + "/" + name] = {name, kAbsentFile, 0, 0};
        return std::nullopt;
    }
    return read(path);
}

std::vector<FileStamp> ConfinedFiles::stamps() const {
    std::vector<FileStamp> stamps;
    for (const auto& [real, stamp] : stamps_) {
        stamps.push_back(stamp);
    }
    return stamps;
}

bool ConfinedIOSystem::Exists(const char* path) const {
    return files_.allows(path);
}

Assimp::IOStream* ConfinedIOSystem::Open(const char* path, const char* mode) {
    if (std::strchr(mode, 'w') || std::strchr(mode, 'a')) {
        return nullptr;
    }
    std::optional<std::string> content = files_.read(path);
    return content ? new OwnedMemoryStream(std::move(*content)) : nullptr;
}

void ConfinedIOSystem::Close(Assimp::IOStream* stream) {
    delete stream;
}

}  // namespace importer
}  // namespace velmora
