#pragma once
// Opening any character file that the viewer and the tools accept: a model
// file is loaded as it is; any other format is converted by the contained
// converter program (or taken from the cache, when it was converted before) and the
// converted files are loaded from memory through the same load call, so that
// its animations are labelled with their own names wherever the file lies.
// The cache is checked and its entry loaded in a thread of the opening's own,
// so that a caller drawing between polls never waits for a large file: the
// entry's check reads the source in pieces, in bounded memory.
//
//   CharacterOpening opening(path, cache);
//   while (!opening.poll(std::chrono::milliseconds(5), showProgress)) { draw(); }
//   LoadResult result = opening.load(options);

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "files/load.h"
#include "import/character_cache.h"
#include "import/conversion.h"

namespace velmora {
inline namespace importer {

// Whether path names a model file (ends in .animesh, in any case), which is
// loaded without conversion.
bool isModelFileName(const std::string& path);

// Whether path names a file of animations alone (an MD5 .md5anim), which adds
// its animations to a character of the same skeleton rather than replacing it.
bool isClipFileName(const std::string& path);

// The file-chooser pattern of the character formats the conversion reads.
extern const char* const kCharacterFilePatterns[];

// The usage lines that name what the programs open, for every program's --help
// (and so its man page).
constexpr const char* kOpenedFormatsText =
    "  Opens .animesh model files and, converted on the way, characters in the\n"
    "  formats the Open Asset Import Library reads: glTF/GLB, FBX, COLLADA (.dae),\n"
    "  DirectX .x, Blitz3D (.b3d), MD5 (.md5mesh), SMD, IQM and others.\n";

// The model a conversion made in its binary form (ConvertedForm::Model), checked
// by its lengths and validateModel; a damaged one gives an empty model and one
// problem. Of the options only keepTexturePixels applies.
LoadResult loadConverted(const ConvertedCharacter& character, const LoadOptions& options);

class CharacterOpening {
  public:
    // Starts opening path: nothing to wait for when it is a model file; the
    // cache's entry checked and loaded otherwise, and when there is none that
    // is whole and current (a damaged or stale one is removed), a contained
    // conversion. A file that cannot be read is loaded as a model file, which
    // reports it. The animations of clipFiles (ConversionRequest::clipFiles) are
    // added to a converted character's.
    CharacterOpening(const std::string& path, const CharacterCache& cache,
                     const std::vector<std::string>& clipFiles = {},
                     const ContainmentLimits& limits = defaultContainmentLimits());
    // Stops checking the cache, without waiting for the rest of the source.
    ~CharacterOpening();
    CharacterOpening(const CharacterOpening&) = delete;
    CharacterOpening& operator=(const CharacterOpening&) = delete;

    const std::string& path() const { return path_; }
    const std::vector<std::string>& clipFiles() const { return clipFiles_; }

    // Whether the file is being converted (rather than read or found in the
    // cache), as far as poll has found out.
    bool converting() const { return job_ != nullptr; }

    // Waits at most wait for the cache and then the conversion, passing the
    // conversion's progress and warnings to onLine; true once there is
    // nothing more to wait for.
    bool poll(std::chrono::milliseconds wait, const LineHandler& onLine);

    // The model, once poll said so. A conversion that failed gives an empty
    // model (modelRead false) and one problem naming the file; a conversion
    // made now is kept in the cache.
    LoadResult load(const LoadOptions& options);

  private:
    std::string path_;
    std::vector<std::string> clipFiles_;
    const CharacterCache& cache_;
    ContainmentLimits limits_;
    std::string key_;
    bool readable_ = false;
    std::atomic<bool> cancelled_{false};
    // The cache entry's model, when there was one that loaded.
    std::future<std::optional<LoadResult>> cacheAnswer_;
    std::thread cacheCheck_;
    std::optional<LoadResult> loaded_;
    std::unique_ptr<ConversionJob> job_;
};

// What a line of a conversion's messages says, without the converter's name:
// "warning: <text>" or the progress ("sampling animations 40%").
std::string conversionMessage(const std::string& line);
// The text of a conversion's warning; nothing for a line of progress.
std::optional<std::string> conversionWarning(const std::string& line);

// The problems of a load as a tool prints them: each on a line after the
// program's name ("velmora-info: Failed to open \"x.gltf\"").
std::string programReport(const std::string& program, const std::vector<LoadProblem>& problems);

// A CharacterOpening waited for: what velmora-info and velmora-render use.
LoadResult openCharacterFile(const std::string& path, const LoadOptions& options,
                             const CharacterCache& cache, const LineHandler& onLine);

}  // namespace importer
}  // namespace velmora
