#include <gtest/gtest.h>

#include "files/model.h"

using namespace velmora;

// The label is cut at the first hyphen of the motion file's own name; folders
// above it, hyphens or not, never cut it. Paths without a hyphen in a folder
// keep the label they always had.
TEST(AnimationLabel, IsCutAtTheFirstHyphenOfTheFileName) {
    const struct {
        const char* what;
        const char* name;
        const char* label;
    } rows[] = {
        {"sample, relative", "Models/tomboy/tomboy-Idle", "Idle"},
        {"sample, absolute", "/usr/share/velmora/Models/tomboy/tomboy-Idle", "Idle"},
        {"bare name", "walk-fast-2", "fast-2"},
        {"leading hyphen", "-run", "run"},
        {"trailing hyphen", "jump-", ""},
        {"no hyphen anywhere", "Models/a/walk", "Models/a/walk"},
        {"hyphenated folder, relative", "my-models/tomboy/tomboy-Idle", "Idle"},
        {"hyphenated folder, absolute", "/home/u/my-models/build-x/tomboy-Run", "Run"},
        {"hyphenated folder, none in the name", "/home/u/my-models/walk", "/home/u/my-models/walk"},
        {"hyphenated folder, second hyphen in the name", "a-b/c-d-e", "d-e"},
        {"trailing slash", "a-b/", "a-b/"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(animationLabel(row.name), row.label) << row.what;
    }
}
