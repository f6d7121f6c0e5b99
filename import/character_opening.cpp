#include "import/character_opening.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <new>
#include <string_view>

#include "files/model_binary.h"
#include "model/validation.h"

namespace velmora {
inline namespace importer {

namespace {

ConversionRequest conversionOptions(const std::string& path,
                                    const std::vector<std::string>& clipFiles) {
    ConversionRequest options;
    options.inputPath = path;
    options.clipFiles = clipFiles;
    return options;
}

void keepPixelsAsAsked(LoadResult& result, const LoadOptions& options) {
    const std::unique_ptr<Texture>& texture = result.model.texture;
    if (!texture || !texture->image) {
        return;
    }
    if (auto problem = oversizedTexture(texture->fileName, *texture->image, options)) {
        result.problems.push_back(std::move(*problem));
        texture->image.reset();
    } else if (!options.keepTexturePixels) {
        texture->image->pixels = std::vector<uint8_t>();
    }
}

// Whether path is a regular file this process can open.
bool readable(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status;
    const bool regular = fd >= 0 && fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    if (fd >= 0) {
        close(fd);
    }
    return regular;
}

}  // namespace

const char* const kCharacterFilePatterns[] = {"*.gltf", "*.glb",     "*.fbx", "*.dae", "*.x",
                                              "*.b3d",  "*.md5mesh", "*.smd", "*.iqm", nullptr};

namespace {

// Whether path ends in extension (lower case), in any case.
bool hasExtension(const std::string& path, std::string_view extension) {
    if (path.size() < extension.size()) {
        return false;
    }
    return std::equal(
        extension.begin(), extension.end(), path.end() - extension.size(),
        [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

}  // namespace

bool isModelFileName(const std::string& path) {
    return hasExtension(path, ".animesh");
}

bool isClipFileName(const std::string& path) {
    return hasExtension(path, ".md5anim");
}

LoadResult loadConverted(const ConvertedCharacter& character, const LoadOptions& options) {
    LoadResult result;
    std::optional<Model> model;
    if (character.files.size() == 1 && character.files[0].name == character.modelFile) {
        model = readModelBinary(character.files[0].bytes);
    }
    if (!model || !validateModel(*model).empty()) {
        result.problems.push_back(
            malformedFile(character.modelFile, "the converted model is damaged"));
        return result;
    }
    result.model = std::move(*model);
    result.model.indexFaces();
    keepPixelsAsAsked(result, options);
    result.modelRead = true;
    return result;
}

CharacterOpening::CharacterOpening(const std::string& path, const CharacterCache& cache,
                                   const std::vector<std::string>& clipFiles,
                                   const ContainmentLimits& limits)
    : path_(path), clipFiles_(clipFiles), cache_(cache), limits_(limits) {
    if (isModelFileName(path)) {
        return;
    }
    // Opening the file costs no more than a moment; reading it is the thread's.
    readable_ = readable(path);
    if (!readable_) {
        return;
    }
    key_ = cache.keyOf(conversionOptions(path, clipFiles));
    std::packaged_task<std::optional<LoadResult>()> check([this] {
        std::optional<LoadResult> loaded;
        try {
            if (std::optional<ConvertedCharacter> entry = cache_.find(key_, path_, &cancelled_)) {
                loaded = loadConverted(*entry, {});
            }
        } catch (const std::bad_alloc&) {
            // Converted again, as when there is no entry.
            loaded.reset();
        }
        if (loaded && !loaded->modelRead) {
            // Whatever broke it must not be served again; converted now.
            cache_.forget(key_);
            loaded.reset();
        }
        return loaded;
    });
    cacheAnswer_ = check.get_future();
    cacheCheck_ = std::thread(std::move(check));
}

CharacterOpening::~CharacterOpening() {
    cancelled_ = true;
    if (cacheCheck_.joinable()) {
        cacheCheck_.join();
    }
}

bool CharacterOpening::poll(std::chrono::milliseconds wait, const LineHandler& onLine) {
    if (cacheAnswer_.valid()) {
        if (cacheAnswer_.wait_for(wait) != std::future_status::ready) {
            return false;
        }
        loaded_ = cacheAnswer_.get();
        cacheCheck_.join();
        if (!loaded_) {
            job_ = std::make_unique<ConversionJob>(conversionOptions(path_, clipFiles_), limits_,
                                                   ConvertedForm::Model);
        }
    }
    return !job_ || job_->poll(wait, onLine);
}

LoadResult CharacterOpening::load(const LoadOptions& options) {
    while (!poll(std::chrono::hours(1), [](const std::string&) {})) {
    }
    if (isModelFileName(path_) || !readable_) {
        return loadModelFile(path_, options);
    }
    if (loaded_) {
        LoadResult result = std::move(*loaded_);
        loaded_.reset();
        keepPixelsAsAsked(result, options);
        return result;
    }
    ContainedConversion conversion = job_->result();
    job_.reset();
    if (conversion.status != ContainedConversion::Status::Converted) {
        LoadResult failed;
        // The conversion's problem names the file already.
        failed.problems.push_back({LoadProblem::Kind::Malformed, path_, conversion.problem, ""});
        return failed;
    }
    LoadResult result = loadConverted(conversion.character, options);
    if (result.modelRead) {
        cache_.store(key_, conversion.character);
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
