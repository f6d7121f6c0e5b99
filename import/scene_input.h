#pragma once
// Reading the input file with the Open Asset Import Library.

#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include <string>

#include "import/confined_files.h"
#include "import/import_log.h"

namespace velmora {
inline namespace importer {

// Post-processing applied to every input: triangles only, shared vertices
// joined, mapping coordinates with t growing downwards (the texture's first row
// is t = 0). Bone weights are left as the file has them. Before them the
// library's structure check runs on the scene as read, once keys beyond an
// animation's duration have been clamped (which the check would reject), so
// that no step works on inconsistent data.
extern const unsigned int kImportSteps;

// The scene in path, owned by importer, which reads every file through files
// from now on. Throws LoadError when the file is not a readable regular file,
// no importer understands it, or its structure is inconsistent.
const aiScene& readScene(const std::string& path, Assimp::Importer& importer, ConfinedFiles& files,
                         ImportLog& log);

}  // namespace importer
}  // namespace velmora
