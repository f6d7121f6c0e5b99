// The validation is what turns a silently inconsistent Model into a fuzzer
// finding, so each invariant must be seen broken when it is.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "model/validation.h"

using namespace velmora;

namespace {

//        0          bone 5 exists but the root does not reach it,
//       / \         so no animation needs a track for it
//      1   2        vertex 0: one influence (bone 0); vertex 1: two (bones 1, 2)
std::unique_ptr<Model> wellFormedModel() {
    auto model = std::make_unique<Model>();
    for (int bone : {0, 1, 2, 5}) {
        model->bones[bone] = std::make_unique<Bone>();
    }
    model->bones[0]->children = {1, 2};
    model->rootBone = 0;
    model->influenceCounts = {1, 2};
    model->influences.resize(3);
    model->influences[0].bone = 0;
    model->influences[1].bone = 1;
    model->influences[2].bone = 2;
    model->mappingCoords = {{0, 0}, {1, 1}};
    model->faces.resize(1);
    model->faces[0] = Face{{0, 1, 1}, {0, 1, 0}};
    model->texture = std::make_unique<Texture>();
    model->animations.resize(1);
    Animation& animation = model->animations[0];
    animation.frameCount = 2;
    for (int bone : {0, 1, 2}) {
        animation.tracks[bone] = std::make_unique<BoneTrack>();
        animation.tracks[bone]->keys.resize(2);
    }
    return model;
}

TEST(InvariantFaults, EachBrokenInvariantIsNamed) {
    struct Row {
        const char* breakage;
        std::function<void(Model&)> breakModel;
        const char* fault;  // a part of the expected fault; empty: none expected
    };
    const Row rows[] = {
        {"nothing", [](Model&) {}, ""},
        {"rejected animation without tracks",
         [](Model& m) {
             m.animations[0].rejection = "broken";
             m.animations[0].release();
         },
         ""},
        {"root not in the skeleton", [](Model& m) { m.rootBone = 7; }, "root bone 7"},
        {"root beyond the slots", [](Model& m) { m.rootBone = 200; }, "root bone 200"},
        {"child not in the skeleton", [](Model& m) { m.bones[2]->children.push_back(9); },
         "bone 9, a child"},
        {"child beyond the slots", [](Model& m) { m.bones[2]->children.push_back(250); },
         "bone 250, a child"},
        {"cycle back to the root", [](Model& m) { m.bones[2]->children.push_back(0); },
         "reached twice"},
        {"bone with two parents", [](Model& m) { m.bones[1]->children.push_back(2); },
         "bone 2 is reached twice"},
        {"influence on a missing bone", [](Model& m) { m.influences[2].bone = 50; },
         "influence 3 names bone 50"},
        {"influence beyond the slots", [](Model& m) { m.influences[0].bone = 105; },
         "influence 1 names bone 105"},
        {"counts beyond the influences", [](Model& m) { m.influences.pop_back(); },
         "add up to 3 but there are 2"},
        {"face vertex past the end", [](Model& m) { m.faces[0].vertexIndex[2] = 2; },
         "face 1 corner 2"},
        {"face mapping below 0", [](Model& m) { m.faces[0].mappingIndex[0] = -1; },
         "face 1 corner 0"},
        {"no texture record", [](Model& m) { m.texture.reset(); }, "no texture"},
        {"reached bone without a track", [](Model& m) { m.animations[0].tracks[2].reset(); },
         "no track for bone 2"},
        {"short track", [](Model& m) { m.animations[0].tracks[1]->keys.pop_back(); },
         "bone 1 holds 1 keys, not 2"},
        {"accepted without frames",
         [](Model& m) {
             m.animations[0].frameCount = 0;
             for (int bone : {0, 1, 2}) {
                 m.animations[0].tracks[bone]->keys.clear();
             }
         },
         "accepted with no frames"},
        {"rejected but holding tracks", [](Model& m) { m.animations[0].rejection = "broken"; },
         "rejected but holds a track for bone 0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.breakage);
        auto model = wellFormedModel();
        row.breakModel(*model);
        const std::vector<std::string> faults = validateModel(*model);
        if (std::string(row.fault).empty()) {
            EXPECT_TRUE(faults.empty()) << faults.front();
            continue;
        }
        ASSERT_FALSE(faults.empty());
        bool named = false;
        for (const std::string& fault : faults) {
            named = named || fault.find(row.fault) != std::string::npos;
        }
        EXPECT_TRUE(named) << "first fault: " << faults.front();
    }
}

}  // namespace
