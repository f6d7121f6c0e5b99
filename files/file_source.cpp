#include "files/file_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

namespace velmora {
inline namespace files {

namespace {

// The file at path opened for reading when it is a regular file of at most
// limit bytes; closed when this goes.
class OpenFile {
  public:
    OpenFile(const std::string& path, std::size_t limit) {
        // O_NONBLOCK keeps open() from waiting on a FIFO with no writer; the
        // type check below then refuses it.
        descriptor_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        struct stat status {};
        if (descriptor_ < 0 || ::fstat(descriptor_, &status) != 0 || !S_ISREG(status.st_mode)) {
            return;
        }
        size = static_cast<std::size_t>(status.st_size);
        this->status = size > std::min(limit, kMaxFileSize) ? FileRead::Status::TooLarge
                                                            : FileRead::Status::Read;
    }
    ~OpenFile() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    // Read when the file may be read; then size is its size at opening.
    FileRead::Status status = FileRead::Status::CannotOpen;
    std::size_t size = 0;

    // Up to count bytes into target from where the last read ended: how many
    // (0 at the end of the file), or -1 when reading fails.
    ssize_t read(char* target, std::size_t count) const {
        return ::read(descriptor_, target, count);
    }

  private:
    int descriptor_ = -1;
};

}  // namespace

FileRead DiskFileSource::read(const std::string& path, std::size_t limit) const {
    return read(path, limit, nullptr);
}

FileRead DiskFileSource::read(const std::string& path, std::size_t limit,
                              const std::function<void(std::string_view piece)>& onPiece) const {
    FileRead result;
    const OpenFile file(path, limit);
    result.status = file.status;
    if (file.status != FileRead::Status::Read) {
        result.size = file.size;
        return result;
    }
    // Each piece is read into one reused buffer, still in the cache when it is
    // appended (and passed on): the string is written once, never zeroed first.
    constexpr std::size_t kPiece = std::size_t{1} << 16;
    const std::unique_ptr<char[]> piece(new char[kPiece]);
    std::string& bytes = result.bytes;
    bytes.reserve(file.size);
    while (bytes.size() < file.size) {
        const ssize_t got = file.read(piece.get(), std::min(kPiece, file.size - bytes.size()));
        if (got < 0) {
            return FileRead();
        }
        if (got == 0) {
            break;
        }
        bytes.append(piece.get(), static_cast<std::size_t>(got));
        if (onPiece) {
            onPiece(std::string_view(piece.get(), static_cast<std::size_t>(got)));
        }
    }
    return result;
}

FileBytesRead DiskFileSource::readBytes(const std::string& path, std::size_t limit) const {
    FileBytesRead result;
    const OpenFile file(path, limit);
    result.status = file.status;
    if (file.status != FileRead::Status::Read) {
        result.size = file.size;
        return result;
    }
    PageBuffer pages(file.size);
    std::size_t filled = 0;
    while (filled < file.size) {
        const ssize_t got = file.read(pages.data() + filled, file.size - filled);
        if (got < 0) {
            return FileBytesRead();
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    result.bytes = FileBytes(std::move(pages), filled);
    return result;
}

FileBytesRead FileSource::readBytes(const std::string& path, std::size_t limit) const {
    FileRead file = read(path, limit);
    FileBytesRead result;
    result.status = file.status;
    result.size = file.size;
    result.bytes = FileBytes(std::move(file.bytes));
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
