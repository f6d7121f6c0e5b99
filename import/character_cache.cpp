#include "import/character_cache.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <random>
#include <sstream>
#include <utility>
#include <vector>

#include "files/file_source.h"
#include "import/clip_files.h"

namespace velmora {
inline namespace importer {

namespace fs = std::filesystem;

namespace {

// Changes whenever the conversion's output for the same input, or the form of
// an entry, may change, so that entries of an older conversion are not used.
constexpr std::string_view kConversionVersion = "velmora-conversion-6";
constexpr const char* kManifest = "manifest";

// Bounds on what a manifest may say, far above what a conversion makes.
constexpr std::size_t kMaxManifestBytes = std::size_t{1} << 20;
constexpr std::size_t kMaxEntryFiles = 64;
constexpr std::size_t kMaxReadFiles = 4096;
constexpr std::size_t kMaxNameBytes = 255;
constexpr std::size_t kMaxRelativeNameBytes = 4096;

class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

  private:
    int fd_;
};

std::string hex(std::uint64_t value) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4) {
        text[static_cast<std::size_t>(i)] = kDigits[value & 15];
    }
    return text;
}

// A file name within an entry: no folder, no way out of it.
bool isPlainName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxNameBytes && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\n\0", 3)) == std::string_view::npos;
}

// A path below the source's folder: relative, each part a plain name.
bool isRelativeName(std::string_view name) {
    if (name.empty() || name.size() > kMaxRelativeNameBytes || name.front() == '/') {
        return false;
    }
    for (std::size_t start = 0; start <= name.size();) {
        const std::size_t end = std::min(name.find('/', start), name.size());
        if (!isPlainName(name.substr(start, end - start))) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

// Whether fd is open on a folder (folder true) or regular file of this user.
bool isOwn(int fd, bool folder, struct stat& status) {
    return fstat(fd, &status) == 0 && status.st_uid == geteuid() &&
           (folder ? S_ISDIR(status.st_mode) : S_ISREG(status.st_mode));
}

// The user's own folder name inside dir, not through a link.
Descriptor openFolderAt(int dir, const char* name) {
    Descriptor folder(openat(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status;
    return folder && isOwn(folder.get(), true, status) ? std::move(folder) : Descriptor();
}

// The whole content of name in the entry dir, when it is the user's own regular
// file of exactly size bytes (at most, when atMost); its size is checked before
// anything is read.
std::optional<std::string> readEntryFile(int dir, const char* name, std::uint64_t size,
                                         bool atMost = false) {
    const Descriptor file(openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat status;
    if (!file || !isOwn(file.get(), false, status) ||
        (atMost ? static_cast<std::uint64_t>(status.st_size) > size
                : static_cast<std::uint64_t>(status.st_size) != size)) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(status.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(file.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return std::nullopt;
        }
        done += static_cast<std::size_t>(n);
    }
    return bytes;
}

// The names in dir other than "." and "..".
std::vector<std::string> namesIn(int dir) {
    std::vector<std::string> names;
    const int listed = dup(dir);
    DIR* listing = listed >= 0 ? fdopendir(listed) : nullptr;
    if (!listing) {
        if (listed >= 0) {
            close(listed);
        }
        return names;
    }
    while (const dirent* item = readdir(listing)) {
        if (std::strcmp(item->d_name, ".") != 0 && std::strcmp(item->d_name, "..") != 0) {
            names.push_back(item->d_name);
        }
    }
    closedir(listing);
    return names;
}

// Removes name from dir without following a link: a link or file goes; a
// folder goes with what it holds, a few levels deep (an entry holds only
// files). What is not the user's may stay.
void removeAt(int dir, const std::string& name, int depth = 4) {
    struct stat status;
    if (fstatat(dir, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        return;
    }
    if (!S_ISDIR(status.st_mode)) {
        unlinkat(dir, name.c_str(), 0);
        return;
    }
    if (depth > 0) {
        const Descriptor folder(
            openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (folder) {
            for (const std::string& item : namesIn(folder.get())) {
                removeAt(folder.get(), item, depth - 1);
            }
        }
    }
    unlinkat(dir, name.c_str(), AT_REMOVEDIR);
}

template <typename Number>
bool parse(std::string_view text, Number& number, int base = 10) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number, base);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// The first field of line up to a space, removed from it.
std::string_view field(std::string_view& line) {
    const std::size_t space = std::min(line.find(' '), line.size());
    const std::string_view taken = line.substr(0, space);
    line.remove_prefix(std::min(space + 1, line.size()));
    return taken;
}

bool parseSum(std::string_view text, std::uint64_t& sum) {
    return text.size() == 16 && parse(text, sum, 16);
}

// The manifest: the version, the model file's name, the animation count, then a
// line per file of the entry and per file the conversion read:
//   velmora-conversion-6
//   model <name>
//   animations <count>
//   file <size> <sum> <name>
//   source <size> <time> <sum>
//   read <size> <time> <sum> <name below the source's folder>
// Empty when a name cannot be written in it.
std::string manifestOf(const ConvertedCharacter& character) {
    std::ostringstream out;
    out << kConversionVersion << "\nmodel " << character.modelFile << "\nanimations "
        << character.animationCount << '\n';
    for (const FileContent& file : character.files) {
        if (!isPlainName(file.name) || file.name == kManifest) {
            return {};
        }
        out << "file " << file.bytes.size() << ' ' << hex(checksum(file.bytes)) << ' ' << file.name
            << '\n';
    }
    for (const FileStamp& stamp : character.readFiles) {
        if (!stamp.name.empty() && !isRelativeName(stamp.name)) {
            return {};
        }
        out << (stamp.name.empty() ? "source " : "read ") << stamp.size << ' ' << stamp.modified
            << ' ' << hex(stamp.sum) << (stamp.name.empty() ? "" : " " + stamp.name) << '\n';
    }
    const bool fits = isPlainName(character.modelFile) &&
                      character.files.size() <= kMaxEntryFiles &&
                      character.readFiles.size() <= kMaxReadFiles;
    return fits ? out.str() : std::string();
}

// What a manifest says, before any file it names is opened.
struct Manifest {
    ConvertedCharacter character;
    // The entry's files: their names, sizes and sums.
    std::vector<FileStamp> files;
};

std::optional<Manifest> parseManifest(std::string_view text) {
    Manifest manifest;
    ConvertedCharacter& character = manifest.character;
    std::size_t lineNumber = 0;
    bool ok = true;
    while (ok && !text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (lineNumber++ == 0) {
            ok = line == kConversionVersion;
            continue;
        }
        const std::string_view kind = field(line);
        if (kind == "model" && lineNumber == 2) {
            character.modelFile = std::string(line);
            ok = isPlainName(line);
        } else if (kind == "animations" && lineNumber == 3) {
            ok = parse(line, character.animationCount);
        } else if (kind == "file" && manifest.files.size() < kMaxEntryFiles) {
            FileStamp& file = manifest.files.emplace_back();
            ok = parse(field(line), file.size) && file.size <= kMaxFileSize &&
                 parseSum(field(line), file.sum) && isPlainName(line) && line != kManifest;
            file.name = std::string(line);
        } else if ((kind == "source" || kind == "read") &&
                   character.readFiles.size() < kMaxReadFiles) {
            FileStamp& stamp = character.readFiles.emplace_back();
            ok = parse(field(line), stamp.size) && parse(field(line), stamp.modified) &&
                 parseSum(field(line), stamp.sum) &&
                 (kind == "source" ? line.empty() : isRelativeName(line));
            stamp.name = std::string(line);
        } else {
            ok = false;
        }
    }
    if (!ok || lineNumber < 3 || manifest.files.empty()) {
        return std::nullopt;
    }
    return manifest;
}

// Whether every file the conversion read is as it was: sizes and times first,
// then the content, read in pieces. Nothing when cancelled meanwhile.
std::optional<bool> unchanged(const std::vector<FileStamp>& readFiles,
                              const std::string& sourcePath, const std::atomic<bool>* cancelled) {
    const fs::path parent = fs::path(sourcePath).parent_path();
    // Links followed as the confined reader follows them.
    const Descriptor folder(
        open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (const FileStamp& stamp : readFiles) {
        const Descriptor file(
            stamp.name.empty()
                ? open(sourcePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)
                : openat(folder.get(), stamp.name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        if (stamp.size == kAbsentFile) {
            // Still not there, or changed by appearing.
            if (file || errno != ENOENT) {
                return false;
            }
            continue;
        }
        std::optional<FileStamp> now = file ? stampOf(file.get(), cancelled, &stamp) : std::nullopt;
        if (cancelled && cancelled->load()) {
            return std::nullopt;
        }
        if (!now) {
            return false;
        }
        now->name = stamp.name;
        if (!(*now == stamp)) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string defaultCacheFolder() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/') {
        return std::string(cache) + "/velmora";
    }
    if (const char* home = std::getenv("HOME"); home && *home) {
        return std::string(home) + "/.cache/velmora";
    }
    return {};
}

CharacterCache::CharacterCache(std::string folder, std::uint64_t sizeLimit)
    : folder_(std::move(folder)), sizeLimit_(sizeLimit) {}

std::string CharacterCache::keyOf(const ConversionRequest& options) const {
    // The file's path names the entry; whether the entry is still the file's
    // conversion is told by the stamps inside it.
    std::error_code error;
    std::ostringstream settings;
    settings << kConversionVersion << '\n'
             << fs::weakly_canonical(options.inputPath, error).string() << '\n'
             << options.name << '\n'
             << options.rate << '\n'
             << options.height << '\n'
             << options.keepFacing << '\n';
    // Clip files beside the source are found by their names, which the key
    // holds, so that one that appears converts again (a clip list is told by
    // its stamp, present or absent).
    for (const std::string& clipFile : clipFilesBeside(options.inputPath)) {
        settings << "clip file " << clipFile << '\n';
    }
    for (const std::string& clipFile : options.clipFiles) {
        settings << "named clip file " << fs::weakly_canonical(clipFile, error).string() << '\n';
    }
    for (const std::string& animation : options.animations) {
        settings << animation << '\n';
    }
    return hex(checksum(settings.str()));
}

std::optional<ConvertedCharacter> CharacterCache::find(const std::string& key,
                                                       const std::string& sourcePath,
                                                       const std::atomic<bool>* cancelled) const {
    if (folder_.empty() || !isPlainName(key)) {
        return std::nullopt;
    }
    const Descriptor root = openFolderAt(AT_FDCWD, folder_.c_str());
    struct stat status;
    if (!root || fstatat(root.get(), key.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    const auto damaged = [&]() -> std::optional<ConvertedCharacter> {
        removeAt(root.get(), key);
        return std::nullopt;
    };
    const Descriptor entry = openFolderAt(root.get(), key.c_str());
    if (!entry) {
        return damaged();
    }
    try {
        const std::optional<std::string> text =
            readEntryFile(entry.get(), kManifest, kMaxManifestBytes, true);
        std::optional<Manifest> manifest = text ? parseManifest(*text) : std::nullopt;
        if (!manifest) {
            return damaged();
        }
        const std::optional<bool> current =
            unchanged(manifest->character.readFiles, sourcePath, cancelled);
        if (!current) {
            return std::nullopt;
        }
        if (!*current) {
            return damaged();
        }
        ConvertedCharacter& character = manifest->character;
        for (const FileStamp& file : manifest->files) {
            std::optional<std::string> bytes =
                readEntryFile(entry.get(), file.name.c_str(), file.size);
            if (!bytes || checksum(*bytes) != file.sum) {
                return damaged();
            }
            character.files.push_back({file.name, std::move(*bytes)});
        }
        // Used now: the entry is the last the size bound removes.
        futimens(entry.get(), nullptr);
        return std::move(character);
    } catch (const std::bad_alloc&) {
        // Sound, perhaps, but larger than this process can hold now.
        return std::nullopt;
    }
}

std::string CharacterCache::store(const std::string& key,
                                  const ConvertedCharacter& character) const {
    if (folder_.empty() || !isPlainName(key)) {
        return "no cache folder";
    }
    const std::string manifest = manifestOf(character);
    if (manifest.empty()) {
        return "a file name the cache cannot keep";
    }
    std::error_code error;
    fs::create_directories(fs::path(folder_).parent_path(), error);
    mkdir(folder_.c_str(), 0700);
    const Descriptor root = openFolderAt(AT_FDCWD, folder_.c_str());
    if (!root) {
        return folder_ + ": not a folder of this user's";
    }
    // A fresh folder of the entry's own, made exclusively, so that nothing
    // already there (a link among others) is written through; renamed into
    // place once whole.
    std::string fresh;
    std::random_device random;
    for (int attempt = 0; attempt < 100 && fresh.empty(); ++attempt) {
        const std::string name =
            ".new-" + key + "-" + hex(random() ^ (std::uint64_t{random()} << 32));
        if (mkdirat(root.get(), name.c_str(), 0700) == 0) {
            fresh = name;
        } else if (errno != EEXIST) {
            return folder_ + ": cannot make an entry: " + std::strerror(errno);
        }
    }
    std::vector<FileContent> files = character.files;
    files.push_back({kManifest, manifest});
    const WriteResult written = writeFileSet(folder_ + "/" + fresh, files, ExistingFiles::Keep);
    removeAt(root.get(), key);
    if (!written || renameat(root.get(), fresh.c_str(), root.get(), key.c_str()) != 0) {
        const std::string problem =
            written ? folder_ + ": cannot put an entry in place: " + std::strerror(errno)
                    : written.problem;
        removeAt(root.get(), fresh);
        return problem;
    }
    // The user's entries by the time they were last used, oldest first, with
    // their sizes.
    struct Entry {
        std::int64_t used;
        std::string name;
        std::uint64_t size;
        bool operator<(const Entry& other) const { return used < other.used; }
    };
    std::vector<Entry> entries;
    std::uint64_t total = 0;
    for (const std::string& name : namesIn(root.get())) {
        const Descriptor folder = openFolderAt(root.get(), name.c_str());
        struct stat status;
        if (!folder || fstat(folder.get(), &status) != 0) {
            continue;
        }
        Entry entry{modifiedTime(status), name, 0};
        for (const std::string& file : namesIn(folder.get())) {
            struct stat fileStatus;
            if (fstatat(folder.get(), file.c_str(), &fileStatus, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(fileStatus.st_mode)) {
                entry.size += static_cast<std::uint64_t>(fileStatus.st_size);
            }
        }
        total += entry.size;
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end());
    for (const Entry& entry : entries) {
        if (total <= sizeLimit_ || entry.name == key) {
            break;
        }
        removeAt(root.get(), entry.name);
        total -= std::min(total, entry.size);
    }
    return {};
}

void CharacterCache::forget(const std::string& key) const {
    if (folder_.empty() || !isPlainName(key)) {
        return;
    }
    if (const Descriptor root = openFolderAt(AT_FDCWD, folder_.c_str())) {
        removeAt(root.get(), key);
    }
}

}  // namespace importer
}  // namespace velmora
