#pragma once
// Turns an imported scene into the viewer's Model: skeleton, merged skin,
// resampled animations, framing and texture.
//
//   scene nodes --chooseSkeleton--> bones (<= kMaxBones, root = common ancestor)
//   meshes      --skin------------> influences: offset = residual * inverse bind * vertex
//   animations  --sample at rate--> per bone and frame: rigid local transform
//   textures    --buildSurface----> one image, remapped mapping coordinates
//
// Each bone's model-space transform F * G (F the framing, G the node's transform)
// is split into a rigid part W, which the keys carry, and a residual K (scale,
// shear), which the offsets carry: W(t) * (K * M * v) = F * G(t) * M * v exactly
// while K stays as it is in the rest pose. When an animation changes K, the
// format cannot follow and a warning says so.

#include <assimp/scene.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "files/load_error.h"
#include "files/model.h"
#include "files/png_image.h"
#include "import/confined_files.h"
#include "import/conversion_request.h"
#include "import/import_log.h"

namespace velmora {
inline namespace importer {

// The options do not fit the file (an animation name it does not have).
class ArgumentError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Keys in one motion file at most, so that the viewer's reader (which opens files
// of up to 1 GiB) can read every file written.
constexpr std::size_t kMaxKeysPerAnimation = 5000000;
// Influences kept per vertex.
constexpr std::size_t kMaxInfluences = 4;
// How far inside the window of the viewer's reset view every shown point of a
// framed model stays, up, down and across, at the point's own depth.
constexpr double kViewMargin = 1.5;

struct ImportedCharacter {
    // Animations in the order they are converted; their names are left empty
    // for the writer, which names the motion files.
    std::unique_ptr<Model> model = std::make_unique<Model>();
    // The animation names as the file gives them.
    std::vector<std::string> animationNames;
    Image texture;
    // The texture's PNG file as the character's file holds it, when the texture
    // is its image unchanged; empty otherwise (see Surface::png).
    std::string texturePng;
};

// The character of scene, which was read from options.inputPath; the files it
// refers to are read through files.
ImportedCharacter buildCharacter(const aiScene& scene, const ConversionRequest& options,
                                 ConfinedFiles& files, ImportLog& log);

struct VertexInfluence {
    int bone = 0;
    double weight = 0.0;
    // Which of the scene's inverse bind matrices carries the vertex into the bone's
    // frame.
    std::size_t toBone = 0;
};

// Merges influences of the same bone and matrix, then keeps the `limit` largest
// weights (the earlier on a tie), rescaled to the total that all of them had.
// True when any was dropped.
bool keepLargestInfluences(std::vector<VertexInfluence>& influences, std::size_t limit);

}  // namespace importer
}  // namespace velmora
