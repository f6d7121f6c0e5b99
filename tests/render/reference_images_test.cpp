// Reference images: velmora-render's pictures of the render figure
// (render_figure.h) and of each sample character (written into Models/ of the
// build folder by velmora-samples) at fixed clock readings, compared with the
// PNGs kept in tests/render/references/.
//
// A picture matches when at most kDifferingShare of its pixels differ, a pixel
// differing when one of its channels is more than kChannelTolerance away from
// the reference. Mesa's software renderer draws the same pixels on every run, so
// the margins only absorb another version's rounding of texture lookups and of
// which pixels an edge covers; a wrong pose, camera, projection, texture or clock
// moves whole parts and differs by far more.
//
// On a mismatch the test writes the render as <name>.png and the difference as
// <name>.difference.png into tests/render/mismatches/ of the build folder.
// After an intended change to the drawing, rewrite the references (then look at
// them before committing) with:
//
//   VELMORA_UPDATE_REFERENCES=1 build/bin/render_test --gtest_filter='*ReferenceImages*'

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "files/safe_file.h"
#include "tests/render/picture_check.h"
#include "tests/render/render_figure.h"
#include "tests/support/test_support.h"
#include "tools/render/model_picture.h"

using namespace velmora;

namespace {

namespace fs = std::filesystem;

constexpr int kChannelTolerance = 8;
constexpr double kDifferingShare = 0.002;

struct ReferenceCase {
    const char* name;
    // "figure", or the folder of a sample character under Models/.
    const char* model;
    int animation;
    int64_t at;
    std::optional<double> angle;
    std::optional<double> zoom;
    bool bones;
    bool mesh;
};

const ReferenceCase kCases[] = {
    {"figure_rest", "figure", 1, 0, {}, {}, false, true},
    {"figure_wave_150ms_bones", "figure", 1, 150, {}, {}, true, true},
    {"figure_wave_250ms_bones_only", "figure", 1, 250, {}, {}, true, false},
    {"figure_turned_angle135_zoom220", "figure", 2, 0, 135.0, 220.0, false, true},
};

// Each sample character standing at the reset view, and walking with its
// skeleton shown, seen from the side.
const ReferenceCase kSampleCases[] = {
    {"schoolgirl_idle", "schoolgirl", 1, 0, {}, {}, false, true},
    {"schoolgirl_walk_500ms_bones", "schoolgirl", 2, 500, 120.0, {}, true, true},
    {"tomboy_idle", "tomboy", 1, 0, {}, {}, false, true},
    {"tomboy_walk_500ms_bones", "tomboy", 2, 500, 120.0, {}, true, true},
    {"greaser_idle", "greaser", 1, 0, {}, {}, false, true},
    {"greaser_walk_500ms_bones", "greaser", 2, 500, 120.0, {}, true, true},
    {"cowboy_idle", "cowboy", 1, 0, {}, {}, false, true},
    {"cowboy_walk_500ms_bones", "cowboy", 2, 500, 120.0, {}, true, true},
};

// Names the case in test listings, in place of its bytes.
void PrintTo(const ReferenceCase& reference, std::ostream* out) {
    *out << reference.name;
}

std::string modelPathFor(const ReferenceCase& reference, const TemporaryFolder& folder) {
    const std::string model = reference.model;
    if (model == "figure") {
        return writeRenderFigure(folder.path().substr(0, folder.path().size() - 1));
    }
    return std::string(VELMORA_SAMPLES_FOLDER) + "/" + model + "/" + model + ".animesh";
}

class ReferenceImages : public testing::TestWithParam<ReferenceCase> {};

TEST_P(ReferenceImages, PictureMatchesItsReference) {
    useSoftwareRenderer();
    const ReferenceCase& reference = GetParam();
    const TemporaryFolder folder;
    RenderOptions options;
    options.modelPath = modelPathFor(reference, folder);
    options.width = 200;
    options.height = 150;
    options.animationNumber = reference.animation;
    options.at = reference.at;
    options.angle = reference.angle;
    options.zoom = reference.zoom;
    options.showBones = reference.bones;
    options.showMesh = reference.mesh;
    const Image picture = renderPicture(options);

    const std::string name = reference.name;
    const std::string referencePath = std::string(VELMORA_REFERENCE_FOLDER) + "/" + name + ".png";
    if (std::getenv("VELMORA_UPDATE_REFERENCES")) {
        ASSERT_TRUE(writeFile(referencePath, encodePng(picture))) << referencePath;
        std::cout << "rewrote " << referencePath << "\n";
        return;
    }
    const auto expected = readPicture(referencePath);
    const Comparison comparison = compare(picture, expected.value_or(Image{}), kChannelTolerance);
    const bool matches = comparison.sameSize && comparison.differingShare() <= kDifferingShare;
    if (!matches) {
        const std::string mismatches = VELMORA_MISMATCH_FOLDER;
        fs::create_directories(mismatches);
        writeFile(mismatches + "/" + name + ".png", encodePng(picture));
        if (comparison.sameSize) {
            writeFile(mismatches + "/" + name + ".difference.png",
                      encodePng(comparison.difference));
        }
        ADD_FAILURE() << name << ": "
                      << (!expected ? "no reference at " + referencePath
                          : !comparison.sameSize
                              ? "the reference has another size"
                              : std::to_string(comparison.differingPixels) + " of " +
                                    std::to_string(comparison.pixels) +
                                    " pixels differ (largest channel difference " +
                                    std::to_string(comparison.largestDifference) + ")")
                      << "; the render and the difference are in " << mismatches;
    }
}

std::string caseName(const testing::TestParamInfo<ReferenceCase>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Figure, ReferenceImages, testing::ValuesIn(kCases), caseName);
INSTANTIATE_TEST_SUITE_P(Samples, ReferenceImages, testing::ValuesIn(kSampleCases), caseName);

}  // namespace
