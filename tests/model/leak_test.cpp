// Loading, playing and releasing models, well-formed or rejected, a thousand
// times keeps nothing. In the sanitizer build the leak checker examines every
// allocation when the test ends; in the normal build the heap in use must come
// back to where it was.

#include <malloc.h>

#include <gtest/gtest.h>

#include "model/pipeline.h"
#include "tests/support/test_support.h"

using namespace velmora;

namespace {

std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

}  // namespace

TEST(Leaks, AThousandLoadsAndReleasesKeepNothing) {
    TestFiles source;
    auto& files = source.files;
    const std::vector<std::string> paths = {
        source.addFigure(),
        source.addFigure("broken/"),
        source.addFigure("bad-motion/"),
        source.addFigure("missing/"),
    };
    files["broken/figure.animesh"] = replaceLine(kFigureModel, 28, "0 1 9 0 1 2");
    files["bad-motion/figure-walk.motion"] = replaceLine(kFigureWalk, 16, "Bone: 0");
    files.erase("missing/skin.png");
    files.erase("missing/figure-wave.motion");

    auto cycle = [&] {
        for (const std::string& path : paths) {
            LoadResult loaded = source.load(path);
            const Model& model = loaded.model;
            for (int32_t a = 0; a < 2; ++a) {
                if (isPlayable(model, a)) {
                    const Animation& animation = model.animations[a];
                    Pose pose;
                    std::vector<Geometry::Vector3> positions;
                    poseSkeleton(model, animation,
                                 selectFrames(animation, model.playbackRate, 1234), pose);
                    skin(model, pose, positions);
                }
            }
            loaded.model.unload();
        }
    };
    cycle();
    const std::size_t settled = heapInUse();
    for (int i = 0; i < 1000; ++i) {
        cycle();
    }
    EXPECT_LE(heapInUse(), settled + 4096);
}
