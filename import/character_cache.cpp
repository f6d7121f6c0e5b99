#include "import/character_cache.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <vector>

#include "files/file_source.h"
#include "files/safe_file.h"

namespace fs = std::filesystem;

namespace {

// Changes whenever the conversion's output for the same input may change, so
// that entries of an older conversion are not used.
constexpr const char* kConversionVersion = "velmora-conversion-2";
constexpr const char* kManifest = "manifest";

// A 64-bit check sum that reads 32 bytes at a time into four independent
// lanes, so that the processor works on four multiplications at once: about
// 10 GB/s, so that checking a cached character costs little next to loading it.
std::uint64_t checksum(std::string_view bytes, std::uint64_t seed = 0x9e3779b97f4a7c15ull) {
    constexpr std::uint64_t kMultiplier = 0xff51afd7ed558ccdull;
    const auto mix = [](std::uint64_t hash, std::uint64_t word) {
        hash = (hash ^ word) * kMultiplier;
        return hash ^ (hash >> 32);
    };
    std::uint64_t lanes[4] = {seed, seed ^ 1, seed ^ 2, seed ^ 3};
    std::size_t i = 0;
    for (; i + 32 <= bytes.size(); i += 32) {
        for (int lane = 0; lane < 4; ++lane) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + i + 8 * lane, 8);
            lanes[lane] = mix(lanes[lane], word);
        }
    }
    std::uint64_t hash = seed ^ (bytes.size() * kMultiplier);
    for (const std::uint64_t lane : lanes) {
        hash = mix(hash, lane);
    }
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        hash = mix(hash, word);
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, bytes.data() + i, bytes.size() - i);
    hash = (hash ^ tail) * kMultiplier;
    return hash ^ (hash >> 29);
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

std::optional<std::string> readWhole(const fs::path& path) {
    FileRead file = DiskFileSource().read(path.string(), kMaxFileSize);
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
    const std::optional<std::string> source = readWhole(options.inputPath);
    if (!source) {
        return {};
    }
    // The file's identity as well as its content: the files it refers to (a
    // glTF's buffers and images) are read with it, and a file replaced by a
    // newer one is converted again.
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
    return hex(checksum(*source, checksum(settings.str())));
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
        std::optional<std::string> bytes = readWhole(entry / name);
        whole = bytes && bytes->size() == size && hex(checksum(*bytes)) == sum;
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
