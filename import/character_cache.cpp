#include "import/character_cache.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <vector>

#include "files/file_source.h"
#include "files/safe_file.h"

namespace velmora {
inline namespace importer {

namespace fs = std::filesystem;

namespace {

// Changes whenever the conversion's output for the same input may change, so
// that entries of an older conversion are not used.
constexpr const char* kConversionVersion = "velmora-conversion-4";
constexpr const char* kManifest = "manifest";

constexpr std::uint64_t kSeed = 0x9e3779b97f4a7c15ull;

// A 64-bit check sum of bytes given in pieces of any length: 32 bytes at a time
// into four independent lanes, so that the processor works on four
// multiplications at once, then the lanes, the rest and the length folded
// together. Fed the pieces of a file as they are read, while they are still in
// the processor's cache, it costs little next to reading the file.
class Checksum {
  public:
    explicit Checksum(std::uint64_t seed = kSeed)
        : seed_(seed), lanes_{seed, seed ^ 1, seed ^ 2, seed ^ 3} {}

    void add(std::string_view bytes) {
        length_ += bytes.size();
        if (pendingSize_ > 0) {
            const std::size_t taken = std::min(bytes.size(), kBlock - pendingSize_);
            std::memcpy(pending_ + pendingSize_, bytes.data(), taken);
            pendingSize_ += taken;
            bytes.remove_prefix(taken);
            if (pendingSize_ < kBlock) {
                return;
            }
            block(pending_);
            pendingSize_ = 0;
        }
        for (; bytes.size() >= kBlock; bytes.remove_prefix(kBlock)) {
            block(bytes.data());
        }
        std::memcpy(pending_, bytes.data(), bytes.size());
        pendingSize_ = bytes.size();
    }

    std::uint64_t value() const {
        std::uint64_t hash = seed_ ^ (length_ * kMultiplier);
        for (const std::uint64_t lane : lanes_) {
            hash = mix(hash, lane);
        }
        std::size_t i = 0;
        for (; i + 8 <= pendingSize_; i += 8) {
            hash = mix(hash, word(pending_ + i));
        }
        std::uint64_t tail = 0;
        std::memcpy(&tail, pending_ + i, pendingSize_ - i);
        hash = (hash ^ tail) * kMultiplier;
        return hash ^ (hash >> 29);
    }

  private:
    static constexpr std::size_t kBlock = 32;
    static constexpr std::uint64_t kMultiplier = 0xff51afd7ed558ccdull;

    static std::uint64_t word(const char* bytes) {
        std::uint64_t value;
        std::memcpy(&value, bytes, 8);
        return value;
    }
    static std::uint64_t mix(std::uint64_t hash, std::uint64_t word) {
        hash = (hash ^ word) * kMultiplier;
        return hash ^ (hash >> 32);
    }
    void block(const char* bytes) {
        for (int lane = 0; lane < 4; ++lane) {
            lanes_[lane] = mix(lanes_[lane], word(bytes + 8 * lane));
        }
    }

    std::uint64_t seed_;
    std::uint64_t lanes_[4];
    std::uint64_t length_ = 0;
    char pending_[kBlock] = {};
    std::size_t pendingSize_ = 0;
};

std::uint64_t checksum(std::string_view bytes, std::uint64_t seed = kSeed) {
    Checksum sum(seed);
    sum.add(bytes);
    return sum.value();
}

std::string hex(std::uint64_t value) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4) {
        text[static_cast<std::size_t>(i)] = kDigits[value & 15];
    }
    return text;
}

std::string manifestOf(const ConvertedCharacter& character) {
    std::ostringstream out;
    out << character.modelFile << '\n' << character.animationCount << '\n';
    for (const FileContent& file : character.files) {
        out << file.name << ' ' << file.bytes.size() << ' ' << hex(checksum(file.bytes)) << '\n';
    }
    return out.str();
}

// The file's content; its pieces also go to sum, when given, as they are read.
std::optional<std::string> readWhole(const fs::path& path, Checksum* sum = nullptr) {
    FileRead file = sum ? DiskFileSource().read(path.string(), kMaxFileSize,
                                                [sum](std::string_view piece) { sum->add(piece); })
                        : DiskFileSource().read(path.string(), kMaxFileSize);
    if (file.status != FileRead::Status::Read) {
        return std::nullopt;
    }
    return std::move(file.bytes);
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

std::string CharacterCache::keyOf(const ImportOptions& options) const {
    // The file's identity as well as its content, and the identity of the
    // files beside it, where the files it refers to (a glTF's buffers and
    // images) lie: a file replaced by a newer one, or a buffer beside it, is
    // converted again.
    std::error_code error;
    const fs::path path = fs::weakly_canonical(options.inputPath, error);
    const auto modified = fs::last_write_time(options.inputPath, error);
    std::ostringstream settings;
    settings << kConversionVersion << '\n'
             << path.string() << '\n'
             << modified.time_since_epoch().count() << '\n'
             << options.name << '\n'
             << options.rate << '\n'
             << options.height << '\n'
             << options.keepFacing << '\n';
    for (const std::string& animation : options.animations) {
        settings << animation << '\n';
    }
    // In name order, and at most a few thousand, so that a large folder costs
    // no more than a moment.
    constexpr std::size_t kNeighbours = 4096;
    std::vector<std::string> neighbours;
    for (const auto& entry : fs::directory_iterator(path.parent_path(), error)) {
        if (neighbours.size() == kNeighbours) {
            break;
        }
        if (entry.is_regular_file(error)) {
            neighbours.push_back(
                entry.path().filename().string() + ' ' + std::to_string(entry.file_size(error)) +
                ' ' + std::to_string(entry.last_write_time(error).time_since_epoch().count()));
        }
    }
    std::sort(neighbours.begin(), neighbours.end());
    for (const std::string& neighbour : neighbours) {
        settings << neighbour << '\n';
    }
    Checksum sum(checksum(settings.str()));
    if (!readWhole(options.inputPath, &sum)) {
        return {};
    }
    return hex(sum.value());
}

std::optional<ConvertedCharacter> CharacterCache::find(const std::string& key) const {
    if (folder_.empty() || key.empty()) {
        return std::nullopt;
    }
    const fs::path entry = fs::path(folder_) / key;
    const std::optional<std::string> manifest = readWhole(entry / kManifest);
    if (!manifest) {
        return std::nullopt;
    }
    ConvertedCharacter character;
    std::istringstream lines(*manifest);
    std::string name;
    std::size_t size = 0;
    std::string sum;
    bool whole = static_cast<bool>(std::getline(lines, character.modelFile)) &&
                 static_cast<bool>(lines >> character.animationCount);
    while (whole && lines >> name >> size >> sum) {
        Checksum read;
        std::optional<std::string> bytes = readWhole(entry / name, &read);
        whole = bytes && bytes->size() == size && hex(read.value()) == sum;
        if (whole) {
            character.files.push_back({name, std::move(*bytes)});
        }
    }
    if (!whole || character.files.empty()) {
        forget(key);
        return std::nullopt;
    }
    // Used now: the entry is the last the size bound removes.
    std::error_code ignored;
    fs::last_write_time(entry, fs::file_time_type::clock::now(), ignored);
    return character;
}

std::string CharacterCache::store(const std::string& key,
                                  const ConvertedCharacter& character) const {
    if (folder_.empty() || key.empty()) {
        return "no cache folder";
    }
    std::vector<FileContent> files = character.files;
    files.push_back({kManifest, manifestOf(character)});
    const fs::path entry = fs::path(folder_) / key;
    if (const WriteResult written = writeFileSet(entry.string(), files, ExistingFiles::Replace);
        !written) {
        return written.problem;
    }
    // The entries by the time they were last used, oldest first.
    std::vector<std::pair<fs::file_time_type, fs::path>> entries;
    std::uint64_t total = 0;
    std::error_code error;
    for (const auto& folder : fs::directory_iterator(folder_, error)) {
        if (!folder.is_directory(error)) {
            continue;
        }
        for (const auto& file : fs::directory_iterator(folder.path(), error)) {
            total += file.is_regular_file(error) ? file.file_size(error) : 0;
        }
        entries.emplace_back(fs::last_write_time(folder.path(), error), folder.path());
    }
    std::sort(entries.begin(), entries.end());
    for (const auto& [used, path] : entries) {
        if (total <= sizeLimit_ || path == entry) {
            break;
        }
        std::uint64_t size = 0;
        for (const auto& file : fs::directory_iterator(path, error)) {
            size += file.is_regular_file(error) ? file.file_size(error) : 0;
        }
        fs::remove_all(path, error);
        total -= std::min(total, size);
    }
    return {};
}

void CharacterCache::forget(const std::string& key) const {
    if (!folder_.empty() && !key.empty()) {
        std::error_code ignored;
        fs::remove_all(fs::path(folder_) / key, ignored);
    }
}

}  // namespace importer
}  // namespace velmora
