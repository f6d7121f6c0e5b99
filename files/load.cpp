#include "files/load.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <new>
#include <stdexcept>

#include "files/load_error.h"
#include "files/model_reader.h"
#include "files/png_image.h"

namespace velmora {
inline namespace files {

namespace {

// One load: the options, the model's directory, what is left of the budget and
// the problems found so far.
class ModelLoad : public ReferencedFiles {
  public:
    ModelLoad(const std::string& path, const LoadOptions& options,
              std::vector<LoadProblem>& problems)
        : options_(options),
          files_(options.files ? *options.files : disk_),
          directory_(directoryOf(path)),
          remaining_(options.memoryBudget ? options.memoryBudget : defaultMemoryBudget()),
          problems_(problems) {
        if (options.confineToModelFolder) {
            folder_ = confinedForm(directory_.empty() ? std::string(".") : directory_);
        }
    }

    // The content of the file at path, or nothing when it cannot be opened, is
    // refused, or would take the load past its budget; then the problem is
    // recorded as "Failed to open" shownName.
    std::optional<FileBytes> read(const std::string& path, const std::string& shownName) {
        if (options_.confineToModelFolder && !isInsideFolder(path)) {
            failed(shownName, "it is outside the model's folder");
            return std::nullopt;
        }
        FileBytesRead file = files_.readBytes(path, remaining_);
        switch (file.status) {
            case FileRead::Status::Read:
                remaining_ -= file.bytes.view().size();
                return std::move(file.bytes);
            case FileRead::Status::TooLarge:
                failed(shownName, "its " + std::to_string(file.size) + " bytes are more than the " +
                                      std::to_string(remaining_) +
                                      " bytes of memory left for this load");
                return std::nullopt;
            case FileRead::Status::CannotOpen:
                break;
        }
        failed(shownName, "");
        return std::nullopt;
    }

    void loadTexture(Texture& texture, const std::string& name) override {
        texture.fileName = joinToDirectory(directory_, name);
        const std::optional<FileBytes> file = read(texture.fileName, texture.fileName);
        if (!file) {
            return;
        }
        const std::string_view bytes = file->view();
        // Checked row by row when the pixels are not wanted, so that a
        // decompression bomb costs time, not memory; decoded only within the
        // budget otherwise, refused from its header.
        DecodedPng decoded =
            options_.keepTexturePixels ? decodePng(bytes, remaining_) : checkPng(bytes);
        if (decoded.problem != PngProblem::None) {
            failed(texture.fileName, describe(decoded.problem));
            return;
        }
        if (auto problem = oversizedTexture(texture.fileName, decoded.image, options_)) {
            problems_.push_back(std::move(*problem));
            return;
        }
        remaining_ -= decoded.image.pixels.size();
        texture.image = std::move(decoded.image);
    }

    void loadAnimation(Animation& animation, const std::string& motionFileName,
                       const std::bitset<kMaxBones>& requiredTracks) override {
        animation.name = joinToDirectory(directory_, motionFileName);
        const std::optional<FileBytes> text = read(animation.name, motionFileName);
        if (!text) {
            animation.rejection = "its motion file \"" + animation.name + "\" could not be opened";
            return;
        }
        try {
            TextInput input(text->view());
            readMotion(input, animation, animation.name);
            checkRequiredTracks(animation, requiredTracks, animation.name, input);
        } catch (const LoadError& error) {
            malformed(error);
            animation.rejection = error.problem();
            for (auto& track : animation.tracks) {
                track.reset();
            }
            animation.frameCount = 0;
        }
    }

    void malformed(const LoadError& error) {
        problems_.push_back({LoadProblem::Kind::Malformed, error.path(), error.what(), ""});
    }

  private:
    void failed(const std::string& name, const std::string& reason) {
        problems_.push_back(failedToOpen(name, reason));
    }

    // Symbolic links followed as far as the path exists, so that a link inside
    // the folder cannot lead out of it; served files are only normalised.
    std::filesystem::path confinedForm(const std::string& path) const {
        std::error_code ignored;
        const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
        if (options_.files) {
            return absolute.lexically_normal();
        }
        const std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, ignored);
        return ignored ? absolute.lexically_normal() : resolved;
    }

    bool isInsideFolder(const std::string& path) const {
        const std::filesystem::path file = confinedForm(path);
        auto part = file.begin();
        for (auto folderPart = folder_.begin(); folderPart != folder_.end(); ++folderPart) {
            // A folder path ending in a separator has an empty last part.
            if (folderPart->empty()) {
                continue;
            }
            if (part == file.end() || *part != *folderPart) {
                return false;
            }
            ++part;
        }
        return part != file.end();
    }

    const LoadOptions& options_;
    const DiskFileSource disk_;
    const FileSource& files_;
    const std::string directory_;
    std::size_t remaining_;
    std::filesystem::path folder_;
    std::vector<LoadProblem>& problems_;
};

}  // namespace

LoadResult loadModelFile(const std::string& path, const LoadOptions& options) {
    LoadResult result;
    ModelLoad load(path, options, result.problems);
    // An allocation that fails fails this load only; the program goes on.
    const auto outOfMemory = [&] {
        result.problems.push_back(malformedFile(path, "there is not enough memory to load it"));
    };
    try {
        const std::optional<FileBytes> text = load.read(path, path);
        if (text) {
            TextInput input(text->view());
            readMeshData(input, result.model, path, load);
            result.modelRead = true;
        }
    } catch (const LoadError& error) {
        load.malformed(error);
    } catch (const std::bad_alloc&) {
        outOfMemory();
    } catch (const std::length_error&) {
        outOfMemory();
    }
    if (!result.modelRead) {
        result.model.unload();
    }
    return result;
}

LoadProblem failedToOpen(const std::string& name, const std::string& reason) {
    return {LoadProblem::Kind::FailedToOpen, name, "Failed to open \"" + name + "\"", reason};
}

LoadProblem malformedFile(const std::string& path, const std::string& problem) {
    return {LoadProblem::Kind::Malformed, path, path + ": " + problem, ""};
}

std::optional<LoadProblem> oversizedTexture(const std::string& name, const Image& image,
                                            const LoadOptions& options) {
    const uint32_t limit = options.maxTextureSide;
    if (limit == 0 || (image.width <= limit && image.height <= limit)) {
        return std::nullopt;
    }
    return failedToOpen(name, "its " + std::to_string(image.width) + " x " +
                                  std::to_string(image.height) +
                                  " pixels exceed the largest texture side that can be drawn, " +
                                  std::to_string(limit));
}

std::string reportText(const std::vector<LoadProblem>& problems) {
    std::string text;
    for (const LoadProblem& problem : problems) {
        text += problem.message;
        text += problem.kind == LoadProblem::Kind::FailedToOpen ? "\n\n" : "\n";
    }
    return text;
}

std::size_t defaultMemoryBudget() {
    constexpr std::size_t kUnlimited = std::numeric_limits<std::size_t>::max();
    std::size_t available = kUnlimited;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) {
        available = static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize);
    }
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        // What the program has mapped already (libraries, OpenGL's buffers) is
        // not left for the load.
        std::size_t mappedPages = 0;
        if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%zu", &mappedPages) != 1) {
                mappedPages = 0;
            }
            std::fclose(statm);
        }
        const std::size_t mapped = mappedPages * static_cast<std::size_t>(pageSize);
        const auto cap = static_cast<std::size_t>(limit.rlim_cur);
        available = std::min(available, cap > mapped ? cap - mapped : 0);
    }
    return available / 2;
}

}  // namespace files
}  // namespace velmora
