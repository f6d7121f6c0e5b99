#pragma once
// Where the readers get the bytes of the files they open. The process has one
// installed source: the file system by default, an in-memory table in tests and
// fuzzers.

#include <optional>
#include <string>

class FileSource {
  public:
    virtual ~FileSource() = default;
    // The whole content of the file at path, or nothing when it cannot be opened.
    virtual std::optional<std::string> read(const std::string& path) const = 0;
};

// Largest file the readers open; anything bigger counts as a file that cannot be
// opened, so a hostile name cannot fill memory.
constexpr long long kMaxFileSize = 1ll << 30;

// Reads only regular files of at most kMaxFileSize bytes, so that a name such as
// /dev/zero or a FIFO can neither hang a reader nor fill memory.
class DiskFileSource : public FileSource {
  public:
    std::optional<std::string> read(const std::string& path) const override;
};

const FileSource& fileSource();
// Installs source (not owned) for every later open; nullptr restores the disk.
void installFileSource(const FileSource* source);

// Writes the "Failed to open" report: the name between double quotes, then an
// empty line.
void reportFailedToOpen(const std::string& name);
