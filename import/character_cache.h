#pragma once
// Converted characters kept in the user's cache folder, so that a file opened a
// second time loads as fast as a model file. An entry is named by the key of
// the source file's path, the conversion's version and the options that change
// the result; it holds the converted files and a manifest of their sizes and
// check sums, and the stamps (size, time, check sum) of every file the
// conversion read. An entry whose files the conversion read have changed is
// stale; one whose own files are not as its manifest says is damaged: either
// is removed when found. Nothing else in the source's folder matters. The
// folder is kept under a size bound by removing the entries used longest ago.
// Nothing is ever written next to the user's file.
//
// The folder is untrusted input: entries and their files are opened relative
// to the opened folder without following links and must be the user's own
// folders and regular files; the manifest names only plain file names within
// its entry, and a file's size is compared with the manifest's before it is
// read. An entry is written into a fresh folder of its own, created
// exclusively, and renamed into place whole.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "import/conversion.h"

namespace velmora {
inline namespace importer {

// $XDG_CACHE_HOME/velmora, else $HOME/.cache/velmora; empty when neither is set.
std::string defaultCacheFolder();

class CharacterCache {
  public:
    // folder need not exist yet; an empty folder keeps nothing.
    explicit CharacterCache(std::string folder, std::uint64_t sizeLimit = std::uint64_t{1} << 30);

    // The key of the character that options would convert. It reads nothing
    // of the file: whether the entry is current is find's question.
    std::string keyOf(const ConversionRequest& options) const;

    // The entry under key, when it is there, whole and current: the files the
    // conversion read, found from sourcePath's folder, are unchanged. A
    // damaged or stale entry is removed. The source is read in pieces, in
    // bounded memory; when cancelled is set meanwhile the answer is nothing
    // and the entry stays.
    std::optional<ConvertedCharacter> find(const std::string& key, const std::string& sourcePath,
                                           const std::atomic<bool>* cancelled = nullptr) const;

    // Keeps character under key (written whole or not at all), then removes
    // the entries used longest ago until the folder is within its bound.
    // Returns why it could not, empty on success; a cache that cannot be
    // written costs only the speed of the next open.
    std::string store(const std::string& key, const ConvertedCharacter& character) const;

    // Removes the entry under key, if any.
    void forget(const std::string& key) const;

  private:
    std::string folder_;
    std::uint64_t sizeLimit_;
};

}  // namespace importer
}  // namespace velmora
