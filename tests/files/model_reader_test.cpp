#include <gtest/gtest.h>

#include "files/base_directory.h"
#include "files/model.h"
#include "tests/support/test_support.h"

TEST(ModelReader, ReadsTheFigure) {
    InstalledFakes fakes;
    Model model;
    ASSERT_TRUE(model.loadFile(fakes.addFigure()));
    EXPECT_EQ(model.bones[0]->children, (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(model.influenceCounts, (std::vector<uint8_t>{1, 1, 2, 1}));
    ASSERT_EQ(model.influences.size(), 5u);
    EXPECT_EQ(model.influences[3].bone, 2);
    EXPECT_EQ(model.influences[3].weight, 0.5);
    EXPECT_EQ(model.influences[3].offset.y, -1);
    EXPECT_EQ(model.mappingCoords[2], (MappingCoord{1, 1}));
    EXPECT_EQ(model.faces[1].vertexIndex[2], 3);
    EXPECT_EQ(model.texture->fileName, "figure/skin.png");
    EXPECT_NE(model.texture->glName, 0u);
    ASSERT_EQ(model.animations.size(), 2u);
    EXPECT_EQ(model.animations[0].name, "figure/figure-walk.motion");
    EXPECT_EQ(animationLabel(model.animations[0].name), "walk.motion");
    EXPECT_EQ(baseDirectory, "");
}

TEST(ModelReader, TheLastRootMarkerNamesTheRoot) {
    //   0 (marker)       2 (marker, last: the root)
    //   +-- 1
    InstalledFakes fakes;
    const std::string path = fakes.addFigure();
    fakes.source.files[path] = replaceLine(kFigureModel, 23, "2 -1 second root");
    Model model;
    ASSERT_TRUE(model.loadFile(path));
    EXPECT_EQ(model.rootBone, 2);
    EXPECT_EQ(model.bones[0]->children, (std::vector<uint8_t>{1}));
}

TEST(ModelReader, NonUnitWeightsAndRotationsAreKeptAsRead) {
    InstalledFakes fakes;
    const std::string path = fakes.addFigure();
    fakes.source.files[path] = replaceLine(kFigureModel, 15, "2 -1 0.25 0.25 1");
    fakes.source.files["figure/figure-walk.motion"] =
        replaceLine(kFigureWalk, 8, "(0, 0, 0) (0, 0, 3, 4)");
    Model model;
    ASSERT_TRUE(model.loadFile(path));
    EXPECT_EQ(model.influences[0].weight, 2);
    EXPECT_EQ(model.influences[1].weight, -1);
    const Geometry::Quaternion q = model.animations[0].tracks[0]->keys[0].rotation;
    EXPECT_EQ(q.w, 4);
    EXPECT_EQ(q.z, 3);
}

TEST(ModelReader, AnAnimationCountOfZeroReadsNoNames) {
    InstalledFakes fakes;
    const std::string path = fakes.addFigure();
    fakes.source.files[path] = linesBefore(kFigureModel, 33) + "Count: 0";
    Model model;
    ASSERT_TRUE(model.loadFile(path));
    EXPECT_TRUE(model.animations.empty());
}

// A texture or motion file that cannot be opened is reported (a motion file by
// the name the model gives it) and the rest of the model loads.
TEST(ModelReader, NamedFilesThatCannotBeOpenedAreReportedAndTheRestLoads) {
    struct Case {
        const char* what;
        int line;  // of kFigureModel replaced by replacement, or 0
        const char* replacement;
        const char* erased;  // a file of the figure's folder, or ""
        const char* errors;
        const char* texture;
        bool textureLoaded;
        int rejected;  // the animation that cannot be played, or -1
    };
    const Case cases[] = {
        {"missing texture", 0, "", "skin.png", "Failed to open \"Models/figure/skin.png\"\n\n",
         "Models/figure/skin.png", false, -1},
        {"texture keyword alone", 31, "Texture:", "", "Failed to open \"Models/figure/\"\n\n",
         "Models/figure/", false, -1},
        {"missing motion file", 0, "", "figure-wave.motion",
         "Failed to open \"figure-wave.motion\"\n\n", "Models/figure/skin.png", true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InstalledFakes fakes;
        const std::string path = fakes.addFigure("Models/figure/");
        if (c.line) {
            fakes.source.files[path] = replaceLine(kFigureModel, c.line, c.replacement);
        }
        fakes.source.files.erase(std::string("Models/figure/") + c.erased);
        Model model;
        CapturedErrors errors;
        ASSERT_TRUE(model.loadFile(path));
        EXPECT_EQ(errors.text(), c.errors);
        EXPECT_EQ(model.texture->fileName, c.texture);
        EXPECT_EQ(model.texture->glName != 0, c.textureLoaded);
        ASSERT_EQ(model.animations.size(), 2u);
        EXPECT_EQ(model.animations[1].name, "Models/figure/figure-wave.motion");
        for (int a : {0, 1}) {
            EXPECT_EQ(model.animations[a].rejection.empty(), a != c.rejected) << a;
        }
    }
}

TEST(BaseDirectory, IsTheModelPathUpToItsLastSlashOrElseBackslash) {
    struct Case {
        const char* path;
        const char* directory;
    };
    const Case cases[] = {
        {"Models/cowboy/cowboy.animesh", "Models/cowboy/"},
        {"C:\\models\\girl.animesh", "C:\\models\\"},
        {"C:\\data/models\\x.animesh", "C:\\data/"},
        {"/abs/path/x.animesh", "/abs/path/"},
        {"girl.animesh", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(directoryOf(c.path), c.directory) << c.path;
    }
}

TEST(BaseDirectory, NamedFilesAreJoinedToItAndItIsEmptyAfterEveryLoad) {
    InstalledFakes fakes;
    const std::string path = fakes.addFigure("C:\\models\\");
    Model loaded;
    ASSERT_TRUE(loaded.loadFile(path));
    EXPECT_EQ(loaded.texture->fileName, "C:\\models\\skin.png");
    EXPECT_EQ(loaded.animations[0].name, "C:\\models\\figure-walk.motion");
    EXPECT_EQ(baseDirectory, "");

    CapturedErrors errors;
    fakes.source.files["C:\\models\\broken.animesh"] = linesBefore(kFigureModel, 20);
    for (const char* other : {"C:\\models\\missing.animesh", "C:\\models\\broken.animesh"}) {
        Model model;
        EXPECT_FALSE(model.loadFile(other));
        EXPECT_EQ(baseDirectory, "") << other;
    }
}
