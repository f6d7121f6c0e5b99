#pragma once
// Writing files so that nothing is ever half written, and nothing is written
// through a link that someone placed where the output goes.
//
// Every file is first written to a fresh temporary file, created exclusively
// (never opening an existing name, never following a link) in the folder of its
// final name, and renamed into place only once all of its bytes are written. A
// set of files is put in place together: either every file of the set replaces
// its namesake, or the folder is left exactly as it was.

#include <string>
#include <string_view>
#include <vector>

namespace velmora {
inline namespace files {

// Makes a write past the process's file-size limit (RLIMIT_FSIZE) fail with
// EFBIG, which the functions below report and clean up after like any other
// failed write, instead of ending the process by SIGXFSZ and leaving its
// temporary file behind. Every program calls it first thing.
void ignoreFileSizeSignal();

// How a write went: true when it succeeded; otherwise problem names the file and
// what the system said when it failed.
struct WriteResult {
    std::string problem;
    // The write was refused because a file was already there (ExistingFiles::Keep).
    bool existed = false;

    explicit operator bool() const { return problem.empty(); }
};

// Writes bytes to path, replacing the file (or link) there, if any, only once
// all of them are written. On failure nothing at path has changed.
WriteResult writeFile(const std::string& path, std::string_view bytes);

// Writes bytes to path only when no file has that name, also when another
// program takes the name meanwhile (the result then says existed).
WriteResult writeNewFile(const std::string& path, std::string_view bytes);

// A file written in pieces through its descriptor (for writers that stream
// and seek, such as a video muxer): a temporary file created as writeFile
// creates one, renamed over path by commit, and removed when the object goes
// without a successful commit.
class StagedFile {
  public:
    explicit StagedFile(const std::string& path);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Why no temporary file could be made; empty when descriptor() is usable.
    const std::string& problem() const { return problem_; }
    // Open for reading and writing, at offset 0; -1 after a problem or commit.
    int descriptor() const { return fd_; }
    // Flushes the bytes to the disk and renames the file into place; after a
    // failure nothing at path has changed (the temporary file goes with the
    // object).
    WriteResult commit();

  private:
    std::string path_;
    std::string name_;
    std::string staged_;
    std::string problem_;
    int dir_ = -1;
    int fd_ = -1;
};

struct FileContent {
    // A file name within the folder (no '/').
    std::string name;
    std::string bytes;
};

enum class ExistingFiles {
    // Any file of the set already in the folder makes the write fail untouched.
    Keep,
    Replace,
};

// Writes every file of files into folder (made, with its parents, when it does
// not exist, and removed again when the write fails), or none: when one file
// cannot be put in place, those already replaced get their previous content back.
WriteResult writeFileSet(const std::string& folder, const std::vector<FileContent>& files,
                         ExistingFiles existing);

}  // namespace files
}  // namespace velmora
