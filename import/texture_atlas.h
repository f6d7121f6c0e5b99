#pragma once
// The model's one texture. A character with one textured material keeps its
// image; several materials are packed into one atlas: each texture as a tile, each
// untextured material as a small patch of its diffuse colour in shades of the
// baked light, with the mapping coordinates moved into their material's tile.
// The viewer draws without lighting, so an untextured surface shows its shape
// only by the shade each corner takes from its rest-pose normal.

#include <assimp/scene.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/model.h"
#include "files/png_image.h"
#include "import/confined_files.h"
#include "import/import_log.h"
#include "import/skeleton.h"

namespace velmora {
inline namespace importer {

// Largest side of the texture written; larger textures are scaled down to fit.
constexpr uint32_t kMaxAtlasSide = 4096;

struct Surface {
    Image image;
    // The PNG file that image was decoded from, when it is that file's image
    // unchanged (one textured material, nothing baked in, not scaled down);
    // empty otherwise.
    std::string png;
    std::vector<MappingCoord> coords;
    // Mapping indices of the corners of every triangle, in the order of the
    // instances and of their faces (faces that are not triangles are skipped).
    std::vector<std::array<int32_t, 3>> triangleCoords;
};

// Decodes PNG, JPEG, TGA or BMP bytes (and the other formats the decoder knows)
// into 4-channel pixels; nothing when they cannot be decoded or are too large.
std::optional<Image> decodeImage(const std::string& bytes);

// The texture and mapping of the instances' triangles. Textures are looked up
// embedded in the scene or as files beside inputPath, read through files; one
// that cannot be found or decoded is replaced by its material's colour, with a
// warning. restNormals holds the unit normal (or zero) of every vertex of the
// instances, in their order, in the model's rest pose.
Surface buildSurface(const aiScene& scene, const std::vector<MeshInstance>& instances,
                     const std::vector<Geometry::Vector3>& restNormals,
                     const std::string& inputPath, ConfinedFiles& files, ImportLog& log);

}  // namespace importer
}  // namespace velmora
