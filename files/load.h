#pragma once
// Loading a model is one call: the model file's path and the options of this
// call in, the model and a report of every problem found out. Nothing is kept
// between calls and nothing is printed; the caller decides what to show.
//
//   LoadResult result = loadModelFile("Models/cowboy/cowboy.animesh", {});
//   std::cerr << reportText(result.problems);
//
// The files a model names (its texture and motion files) are resolved against
// the model file's directory, computed for this call from its path.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/file_source.h"
#include "files/model.h"

namespace velmora {
inline namespace files {

struct LoadOptions {
    // Where the files come from; the disk when null.
    const FileSource* files = nullptr;
    // Keep the texture's decoded pixels. Without them the texture is still
    // checked in full and its size known (enough for a report), but no memory is
    // spent on its pixels.
    bool keepTexturePixels = true;
    // Bytes that this load may read and decode in all: the model text, the
    // motion files and the texture's pixels. A file that would take the load
    // past it is refused before it is read or decoded. 0: defaultMemoryBudget().
    std::size_t memoryBudget = 0;
    // Open only files inside the model file's own folder or below it, for files
    // that nobody chose to open (thumbnails of a folder's contents). Otherwise a
    // model may name files anywhere, such as a shared texture in a sibling
    // folder.
    bool confineToModelFolder = false;
    // The longest texture side that the caller can draw (OpenGL's
    // GL_MAX_TEXTURE_SIZE); a texture with a longer side is refused like a
    // file that cannot be opened, in its place among the problems. 0: any.
    uint32_t maxTextureSide = 0;
};

struct LoadProblem {
    enum class Kind {
        // The file could not be opened, or was refused (too large, outside the
        // model's folder, not an image).
        FailedToOpen,
        // The file's text breaks the format: "path:line: what is wrong".
        Malformed,
    };
    Kind kind = Kind::Malformed;
    // The file the problem is about, named as the message names it.
    std::string path;
    // The viewer's own line: "Failed to open \"path\"" or "path:line: problem";
    // it names the file, so that no caller adds the path again.
    std::string message;
    // Why, for the tools: empty when the message says it all.
    std::string reason;
};

struct LoadResult {
    // Always present; empty (no bones, no animations) when modelRead is false.
    Model model;
    // Whether the model file itself was read; its texture or some animations
    // may still have failed.
    bool modelRead = false;
    // Every problem, in the order found.
    std::vector<LoadProblem> problems;
};

LoadResult loadModelFile(const std::string& path, const LoadOptions& options);

// The problem of a file that could not be opened or was refused, named as name.
LoadProblem failedToOpen(const std::string& name, const std::string& reason = "");

// The problem of a file at path whose content is wrong as a whole:
// "path: problem".
LoadProblem malformedFile(const std::string& path, const std::string& problem);

// The problem of a texture image named name with a side longer than options
// take; nothing when it fits.
std::optional<LoadProblem> oversizedTexture(const std::string& name, const Image& image,
                                            const LoadOptions& options);

// The problems as the viewer writes them to standard error: each message on a
// line of its own, and an empty line after each "Failed to open".
std::string reportText(const std::vector<LoadProblem>& problems);

// A budget for one load from this machine's memory and this process's limits:
// half of what the address space limit and the physical memory leave, so that a
// load refuses what it could not hold rather than end the program.
std::size_t defaultMemoryBudget();

}  // namespace files
}  // namespace velmora
