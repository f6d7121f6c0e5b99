#pragma once
// Reading the input file with the Open Asset Import Library.

#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include <string>

#include "tools/import/import_log.h"

// Post-processing applied to every input: triangles only, shared vertices
// joined, mapping coordinates with t growing downwards (the texture's first row
// is t = 0). Bone weights are left as the file has them. The library's
// structure check is not run: it rejects keys beyond an animation's duration,
// which are clamped instead; the converter checks the indices it follows.
extern const unsigned int kImportSteps;

// The scene in path, owned by importer. Throws LoadError when the file is not a
// readable regular file, no importer understands it, or it holds no triangles.
const aiScene& readScene(const std::string& path, Assimp::Importer& importer, ImportLog& log);
