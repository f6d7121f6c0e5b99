#include <gtest/gtest.h>

#include "files/load.h"
#include "files/model.h"
#include "tests/support/test_support.h"

using namespace velmora;

TEST(ModelReader, NonUnitWeightsAndRotationsAreKeptAsRead) {
    TestFiles files;
    const std::string path = files.addFigure();
    files.files[path] = replaceLine(kFigureModel, 15, "2 -1 0.25 0.25 1");
    files.files["figure/figure-walk.motion"] =
        replaceLine(kFigureWalk, 8, "(0, 0, 0) (0, 0, 3, 4)");
    const LoadResult loaded = files.load(path);
    ASSERT_TRUE(loaded.modelRead);
    const Model& model = loaded.model;
    EXPECT_EQ(model.influences[0].weight, 2);
    EXPECT_EQ(model.influences[1].weight, -1);
    const Geometry::Quaternion q = model.animations[0].tracks[0]->keys[0].rotation;
    EXPECT_EQ(q.w, 4);
    EXPECT_EQ(q.z, 3);
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
        TestFiles files;
        const std::string path = files.addFigure("Models/figure/");
        if (c.line) {
            files.files[path] = replaceLine(kFigureModel, c.line, c.replacement);
        }
        files.files.erase(std::string("Models/figure/") + c.erased);
        const LoadResult loaded = files.load(path);
        ASSERT_TRUE(loaded.modelRead);
        const Model& model = loaded.model;
        EXPECT_EQ(reportText(loaded.problems), c.errors);
        EXPECT_EQ(model.texture->fileName, c.texture);
        EXPECT_EQ(model.texture->image.has_value(), c.textureLoaded);
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

TEST(BaseDirectory, NamedFilesAreJoinedToItAsGiven) {
    struct Case {
        const char* directory;
        const char* name;
        const char* joined;
    };
    const Case cases[] = {
        {"Models/cowboy/", "skin.png", "Models/cowboy/skin.png"},
        {"C:\\models\\", "skin.png", "C:\\models\\skin.png"},
        {"Models/", "../common/skin.png", "Models/../common/skin.png"},
        // An absolute name stays inside the model's folder with or without one.
        {"Models/", "/etc/passwd", "Models//etc/passwd"},
        {"", "/etc/passwd", "./etc/passwd"},
        {"", "skin.png", "skin.png"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(joinToDirectory(c.directory, c.name), c.joined) << c.directory << c.name;
    }
}
