// The load benchmark compares the viewer's reader with a baseline built on
// std::istream extraction. The comparison is fair only if both read the same
// Model from the same files, whatever the layout the format allows.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <string>

#include "benchmarks/istream_reader.h"
#include "tests/benchmarks/sample_models.h"
#include "tests/support/test_support.h"

using namespace velmora;

namespace {

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The line of each dump where they first differ (empty when they are equal), so
// that a failure shows what differs rather than two dumps of many megabytes.
std::string firstDifference(const std::string& viewer, const std::string& baseline) {
    if (viewer == baseline) {
        return "";
    }
    const std::size_t at =
        std::mismatch(viewer.begin(), viewer.end(), baseline.begin(), baseline.end()).first -
        viewer.begin();
    auto lineAt = [at](const std::string& dump) {
        const std::size_t feed = dump.rfind('\n', at == 0 ? 0 : at - 1);
        const std::size_t start = feed == std::string::npos ? 0 : feed + 1;
        return "\"" + dump.substr(start, std::min<std::size_t>(dump.find('\n', at) - start, 200)) +
               "\"";
    };
    return "viewer " + lineAt(viewer) + ", istream " + lineAt(baseline);
}

void expectSameModel(const std::string& path) {
    const LoadResult viewer = loadModelFile(path, {});
    ASSERT_TRUE(viewer.modelRead);
    Model baseline;
    loadWithIstream(baseline, path);
    EXPECT_EQ(firstDifference(dump(viewer.model), dump(baseline)), "") << path;
}

}  // namespace

TEST(IstreamReader, ReadsTheTestFigureInEveryLayoutAsTheViewerDoes) {
    struct Layout {
        const char* what;
        std::function<std::string(const std::string&)> rewrite;
    };
    const Layout layouts[] = {
        {"as written", [](const std::string& text) { return text; }},
        {"carriage returns before the line feeds",
         [](const std::string& text) { return replaceAll(text, "\n", "\r\n"); }},
        {"blank lines and indentation",
         [](const std::string& text) { return replaceAll(text, "\n", "\n\n \t"); }},
        {"square brackets",
         [](const std::string& text) { return replaceAll(replaceAll(text, "(", "["), ")", "]"); }},
        {"neither brackets nor commas",
         [](const std::string& text) {
             return replaceAll(replaceAll(replaceAll(text, "(", ""), ")", ""), ",", "");
         }},
        {"one number per line",
         [](const std::string& text) {
             const std::string split = std::regex_replace(text, std::regex("([0-9]), "), "$1\n");
             return replaceAll(split, ") (", ")\n(");
         }},
        {"comment lines first, a count without a blank",
         [](const std::string& text) {
             return "// exported\n//\n" + replaceAll(text, "Count: ", "Count:");
         }},
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.what);
        TemporaryFolder folder;
        folder.write("figure-walk.motion", layout.rewrite(kFigureWalk));
        folder.write("figure-wave.motion", layout.rewrite(kFigureWave));
        expectSameModel(folder.write("figure.animesh", layout.rewrite(kFigureModel)));
    }
}

TEST(IstreamReader, ReadsTheBenchmarkedModelsAsTheViewerDoes) {
    for (const char* name : {"schoolgirl", "stress"}) {
        expectSameModel(sampleModelPath(name));
    }
}
