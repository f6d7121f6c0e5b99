#pragma once
// Converted characters kept in the user's cache folder, so that a file opened a
// second time loads as fast as a model file. An entry is keyed by the source
// file's content, the conversion's version and the options that change the
// result; it holds the converted files and a manifest of their sizes and check
// sums, so that a damaged entry is found and rebuilt. The folder is kept under a
// size bound by removing the entries used longest ago. Nothing is ever written
// next to the user's file.

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

    // The key of the character that options would convert: empty when the
    // source cannot be read.
    std::string keyOf(const ImportOptions& options) const;

    // The entry under key, when it is there and whole; a damaged one is removed.
    std::optional<ConvertedCharacter> find(const std::string& key) const;

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
