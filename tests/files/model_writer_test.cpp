#include "files/model_writer.h"

#include <gtest/gtest.h>

#include "files/model_binary.h"
#include "tests/support/test_support.h"

using namespace velmora;

namespace {

const std::vector<std::string> kMotionNames = {"figure-walk.motion", "figure-wave.motion"};

// The dump of the model read from modelText and motionTexts at the figure's paths.
std::string readBack(const std::string& modelText, const std::vector<std::string>& motionTexts) {
    TestFiles files;
    const std::string path = files.addFigure();
    files.files[path] = modelText;
    for (std::size_t i = 0; i < kMotionNames.size(); ++i) {
        files.files["figure/" + kMotionNames[i]] = motionTexts[i];
    }
    const LoadResult loaded = files.load(path);
    EXPECT_TRUE(loaded.modelRead) << reportText(loaded.problems);
    return dump(loaded.model);
}

}  // namespace

// Bones 3 and 0 both carry a root marker (0, the last, is the root); 0's
// children are listed 2 before 1. Values need all 17 digits to survive.
//
//   3        0
//            +-- 2
//            +-- 1
TEST(ModelWriter, WhatIsWrittenReadsBackTheSame) {
    std::string model = replaceLine(kFigureModel, 15, "0.1 0.3333333333333333 2.5e-300 -7e22 1");
    model = replaceLine(model, 17, "(1e-7, -0.0, 123456.789) (3.141592653589793, 0, 0)");
    model = replaceLine(replaceLine(model, 23, "1 0"), 22, "2 0");
    model = replaceLine(model, 21, "3 -1\n0 -1");
    model = replaceLine(model, 19, "Skeletal information: 4");
    const std::string walk = replaceLine(kFigureWalk, 8, "(0.1, 0.2, 0.3) (0.5, 0.5, 0.5, 0.5)");

    TestFiles files;
    const std::string path = files.addFigure();
    files.files[path] = model;
    files.files["figure/figure-walk.motion"] = walk;
    const LoadResult loaded = files.load(path);
    ASSERT_TRUE(loaded.modelRead);
    const Model& original = loaded.model;
    ASSERT_EQ(original.bones[0]->children, (std::vector<uint8_t>{2, 1}));

    const std::string written = modelText(original, "skin.png", kMotionNames);
    const std::string copy =
        readBack(written, {motionText(original.animations[0]), motionText(original.animations[1])});
    EXPECT_EQ(copy, dump(original)) << written;
}

// The binary form gives back the model it was made of, bone names included;
// cut short or altered in its lengths it is refused rather than read.
TEST(ModelBinary, GivesBackTheModelAndRefusesWhatIsNotWhole) {
    TestFiles files;
    LoadResult loaded = files.load(files.addFigure());
    ASSERT_TRUE(loaded.modelRead);
    loaded.model.bones[0]->name = "hips";
    loaded.model.bones[2]->name = "left leg";
    const std::string bytes = modelBinary(loaded.model);
    const std::optional<Model> copy = readModelBinary(bytes);
    ASSERT_TRUE(copy);
    EXPECT_EQ(dump(*copy), dump(loaded.model));
    for (const std::size_t kept :
         {std::size_t{0}, std::size_t{7}, bytes.size() / 2, bytes.size() - 1}) {
        SCOPED_TRACE(kept);
        EXPECT_FALSE(readModelBinary(bytes.substr(0, kept)));
    }
    EXPECT_FALSE(readModelBinary(bytes + "x")) << "trailing bytes";
}
