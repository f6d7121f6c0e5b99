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

// What a scene must hold to be used: a whole character, or animations only
// (a clip file, which the library may call incomplete).
enum class SceneNeed { Character, Animations };

// The scene in path, owned by importer, which reads every file through files
// from now on. Throws LoadError when the file is not a readable regular file,
// no importer understands it, its structure is inconsistent, or it lacks what
// need asks for.
const aiScene& readScene(const std::string& path, Assimp::Importer& importer, ConfinedFiles& files,
                         ImportLog& log, SceneNeed need = SceneNeed::Character);

}  // namespace importer
}  // namespace velmora
