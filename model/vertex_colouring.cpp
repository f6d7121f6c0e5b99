#include "model/vertex_colouring.h"

#include <algorithm>
#include <cmath>

namespace velmora {
inline namespace model {

VertexColour heatColour(double weight) {
    // Blue, cyan, green, yellow, red at 0, 1/4, 1/2, 3/4 and 1, linear between.
    constexpr std::array<VertexColour, 5> stops = {{
        {0.0f, 0.0f, 1.0f},
        {0.0f, 1.0f, 1.0f},
        {0.0f, 1.0f, 0.0f},
        {1.0f, 1.0f, 0.0f},
        {1.0f, 0.0f, 0.0f},
    }};
    const double scaled = std::clamp(std::isnan(weight) ? 0.0 : weight, 0.0, 1.0) * 4;
    const std::size_t below = std::min<std::size_t>(static_cast<std::size_t>(scaled), 3);
    const float t = static_cast<float>(scaled - below);
    VertexColour colour;
    for (std::size_t c = 0; c < 3; ++c) {
        colour[c] = stops[below][c] + t * (stops[below + 1][c] - stops[below][c]);
    }
    return colour;
}

std::vector<VertexColour> vertexColours(const Model& model, MeshColouring colouring, int bone) {
    std::vector<VertexColour> colours;
    if (colouring == MeshColouring::Texture) {
        return colours;
    }
    colours.reserve(model.vertexCount());
    std::size_t first = 0;
    for (const uint8_t count : model.influenceCounts) {
        if (colouring == MeshColouring::Influences) {
            colours.push_back(kInfluenceCountColours[std::min<std::size_t>(count, 5)]);
            first += count;
            continue;
        }
        bool influenced = false;
        double weight = 0;
        double sum = 0;
        for (std::size_t i = first; i < first + count; ++i) {
            const SkinInfluence& influence = model.influences[i];
            sum += influence.weight;
            if (influence.bone == bone) {
                influenced = true;
                weight += influence.weight;
            }
        }
        first += count;
        if (sum > 1 + kWeightSumTolerance) {
            colours.push_back(kOverweightColour);
        } else {
            colours.push_back(influenced ? heatColour(weight) : kNotInfluencedColour);
        }
    }
    return colours;
}

std::vector<VertexColour> cornerColours(const Model& model,
                                        const std::vector<VertexColour>& vertexColours) {
    std::vector<VertexColour> colours;
    if (vertexColours.size() != model.vertexCount()) {
        return colours;
    }
    colours.reserve(model.cornerVertices.size());
    for (const int32_t vertex : model.cornerVertices) {
        colours.push_back(vertexColours[static_cast<std::size_t>(vertex)]);
    }
    return colours;
}

Legend colouringLegend(const Model& model, MeshColouring colouring, int bone) {
    Legend legend;
    switch (colouring) {
        case MeshColouring::Texture:
            break;
        case MeshColouring::Weights:
            legend.title = "Weights of bone " + boneLabel(model, bone);
            legend.entries = {{heatColour(1), "1"},
                              {heatColour(0.75), "0.75"},
                              {heatColour(0.5), "0.5"},
                              {heatColour(0.25), "0.25"},
                              {heatColour(0), "0"},
                              {kNotInfluencedColour, "not influenced"},
                              {kOverweightColour, "weights sum above 1"}};
            break;
        case MeshColouring::Influences:
            legend.title = "Influences per vertex";
            for (std::size_t count = 0; count < kInfluenceCountColours.size(); ++count) {
                legend.entries.push_back(
                    {kInfluenceCountColours[count], count == 0   ? "0 (stays at the origin)"
                                                    : count == 5 ? "5 or more"
                                                                 : std::to_string(count)});
            }
            legend.entries.push_back({{1.0f, 1.0f, 1.0f}, "dots: faulted weights"});
            break;
    }
    return legend;
}

std::size_t influencedVertexCount(const Model& model, int bone) {
    std::size_t influenced = 0;
    std::size_t first = 0;
    for (const uint8_t count : model.influenceCounts) {
        const auto begin = model.influences.begin() + static_cast<std::ptrdiff_t>(first);
        influenced += std::any_of(begin, begin + count, [bone](const SkinInfluence& influence) {
            return influence.bone == bone;
        });
        first += count;
    }
    return influenced;
}

std::vector<std::size_t> faultedVertices(const std::vector<Finding>& findings) {
    std::vector<std::size_t> vertices;
    for (const Finding& finding : findings) {
        const bool weighting = finding.kind == FindingKind::UnweightedVertex ||
                               finding.kind == FindingKind::WeightSum ||
                               finding.kind == FindingKind::ManyInfluences;
        if (weighting && finding.vertex &&
            (vertices.empty() || vertices.back() != *finding.vertex)) {
            vertices.push_back(*finding.vertex);
        }
    }
    return vertices;
}

}  // namespace model
}  // namespace velmora
