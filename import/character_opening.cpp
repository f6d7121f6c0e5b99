#include "import/character_opening.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "files/model_binary.h"
#include "model/validation.h"

namespace velmora {
inline namespace importer {

namespace {

ImportOptions conversionOptions(const std::string& path) {
    ImportOptions options;
    options.inputPath = path;
    return options;
}

}  // namespace

const char* const kCharacterFilePatterns[] = {"*.gltf", "*.glb",     "*.fbx", "*.dae", "*.x",
                                              "*.b3d",  "*.md5mesh", "*.smd", "*.iqm", nullptr};

bool isModelFileName(const std::string& path) {
    constexpr std::string_view kExtension = ".animesh";
    if (path.size() < kExtension.size()) {
        return false;
    }
    return std::equal(
        kExtension.begin(), kExtension.end(), path.end() - kExtension.size(),
        [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

namespace {

// A conversion's files handed over to the one load that reads them: each file's
// bytes move into the load rather than being copied, since copying the tens of
// megabytes of a large character's text costs a good part of loading it. A
// converted model names each of its files once, so each is read once; a file
// asked for a second time cannot be opened.
class HandedOverFiles : public FileSource {
  public:
    explicit HandedOverFiles(std::vector<FileContent> files) : files_(std::move(files)) {}

    FileRead read(const std::string& path, std::size_t limit) const override {
        FileRead file;
        const auto found = std::find_if(files_.begin(), files_.end(),
                                        [&](const FileContent& f) { return f.name == path; });
        if (found == files_.end()) {
            return file;
        }
        if (found->bytes.size() > limit) {
            file.status = FileRead::Status::TooLarge;
            file.size = found->bytes.size();
            return file;
        }
        file.status = FileRead::Status::Read;
        file.bytes = std::move(found->bytes);
        files_.erase(found);
        return file;
    }

  private:
    mutable std::vector<FileContent> files_;
};

}  // namespace

LoadResult loadConverted(ConvertedCharacter character, const LoadOptions& options) {
    if (character.files.size() == 1 &&
        character.modelFile.size() >= std::strlen(kModelBinaryExtension) &&
        character.modelFile.compare(character.modelFile.size() - std::strlen(kModelBinaryExtension),
                                    std::string::npos, kModelBinaryExtension) == 0) {
        LoadResult result;
        std::optional<Model> model = readModelBinary(character.files[0].bytes);
        if (model && validateModel(*model).empty()) {
            result.model = std::move(*model);
            result.model.indexFaces();
            result.modelRead = true;
        } else {
            result.problems.push_back({LoadProblem::Kind::Malformed,
                                       character.modelFile + ": the converted model is damaged",
                                       ""});
        }
        return result;
    }
    const HandedOverFiles files(std::move(character.files));
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
        job_ = std::make_unique<ConversionJob>(options, limits, ConvertedForm::Model);
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
    LoadResult result = loadConverted(std::move(*converted_), options);
    converted_.reset();

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

}  // namespace importer
}  // namespace velmora
