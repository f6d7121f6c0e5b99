// velmora-import's command line: what it refuses (its conversion is
// import_test's).

#include <gtest/gtest.h>

#include "tools/import/import_options.h"

using namespace velmora;

namespace {

TEST(ImportProgram, RefusesWhatItCannotUse) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"x.glb", "--rate", "0"},
        {"x.glb", "--rate", "1001"},
        {"x.glb", "--height", "-3"},
        {"x.glb", "x.glb"},
        {"x.glb", "--rate", "2.5"},
        {"x.glb", "--height", "nan"},
        {"x.glb", "--name", "a/b"},
        {"x.glb", "--animations", ","},
        {"-o", "out"},
    };
    for (const auto& arguments : cases) {
        ImportOptions options;
        const Arguments::Parsed parsed = Arguments::parse(importProgram(options), arguments);
        EXPECT_EQ(parsed.request, Arguments::Request::UsageError)
            << ::testing::PrintToString(arguments);
        EXPECT_FALSE(parsed.error.empty());
    }
}

}  // namespace
