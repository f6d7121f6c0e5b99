#include "files/safe_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

namespace velmora {
inline namespace files {

namespace fs = std::filesystem;

namespace {

// Attempts at a fresh name before giving up; each collision needs a file of
// that exact random name to exist already.
constexpr int kNameAttempts = 100;

// The system's reason for error, an errno value captured where the call failed
// (before any clean-up could change errno).
std::string reason(int error) {
    return std::strerror(error);
}

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now, reporting the error a deferred write may only show here.
    int closeChecked() {
        const int result = close(fd_);
        fd_ = -1;
        return result;
    }

  private:
    int fd_;
};

// ".<name>.<random><suffix>": hidden, so that folder listings and the viewer's
// file chooser do not offer it while it exists.
// The digits come from a source of this call's own (the kernel's, or a random
// device should it have none to give yet), so that no generator is shared
// between threads.
std::string freshName(const std::string& name, const char* suffix) {
    std::uint64_t value = 0;
    if (getrandom(&value, sizeof value, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof value)) {
        std::random_device device;
        value = std::uint64_t{device()} << 32 | device();
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(value));
    return "." + name + "." + digits + suffix;
}

bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// Writes bytes to a new temporary file in the folder dir (createStaged);
// staged receives its name.
// Creates a new temporary file for name in the folder dir, exclusively and not
// through a link, so that whatever already has that name is never opened:
// its descriptor, or -1 with errno set; staged receives its name.
int createStaged(int dir, const std::string& name, std::string& staged) {
    int fd = -1;
    for (int attempt = 0; attempt < kNameAttempts && fd < 0; ++attempt) {
        staged = freshName(name, ".partial");
        fd = openat(dir, staged.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    return fd;
}

std::string cannotCreate(const std::string& shownPath, int error) {
    return shownPath + ": cannot create a temporary file beside it: " + reason(error);
}

WriteResult stage(int dir, const std::string& shownPath, const std::string& name,
                  std::string_view bytes, std::string& staged) {
    const int fd = createStaged(dir, name, staged);
    if (fd < 0) {
        return {cannotCreate(shownPath, errno)};
    }
    Descriptor file(fd);
    std::size_t written = 0;
    int error = 0;
    while (written < bytes.size() && error == 0) {
        const ssize_t n = write(file.get(), bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno != EINTR) {
            error = errno;
        }
        written += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    // The bytes reach the disk before the name does, so that a crash of the
    // machine leaves the previous file rather than an empty one.
    if (error == 0 && fsync(file.get()) != 0) {
        error = errno;
    }
    if (file.closeChecked() != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        unlinkat(dir, staged.c_str(), 0);
        return {shownPath + ": cannot write: " + reason(error)};
    }
    return {};
}

// A second name for the file at name, so that it can be put back; empty with
// errno set when none could be made.
std::string keepPrevious(int dir, const std::string& name) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string kept = freshName(name, ".previous");
        if (linkat(dir, name.c_str(), dir, kept.c_str(), 0) == 0) {
            return kept;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return {};
}

// The folders of path that do not exist yet, innermost first.
std::vector<fs::path> missingFolders(const std::string& path) {
    std::vector<fs::path> missing;
    std::error_code error;
    for (fs::path p = fs::absolute(path, error).lexically_normal(); !p.empty();
         p = p.parent_path()) {
        struct stat status;
        if (lstat(p.c_str(), &status) == 0 || p == p.parent_path()) {
            break;
        }
        missing.push_back(p);
    }
    return missing;
}

void removeFolders(const std::vector<fs::path>& folders) {
    for (const fs::path& folder : folders) {
        rmdir(folder.c_str());
    }
}

}  // namespace

namespace {

// Stages bytes beside path, then puts the file in place: renamed over whatever
// has the name, or, when existing files are kept, linked to the name, which
// fails rather than replace a file that took it.
WriteResult writeOne(const std::string& path, std::string_view bytes, ExistingFiles existing) {
    const fs::path target(path);
    const std::string name = target.filename().string();
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    if (!isPlainName(name)) {
        return {path + ": cannot write: not a file name"};
    }
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        return {path + ": cannot open its folder: " + reason(errno)};
    }
    Descriptor folderDescriptor(dir);
    std::string staged;
    if (WriteResult result = stage(dir, path, name, bytes, staged); !result) {
        return result;
    }
    const bool placed = existing == ExistingFiles::Replace
                            ? renameat(dir, staged.c_str(), dir, name.c_str()) == 0
                            : linkat(dir, staged.c_str(), dir, name.c_str(), 0) == 0;
    const int error = placed ? 0 : errno;
    // A renamed file has no staged name left; a linked one has two.
    if (!placed || existing == ExistingFiles::Keep) {
        unlinkat(dir, staged.c_str(), 0);
    }
    if (error == EEXIST) {
        return {path + ": already exists", true};
    }
    if (error != 0) {
        return {path + ": cannot put the file in place: " + reason(error)};
    }
    return {};
}

}  // namespace

StagedFile::StagedFile(const std::string& path) : path_(path) {
    const fs::path target(path);
    name_ = target.filename().string();
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    if (!isPlainName(name_)) {
        problem_ = path + ": cannot write: not a file name";
        return;
    }
    dir_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_ < 0) {
        problem_ = path + ": cannot open its folder: " + reason(errno);
        return;
    }
    fd_ = createStaged(dir_, name_, staged_);
    if (fd_ < 0) {
        problem_ = cannotCreate(path, errno);
    }
}

StagedFile::~StagedFile() {
    if (fd_ >= 0) {
        close(fd_);
    }
    if (!staged_.empty() && dir_ >= 0) {
        unlinkat(dir_, staged_.c_str(), 0);
    }
    if (dir_ >= 0) {
        close(dir_);
    }
}

WriteResult StagedFile::commit() {
    if (fd_ < 0) {
        return {problem_};
    }
    int error = fsync(fd_) != 0 ? errno : 0;
    if (close(fd_) != 0 && error == 0) {
        error = errno;
    }
    fd_ = -1;
    if (error != 0) {
        return {path_ + ": cannot write: " + reason(error)};
    }
    if (renameat(dir_, staged_.c_str(), dir_, name_.c_str()) != 0) {
        return {path_ + ": cannot put the file in place: " + reason(errno)};
    }
    staged_.clear();
    return {};
}

void ignoreFileSizeSignal() {
    signal(SIGXFSZ, SIG_IGN);
}

WriteResult writeFile(const std::string& path, std::string_view bytes) {
    return writeOne(path, bytes, ExistingFiles::Replace);
}

WriteResult writeNewFile(const std::string& path, std::string_view bytes) {
    return writeOne(path, bytes, ExistingFiles::Keep);
}

WriteResult writeFileSet(const std::string& folder, const std::vector<FileContent>& files,
                         ExistingFiles existing) {
    const fs::path base(folder);
    for (const FileContent& file : files) {
        if (!isPlainName(file.name)) {
            return {(base / file.name).string() + ": cannot write: not a file name"};
        }
    }
    const std::vector<fs::path> made = missingFolders(folder);
    for (auto p = made.rbegin(); p != made.rend(); ++p) {
        if (mkdir(p->c_str(), 0777) != 0) {
            const int error = errno;
            removeFolders(std::vector<fs::path>(p.base(), made.end()));
            return {folder + ": cannot create the folder: " + reason(error)};
        }
    }
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        const int error = errno;
        removeFolders(made);
        return {folder + ": cannot open the folder: " + reason(error)};
    }
    Descriptor folderDescriptor(dir);
    if (existing == ExistingFiles::Keep) {
        for (const FileContent& file : files) {
            struct stat status;
            if (fstatat(dir, file.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
                return {(base / file.name).string() + ": already exists", true};
            }
        }
    }

    std::vector<std::string> staged(files.size());
    // For each file put in place: the extra name of the file it replaced, or
    // empty when there was none.
    std::vector<std::string> previous;
    // Undoes everything after a failure: the files put in place get their
    // previous content back (or go), and the temporary files go.
    const auto undo = [&]() {
        for (std::size_t i = previous.size(); i-- > 0;) {
            if (previous[i].empty()) {
                unlinkat(dir, files[i].name.c_str(), 0);
            } else {
                renameat(dir, previous[i].c_str(), dir, files[i].name.c_str());
            }
        }
        for (std::size_t i = previous.size(); i < staged.size(); ++i) {
            if (!staged[i].empty()) {
                unlinkat(dir, staged[i].c_str(), 0);
            }
        }
        removeFolders(made);
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string shown = (base / files[i].name).string();
        if (WriteResult result = stage(dir, shown, files[i].name, files[i].bytes, staged[i]);
            !result) {
            staged[i].clear();
            undo();
            return result;
        }
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string shown = (base / files[i].name).string();
        const char* name = files[i].name.c_str();
        struct stat status;
        std::string kept;
        int error = 0;
        if (fstatat(dir, name, &status, AT_SYMLINK_NOFOLLOW) == 0) {
            // A folder cannot be kept by a second name, nor be replaced by a file.
            if (S_ISDIR(status.st_mode)) {
                error = EISDIR;
            } else if ((kept = keepPrevious(dir, files[i].name)).empty()) {
                error = errno;
            }
        } else if (errno != ENOENT) {
            error = errno;
        }
        if (error == 0 && renameat(dir, staged[i].c_str(), dir, name) != 0) {
            error = errno;
            if (!kept.empty()) {
                unlinkat(dir, kept.c_str(), 0);
            }
        }
        if (error != 0) {
            undo();
            return {shown + ": cannot put the file in place: " + reason(error)};
        }
        previous.push_back(kept);
    }
    for (const std::string& kept : previous) {
        if (!kept.empty()) {
            unlinkat(dir, kept.c_str(), 0);
        }
    }
    return {};
}

}  // namespace files
}  // namespace velmora
