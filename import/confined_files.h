#pragma once
// Reading the files an imported character refers to (buffers, textures, the
// materials of an .obj, ...) without leaving its folder: only regular files in
// the source file's folder and below (after following links), never a device,
// FIFO or folder, and together within a byte budget. A reference that is
// refused, rather than simply missing, gets a warning naming it.

#include <assimp/IOSystem.hpp>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "import/file_stamp.h"
#include "import/import_log.h"

namespace velmora {
inline namespace importer {

// What one import may read in all, the source file included.
constexpr std::uint64_t kImportReadBudget = std::uint64_t{1} << 30;

class ConfinedFiles {
  public:
    // Reads are confined to the folder of inputPath, which itself may be read
    // wherever a link to it leads.
    ConfinedFiles(const std::string& inputPath, ImportLog& log,
                  std::uint64_t budget = kImportReadBudget);

    // The content of path, or nothing when it is missing or refused.
    std::optional<std::string> read(const std::string& path);
    // read, for a file beside the source that the conversion uses when it is
    // there: a missing one is stamped as absent (kAbsentFile), so that its
    // appearance changes the stamps.
    std::optional<std::string> readIfThere(const std::string& path);
    // Whether read would return the content of path; a refusal is warned about
    // as read does.
    bool allows(const std::string& path);

    // The files read so far, each once, in name order: what the conversion's
    // result depends on.
    std::vector<FileStamp> stamps() const;

  private:
    // Why path may not be read, or empty when it may; real receives the path
    // with every link followed. A missing file gives "missing".
    std::string refusal(const std::string& path, std::string& real) const;
    // Warns about the refusal why of path (real with links followed), once per
    // file; false.
    bool refused(const std::string& path, const std::string& real, const std::string& why);

    std::string folder_;
    std::string input_;
    ImportLog& log_;
    std::uint64_t remaining_;
    std::set<std::string> warned_;
    std::map<std::string, FileStamp> stamps_;
};

// The import library's file access through ConfinedFiles (not owned).
class ConfinedIOSystem : public Assimp::IOSystem {
  public:
    explicit ConfinedIOSystem(ConfinedFiles& files) : files_(files) {}

    bool Exists(const char* path) const override;
    char getOsSeparator() const override { return '/'; }
    Assimp::IOStream* Open(const char* path, const char* mode) override;
    void Close(Assimp::IOStream* stream) override;

  private:
    ConfinedFiles& files_;
};

}  // namespace importer
}  // namespace velmora
