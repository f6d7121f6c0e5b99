#pragma once
// Where a load gets the bytes of the files it opens: the disk by default, an
// in-memory table in tests and fuzzers. A source is passed to each load; there is
// no process-wide one.

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "files/huge_pages.h"

namespace velmora {
inline namespace files {

// Largest file a reader opens, whatever the budget: a bigger one is refused
// before anything of it is read.
constexpr std::size_t kMaxFileSize = std::size_t{1} << 30;

struct FileRead {
    enum class Status {
        Read,
        // Missing, unreadable, or not a regular file (a folder, FIFO or device).
        CannotOpen,
        // Larger than the limit the caller gave; nothing of it was read.
        TooLarge,
    };
    Status status = Status::CannotOpen;
    // The whole content when Read.
    std::string bytes;
    // The file's size when TooLarge.
    std::size_t size = 0;
};

// A file's content as a load parses it: in pages of its own (see PageBuffer)
// that the file's bytes were read straight into, or in a string.
class FileBytes {
  public:
    FileBytes() = default;
    explicit FileBytes(std::string text) : text_(std::move(text)) {}
    FileBytes(PageBuffer pages, std::size_t size) : pages_(std::move(pages)), size_(size) {}

    std::string_view view() const {
        return pages_.data() ? std::string_view(pages_.data(), size_) : std::string_view(text_);
    }

  private:
    PageBuffer pages_;
    std::size_t size_ = 0;
    std::string text_;
};

// FileRead with the content as FileBytes.
struct FileBytesRead {
    FileRead::Status status = FileRead::Status::CannotOpen;
    FileBytes bytes;
    std::size_t size = 0;
};

class FileSource {
  public:
    virtual ~FileSource() = default;
    // The whole content of the file at path when it holds at most limit bytes.
    virtual FileRead read(const std::string& path, std::size_t limit) const = 0;
    // The same as FileBytes: read's string unless a source has a cheaper way.
    virtual FileBytesRead readBytes(const std::string& path, std::size_t limit) const;
};

// Reads only regular files, so that a name such as /dev/zero or a FIFO can
// neither hang a reader nor fill memory; a file over the limit is refused from
// its size alone, before it is read.
class DiskFileSource : public FileSource {
  public:
    FileRead read(const std::string& path, std::size_t limit) const override;

    // read, passing each piece to onPiece as soon as it is read, while it is
    // still in the processor's cache (to check or hash it on the way).
    FileRead read(const std::string& path, std::size_t limit,
                  const std::function<void(std::string_view piece)>& onPiece) const;

    // Read straight into pages of their own, huge where the kernel grants them:
    // nothing is zeroed or copied on the way, and a large file costs a few page
    // faults rather than one per 4 KiB.
    FileBytesRead readBytes(const std::string& path, std::size_t limit) const override;
};

// Serves files from memory by exact path; any other path cannot be opened. Holds
// what a conversion made before it is loaded, and the files of tests.
class MemoryFileSource : public FileSource {
  public:
    FileRead read(const std::string& path, std::size_t limit) const override;

    std::map<std::string, std::string> files;
};

// The part of path up to and including its last '/', or, when it has none, its
// last '\\'; empty when it has neither.
std::string directoryOf(const std::string& path);

// The path of a file that a model in directory calls name: directory followed
// directly by name, with no separator inserted and nothing normalised; an
// absolute name of a model without a directory gets "." before it, so that it
// stays inside the model's folder as it does behind any directory.
std::string joinToDirectory(const std::string& directory, const std::string& name);

}  // namespace files
}  // namespace velmora
