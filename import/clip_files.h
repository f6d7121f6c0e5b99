#pragma once
// Animations kept in files of their own, for one character's skeleton: the
// .md5anim files beside an MD5 mesh, or files of the character's own format
// named after it (hero_run.iqm beside hero.iqm), and any the caller names.
// Their channels are bound to the character's nodes by name.

#include <string>
#include <vector>

#include "import/confined_files.h"
#include "import/import_log.h"
#include "import/pose_sampler.h"
#include "import/skeleton.h"

namespace velmora {
inline namespace importer {

// At most this many clip files are looked for beside a character.
constexpr std::size_t kMaxClipFilesBeside = 64;

// The files beside inputPath that may hold its clips, in name order: for an
// .md5mesh every other .md5anim of its folder (the library reads the one of
// the mesh's own name with the mesh), else the files of the same extension
// whose name is the input's followed by '_', '-' or '.' and more.
std::vector<std::string> clipFilesBeside(const std::string& inputPath);

// The animations of the clip files at paths, after the character's own, each
// labelled by its file's name (and the animation's, when a file holds
// several). A file whose animations drive a node the character lacks is left
// out: it belongs to another skeleton. named says whether the user named the
// files, who is then told of each that is left out.
std::vector<AnimationSource> clipFileAnimations(const std::vector<std::string>& paths, bool named,
                                                const NodesByName& nodes, ConfinedFiles& files,
                                                ImportLog& log);

}  // namespace importer
}  // namespace velmora
