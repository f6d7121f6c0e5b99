// The inspection colourings on a tiny rig: which colour each vertex gets for
// a bone's weights and for its influence count, the corners following their
// vertices, the legend naming the bone, and the vertices findings fault.

#include <gtest/gtest.h>

#include <cmath>

#include "model/vertex_colouring.h"

using namespace velmora;

namespace {

// Bones 0, 1 and 3 (slot 2 empty; bone 3 named "hand"). Vertices:
//   0: bone 0 weight 1            3: no influences
//   1: bone 0 0.25, bone 1 0.75   4: bone 1 0.5 + 0.5 (one bone named twice)
//   2: bone 0 0.8, bone 1 0.4     5: five influences of 0.2: bone 0 once,
//      (sum 1.2, above 1)               bones 1 and 3 twice each
void buildRig(Model& model) {
    for (int slot : {0, 1, 3}) {
        model.bones[slot] = std::make_unique<Bone>();
    }
    model.bones[0]->children = {1};
    model.bones[1]->children = {3};
    model.bones[3]->name = "hand";
    model.influenceCounts = {1, 2, 2, 0, 2, 5};
    const auto add = [&](uint8_t bone, double weight) {
        model.influences.push_back({{0, 0, 0}, bone, weight});
    };
    add(0, 1);
    add(0, 0.25), add(1, 0.75);
    add(0, 0.8), add(1, 0.4);
    add(1, 0.5), add(1, 0.5);
    for (uint8_t bone : {0, 1, 1, 3, 3}) {
        add(bone, 0.2);
    }
    model.mappingCoords = {{0, 0}};
    model.faces = {{{0, 1, 2}, {0, 0, 0}}, {{3, 4, 5}, {0, 0, 0}}, {{5, 0, 3}, {0, 0, 0}}};
    model.indexFaces();
}

const VertexColour kBlue = {0, 0, 1};
const VertexColour kCyan = {0, 1, 1};
const VertexColour kGreen = {0, 1, 0};
const VertexColour kYellow = {1, 1, 0};
const VertexColour kRed = {1, 0, 0};

TEST(VertexColouring, EachVertexGetsTheColourOfItsWeightOrCount) {
    Model model;
    buildRig(model);
    const VertexColour grey = kNotInfluencedColour;
    const VertexColour magenta = kOverweightColour;
    const auto& counts = kInfluenceCountColours;
    struct Row {
        const char* name;
        MeshColouring colouring;
        int bone;
        std::vector<VertexColour> expected;
    };
    const Row rows[] = {
        {"texture: none", MeshColouring::Texture, 0, {}},
        {"bone 0: 1 hot, 1/4 cyan, not influenced grey, sum above 1 marked",
         MeshColouring::Weights,
         0,
         {kRed, kCyan, magenta, grey, grey, {0, 0.8f, 1}}},
        {"bone 1: 3/4 yellow, a bone named twice adds up",
         MeshColouring::Weights,
         1,
         {grey, kYellow, magenta, grey, kRed, {0, 1, 0.4f}}},
        {"bone 3", MeshColouring::Weights, 3, {grey, grey, magenta, grey, grey, {0, 1, 0.4f}}},
        {"an empty slot influences nothing",
         MeshColouring::Weights,
         2,
         {grey, grey, magenta, grey, grey, grey}},
        {"influence counts 0 to 5",
         MeshColouring::Influences,
         0,
         {counts[1], counts[2], counts[2], counts[0], counts[2], counts[5]}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto colours = vertexColours(model, row.colouring, row.bone);
        ASSERT_EQ(colours.size(), row.expected.size());
        for (std::size_t v = 0; v < colours.size(); ++v) {
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(colours[v][c], row.expected[v][c], 1e-6) << "vertex " << v;
            }
        }
        // Each stored corner takes its vertex's colour.
        const auto corners = cornerColours(model, colours);
        ASSERT_EQ(corners.size(), colours.empty() ? 0 : model.cornerVertices.size());
        for (std::size_t c = 0; c < corners.size(); ++c) {
            EXPECT_EQ(corners[c], colours[model.cornerVertices[c]]);
        }
    }
}

TEST(VertexColouring, TheHeatMapRunsFromColdToHotAndClamps) {
    const std::pair<double, VertexColour> rows[] = {
        {-1, kBlue}, {0, kBlue}, {0.25, kCyan},         {0.5, kGreen},         {0.75, kYellow},
        {1, kRed},   {7, kRed},  {std::nan(""), kBlue}, {0.125, {0, 0.5f, 1}},
    };
    for (const auto& [weight, expected] : rows) {
        const VertexColour colour = heatColour(weight);
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(colour[c], expected[c], 1e-6) << "weight " << weight;
        }
    }
    // Six counts, six colours.
    for (std::size_t a = 0; a < kInfluenceCountColours.size(); ++a) {
        for (std::size_t b = a + 1; b < kInfluenceCountColours.size(); ++b) {
            EXPECT_NE(kInfluenceCountColours[a], kInfluenceCountColours[b]);
        }
    }
}

TEST(VertexColouring, LegendsInfluencedCountsAndFaultedVertices) {
    Model model;
    buildRig(model);
    EXPECT_EQ(colouringLegend(model, MeshColouring::Weights, 3).title, "Weights of bone hand");
    EXPECT_EQ(colouringLegend(model, MeshColouring::Weights, 1).title, "Weights of bone 1");
    EXPECT_EQ(colouringLegend(model, MeshColouring::Influences, 0).entries.size(), 7u);
    EXPECT_TRUE(colouringLegend(model, MeshColouring::Texture, 0).title.empty());

    EXPECT_EQ(influencedVertexCount(model, 0), 4u);
    EXPECT_EQ(influencedVertexCount(model, 1), 4u);
    EXPECT_EQ(influencedVertexCount(model, 3), 1u);
    EXPECT_EQ(influencedVertexCount(model, 2), 0u);

    // Vertex 2 sums to 1.2, 3 has no influences, 5 has too many.
    EXPECT_EQ(faultedVertices(checkCharacter(model, {})), (std::vector<std::size_t>{2, 3, 5}));
}

}  // namespace
