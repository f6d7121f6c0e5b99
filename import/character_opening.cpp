#include "import/character_opening.h"

#include <algorithm>
#include <cctype>
#include <string_view>

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

LoadResult loadConverted(const ConvertedCharacter& character, const LoadOptions& options) {
    LoadResult result;
    std::optional<Model> model;
    if (character.files.size() == 1 && character.files[0].name == character.modelFile) {
        model = readModelBinary(character.files[0].bytes);
    }
    if (!model || !validateModel(*model).empty()) {
        result.problems.push_back({LoadProblem::Kind::Malformed,
                                   character.modelFile + ": the converted model is damaged", ""});
        return result;
    }
    result.model = std::move(*model);
    result.model.indexFaces();
    if (const std::unique_ptr<Texture>& texture = result.model.texture; texture && texture->image) {
        if (auto problem = oversizedTexture(texture->fileName, *texture->image, options)) {
            result.problems.push_back(std::move(*problem));
            texture->image.reset();
        } else if (!options.keepTexturePixels) {
            texture->image->pixels = std::vector<uint8_t>();
        }
    }
    result.modelRead = true;
    return result;
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
    LoadResult result = loadConverted(*converted_, options);
    converted_.reset();
    if (!result.modelRead) {
        // Whatever broke it must not be served again.
        cache_.forget(key_);
    }
    return result;
}

std::string conversionMessage(const std::string& line) {
    constexpr std::string_view kConverter = "velmora-import: ";
    return line.rfind(kConverter, 0) == 0 ? line.substr(kConverter.size()) : line;
}

std::optional<std::string> conversionWarning(const std::string& line) {
    constexpr std::string_view kWarning = "warning: ";
    std::string message = conversionMessage(line);
    if (message.rfind(kWarning, 0) != 0) {
        return std::nullopt;
    }
    return message.substr(kWarning.size());
}

std::string programReport(const std::string& program, const std::vector<LoadProblem>& problems) {
    std::string text;
    for (const LoadProblem& problem : problems) {
        text += program + ": " + problem.message + "\n";
    }
    return text;
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
