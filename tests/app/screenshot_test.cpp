// Screenshot names, numbered so that no file is replaced.

#include <gtest/gtest.h>

#include "app/screenshot.h"
#include "tests/drawing/test_model.h"
#include "tests/support/test_support.h"

using namespace velmora;

namespace {

TEST(Screenshot, StemIsTheModelFileName) {
    const std::pair<std::string, std::string> rows[] = {
        {"Models/schoolgirl/schoolgirl.animesh", "schoolgirl"},
        {"/a/b.c/plain", "plain"},
        {"x.tar.animesh", "x.tar"},
        {"", "velmora"},
    };
    for (const auto& [path, stem] : rows) {
        EXPECT_EQ(screenshotStem(path), stem) << path;
    }
}

TEST(Screenshot, NumbersSkipTakenNames) {
    TemporaryFolder folder;
    WorkingDirectory inFolder(folder.path());
    folder.write("shot-1.png", "kept");
    folder.write("shot-3.png", "kept");
    const std::string expected[] = {"shot-2.png", "shot-4.png"};
    for (const std::string& name : expected) {
        const SavedFile saved = saveNumbered("shot", "picture");
        EXPECT_EQ(saved.path, name);
        EXPECT_EQ(saved.error, "");
        EXPECT_EQ(readFile(name), "picture");
    }
    EXPECT_EQ(readFile("shot-1.png"), "kept");
    EXPECT_EQ(saveNumbered("none/shot", "picture")
                  .error.rfind("none/shot-1.png: cannot open its folder", 0),
              0u);
}

}  // namespace
