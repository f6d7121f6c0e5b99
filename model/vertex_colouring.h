#pragma once
// The mesh's inspection colourings: instead of its texture, each vertex
// coloured by the weight one bone gives it, or by how many bones move it, with
// the legend that says what the colours mean. Plain jobs on a loaded Model
// (files/model.h): computed once per model and choice, never per frame.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "files/model.h"
#include "model/rig_check.h"

namespace velmora {
inline namespace model {

enum class MeshColouring {
    // The texture, as the mesh is drawn normally.
    Texture,
    // One bone's weight on each vertex as a heat map.
    Weights,
    // The number of influences on each vertex.
    Influences,
};
constexpr int kMeshColouringCount = 3;

// Red, green and blue, 0 to 1.
using VertexColour = std::array<float, 3>;

// The weights view: a vertex the bone does not influence is neutral grey; one
// whose weights sum to more than 1 + kWeightSumTolerance is magenta, whatever
// the bone; otherwise the bone's weight on it (the sum of its influences
// naming the bone, clamped to 0 to 1) runs from blue (0, cold) through cyan,
// green and yellow to red (1, hot).
constexpr VertexColour kNotInfluencedColour = {0.5f, 0.5f, 0.5f};
constexpr VertexColour kOverweightColour = {1.0f, 0.0f, 1.0f};
VertexColour heatColour(double weight);

// The influences view: one colour per count, 0 to 5 or more; 0 (a vertex left
// at the origin) in a bright magenta that no other count comes near.
constexpr std::array<VertexColour, 6> kInfluenceCountColours = {{
    {1.0f, 0.0f, 1.0f},
    {0.15f, 0.3f, 1.0f},
    {0.0f, 0.85f, 0.85f},
    {0.1f, 0.75f, 0.1f},
    {1.0f, 0.85f, 0.0f},
    {0.85f, 0.1f, 0.0f},
}};

// One colour per vertex for colouring (bone: the bone whose weights are
// shown, used by Weights only); empty for Texture.
std::vector<VertexColour> vertexColours(const Model& model, MeshColouring colouring, int bone);

// The colour of each stored corner (Model::cornerVertices), as the mesh's
// colour array takes them; none unless vertexColours holds one per vertex.
std::vector<VertexColour> cornerColours(const Model& model,
                                        const std::vector<VertexColour>& vertexColours);

// What a colouring's colours mean: a title, then one line per colour.
struct LegendEntry {
    VertexColour colour;
    std::string text;
};
struct Legend {
    std::string title;
    std::vector<LegendEntry> entries;
};
// Empty for Texture; the weights' title names the bone (boneLabel).
Legend colouringLegend(const Model& model, MeshColouring colouring, int bone);

// How many vertices have an influence naming bone.
std::size_t influencedVertexCount(const Model& model, int bone);

// The vertices that findings fault for their weights (unweighted, weight sum,
// many influences), ascending, each once.
std::vector<std::size_t> faultedVertices(const std::vector<Finding>& findings);

}  // namespace model
}  // namespace velmora
