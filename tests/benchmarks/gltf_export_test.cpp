// The stress model written as glTF and GLB through the library's exporter
// converts back into the same character: every face corner at the same place
// at several clock readings of every animation. The conversion keeps the
// file's size, place and facing (height 0, --keep-facing), so no framing
// stands between the two; what remains is the files' single precision.

#include "benchmarks/gltf_export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "files/load.h"
#include "import/character_opening.h"
#include "import/conversion.h"
#include "model/pipeline.h"
#include "tests/benchmarks/sample_models.h"
#include "tests/support/test_support.h"

using namespace velmora;

using Geometry::Vector3;
namespace fs = std::filesystem;

namespace {

// Model units, for a model about 60 high: the files hold single precision,
// which through nine levels of bones moves a point by up to 5e-6.
constexpr double kTolerance = 1e-4;

std::vector<Vector3> posed(const Model& model, std::size_t animation, int64_t milliseconds) {
    const Animation& played = model.animations[animation];
    Pose pose;
    poseSkeleton(model, played, selectFrames(played, model.playbackRate, milliseconds), pose);
    std::vector<Vector3> positions;
    skin(model, pose, positions);
    return positions;
}

// The largest distance between the two models' places of a face corner.
double largestCornerDistance(const Model& expected, const std::vector<Vector3>& expectedPlaces,
                             const Model& actual, const std::vector<Vector3>& actualPlaces) {
    double largest = 0;
    for (std::size_t f = 0; f < expected.faces.size(); ++f) {
        for (int c = 0; c < 3; ++c) {
            const Vector3& a = expectedPlaces[expected.faces[f].vertexIndex[c]];
            const Vector3& b = actualPlaces[actual.faces[f].vertexIndex[c]];
            largest = std::max(largest, std::hypot(a.x - b.x, a.y - b.y, a.z - b.z));
        }
    }
    return largest;
}

}  // namespace

TEST(GltfExport, TheStressModelConvertsBackToTheSamePoses) {
    const LoadResult stress = loadModelFile(sampleModelPath("stress"), {});
    ASSERT_TRUE(stress.modelRead) << reportText(stress.problems);
    const Model& original = stress.model;
    TemporaryFolder folder;
    for (const char* name : {"stress.gltf", "stress.glb"}) {
        SCOPED_TRACE(name);
        const std::string path = folder.path() + name;
        ASSERT_EQ(exportGltf(original, path, path.back() == 'b'), "");

        ConversionRequest options;
        options.inputPath = path;
        options.height = 0;
        options.keepFacing = true;
        options.rate = original.playbackRate;
        std::ostringstream messages;
        ImportLog log(messages);
        const LoadResult converted =
            loadConverted(convertCharacter(options, log, ConvertedForm::Model), {});
        ASSERT_TRUE(converted.modelRead) << reportText(converted.problems);
        const Model& model = converted.model;
        ASSERT_EQ(model.faces.size(), original.faces.size());
        ASSERT_EQ(model.animations.size(), original.animations.size());
        EXPECT_TRUE(model.texture->image);
        for (std::size_t a = 0; a < original.animations.size(); ++a) {
            EXPECT_EQ(animationLabel(model.animations[a].name),
                      animationLabel(fs::path(original.animations[a].name).filename()));
            // The first key, a blend between keys, and one in a later pass.
            for (const int64_t milliseconds : {0, 1250, 2 * 60 * 1000 + 517}) {
                SCOPED_TRACE(testing::Message()
                             << "animation " << a << " at " << milliseconds << " ms");
                EXPECT_LE(largestCornerDistance(original, posed(original, a, milliseconds), model,
                                                posed(model, a, milliseconds)),
                          kTolerance);
            }
        }
    }
}
