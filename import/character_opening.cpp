#include "import/character_opening.h"

#include <algorithm>
#include <cctype>

namespace {

ImportOptions conversionOptions(const std::string& path) {
    ImportOptions options;
    options.inputPath = path;
    return options;
}

}  // namespace

const char* const kCharacterFilePatterns[] = {"*.gltf", "*.glb", "*.fbx", "*.dae", "*.x",
                                              "*.b3d",  "*.md5mesh", "*.smd", "*.iqm", nullptr};

bool isModelFileName(const std::string& path) {
    constexpr std::string_view kExtension = ".animesh";
    if (path.size() < kExtension.size()) {
        return false;
    }
    return std::equal(kExtension.begin(), kExtension.end(), path.end() - kExtension.size(),
                      [](char a, char b) {
                          return a == std::tolower(static_cast<unsigned char>(b));
                      });
}

LoadResult loadConverted(const ConvertedCharacter& character, const LoadOptions& options) {
    MemoryFileSource files;
    for (const FileContent& file : character.files) {
        files.files[file.name] = file.bytes;
    }
    LoadOptions fromMemory = options;
    fromMemory.files = &files;
    return loadModelFile(character.modelFile, fromMemory);
}

CharacterOpening::CharacterOpening(const std::string& path, const CharacterCache& cache,
                                   const ContainmentLimits& limits)
    : path_(path), cache_(cache) {
    if (isModelFileName(path)) {
        return;
    }
    const ImportOptions options = conversionOptions(path);
    key_ = cache.keyOf(options);
    if (key_.empty()) {
        // Unreadable: reported as any file that cannot be opened.
        return;
    }
    converted_ = cache.find(key_);
    if (!converted_) {
        job_ = std::make_unique<ConversionJob>(options, limits);
    }
}

bool CharacterOpening::poll(std::chrono::milliseconds wait, const LineHandler& onLine) {
    return !job_ || job_->poll(wait, onLine);
}

LoadResult CharacterOpening::load(const LoadOptions& options) {
    if (isModelFileName(path_) || key_.empty()) {
        return loadModelFile(path_, options);
    }
    if (job_) {
        ContainedConversion conversion = job_->result();
        job_.reset();
        if (conversion.status != ContainedConversion::Status::Converted) {
            LoadResult failed;
            failed.problems.push_back({LoadProblem::Kind::Malformed, conversion.problem, ""});
            return failed;
        }
        converted_ = std::move(conversion.character);
        cache_.store(key_, *converted_);
    }
    LoadResult result = loadConverted(*converted_, options);
    if (!result.modelRead) {
        // Whatever broke it must not be served again.
        cache_.forget(key_);
    }
    return result;
}

LoadResult openCharacterFile(const std::string& path, const LoadOptions& options,
                             const CharacterCache& cache, const LineHandler& onLine) {
    CharacterOpening opening(path, cache);
    while (!opening.poll(std::chrono::hours(1), onLine)) {
    }
    return opening.load(options);
}
