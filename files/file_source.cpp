#include "files/file_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace velmora {
inline namespace files {

FileRead DiskFileSource::read(const std::string& path, std::size_t limit) const {
    return read(path, limit, nullptr);
}

FileRead DiskFileSource::read(const std::string& path, std::size_t limit,
                              const std::function<void(std::string_view piece)>& onPiece) const {
    FileRead result;
    // O_NONBLOCK keeps open() from waiting on a FIFO with no writer; the type
    // check below then refuses it.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        return result;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return result;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    if (size > std::min(limit, kMaxFileSize)) {
        ::close(descriptor);
        result.status = FileRead::Status::TooLarge;
        result.size = size;
        return result;
    }
    // Grown a piece at a time, so that the zeros resize writes are still in the
    // cache when read overwrites them.
    constexpr std::size_t kPiece = std::size_t{1} << 16;
    std::string& bytes = result.bytes;
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
        if (onPiece) {
            onPiece(std::string_view(bytes).substr(filled));
        }
    }
    ::close(descriptor);
    if (ok) {
        result.status = FileRead::Status::Read;
    } else {
        result.bytes = std::string();
    }
    return result;
}

FileRead MemoryFileSource::read(const std::string& path, std::size_t limit) const {
    FileRead file;
    const auto found = files.find(path);
    if (found == files.end()) {
        return file;
    }
    if (found->second.size() > limit) {
        file.status = FileRead::Status::TooLarge;
        file.size = found->second.size();
        return file;
    }
    file.status = FileRead::Status::Read;
    file.bytes = found->second;
    return file;
}

std::string directoryOf(const std::string& path) {
    std::size_t separator = path.rfind('/');
    if (separator == std::string::npos) {
        separator = path.rfind('\\');
    }
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string joinToDirectory(const std::string& directory, const std::string& name) {
    // Joined as given, "dir/" + "/x" names dir//x, inside the folder; so that an
    // absolute name means the same when the model was named without a folder,
    // it is then taken from the working directory, the model's folder, too.
    if (directory.empty() && !name.empty() && name[0] == '/') {
        return "." + name;
    }
    return directory + name;
}

}  // namespace files
}  // namespace velmora
