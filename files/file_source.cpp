#include "files/file_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>

namespace {

const FileSource* installedSource = nullptr;

}  // namespace

std::optional<std::string> DiskFileSource::read(const std::string& path) const {
    // O_NONBLOCK keeps open() from waiting on a FIFO with no writer; the type
    // check below then refuses it.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        return std::nullopt;
    }
    std::optional<std::string> content;
    struct stat status {};
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) &&
        status.st_size <= kMaxFileSize) {
        // Grown a piece at a time, so that the zeros resize writes are still in
        // the cache when read overwrites them.
        constexpr std::size_t kPiece = std::size_t{1} << 16;
        const auto size = static_cast<std::size_t>(status.st_size);
        std::string bytes;
        bytes.reserve(size);
        bool ok = true;
        while (bytes.size() < size) {
            const std::size_t filled = bytes.size();
            bytes.resize(std::min(size, filled + kPiece));
            const ssize_t got = ::read(descriptor, bytes.data() + filled, bytes.size() - filled);
            if (got <= 0) {
                ok = got == 0;
                bytes.resize(filled);
                break;
            }
            bytes.resize(filled + static_cast<std::size_t>(got));
        }
        if (ok) {
            content = std::move(bytes);
        }
    }
    ::close(descriptor);
    return content;
}

const FileSource& fileSource() {
    static const DiskFileSource disk;
    return installedSource ? *installedSource : disk;
}

void installFileSource(const FileSource* source) {
    installedSource = source;
}

void reportFailedToOpen(const std::string& name) {
    std::cerr << "Failed to open \"" << name << "\"\n" << std::endl;
}
