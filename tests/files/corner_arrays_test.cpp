// The reader turns the faces into indexed vertex arrays for drawing: every
// face corner must point at a stored corner with its own vertex and mapping
// coordinate, and corners that faces share are stored once.

#include <gtest/gtest.h>

#include <vector>

#include "files/model.h"

using namespace velmora;

namespace {

// Every face corner leads to a stored corner of the same vertex and mapping
// coordinate, and the arrays agree in size.
void expectFaithfulCorners(const Model& model) {
    ASSERT_EQ(model.faceCorners.size(), model.faces.size() * 3);
    ASSERT_EQ(model.cornerMappingCoords.size(), model.cornerVertices.size());
    for (std::size_t face = 0; face < model.faces.size(); ++face) {
        for (int corner = 0; corner < 3; ++corner) {
            const uint32_t stored = model.faceCorners[face * 3 + corner];
            ASSERT_LT(stored, model.cornerVertices.size());
            const MappingCoord& coordinate =
                model.mappingCoords[model.faces[face].mappingIndex[corner]];
            EXPECT_EQ(model.cornerVertices[stored], model.faces[face].vertexIndex[corner]);
            EXPECT_EQ(model.cornerMappingCoords[stored][0], static_cast<float>(coordinate[0]));
            EXPECT_EQ(model.cornerMappingCoords[stored][1], static_cast<float>(coordinate[1]));
        }
    }
}

}  // namespace

//   vertices        3 --- 2         faces (vertex / mapping per corner)
//                   |  \  |           A: 0/0 1/1 2/2
//                   |   \ |           B: 0/0 2/2 3/3
//                   0 --- 1           C: 4/1 1/1 3/3   mapping 1 also on vertex 4
//
//   A and B share the corners 0/0 and 2/2; C's 4/1 is a corner of its own.
TEST(CornerArrays, SharedCornersAreStoredOnce) {
    struct Case {
        const char* what;
        std::vector<Face> faces;
        std::vector<uint32_t> faceCorners;
        std::vector<int32_t> cornerVertices;
    };
    const Case cases[] = {
        {"one face", {{{0, 1, 2}, {0, 1, 2}}}, {0, 1, 2}, {0, 1, 2}},
        {"two faces sharing an edge",
         {{{0, 1, 2}, {0, 1, 2}}, {{0, 2, 3}, {0, 2, 3}}},
         {0, 1, 2, 0, 2, 3},
         {0, 1, 2, 3}},
        {"a mapping coordinate on two vertices",
         {{{0, 1, 2}, {0, 1, 2}}, {{0, 2, 3}, {0, 2, 3}}, {{4, 1, 3}, {1, 1, 3}}},
         {0, 1, 2, 0, 2, 3, 4, 5, 3},
         {0, 1, 2, 3, 4, 1}},
        {"a degenerate face", {{{2, 2, 2}, {1, 1, 1}}}, {0, 0, 0}, {2}},
        {"no faces", {}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Model model;
        model.influenceCounts.resize(5);
        model.mappingCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        model.faces = c.faces;
        model.indexFaces();
        EXPECT_EQ(model.faceCorners, c.faceCorners);
        EXPECT_EQ(model.cornerVertices, c.cornerVertices);
        expectFaithfulCorners(model);
    }
}
