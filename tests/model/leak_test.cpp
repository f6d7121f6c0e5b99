// Loading, playing and releasing models, well-formed or rejected, a thousand
// times keeps nothing. In the sanitizer build the leak checker examines every
// allocation when the test ends; in the normal build the heap in use must come
// back to where it was.

#include <malloc.h>

#include <gtest/gtest.h>

#include <iostream>

#include "model/animation.h"
#include "model/clock.h"
#include "tests/support/test_support.h"

namespace {

std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

// Discards standard error, where every rejected load leaves a message.
class Silenced {
  public:
    Silenced() : previous_(std::cerr.rdbuf(nullptr)) {}
    ~Silenced() { std::cerr.rdbuf(previous_); }

  private:
    std::streambuf* previous_;
};

}  // namespace

TEST(Leaks, AThousandLoadsAndReleasesKeepNothing) {
    InstalledFakes fakes;
    auto& files = fakes.source.files;
    const std::vector<std::string> paths = {
        fakes.addFigure(),
        fakes.addFigure("broken/"),
        fakes.addFigure("bad-motion/"),
        fakes.addFigure("missing/"),
    };
    files["broken/figure.animesh"] = replaceLine(kFigureModel, 28, "0 1 9 0 1 2");
    files["bad-motion/figure-walk.motion"] = replaceLine(kFigureWalk, 16, "Bone: 0");
    files.erase("missing/skin.png");
    files.erase("missing/figure-wave.motion");
    installClock([] { return 1234; });

    auto cycle = [&] {
        fakes.textures.loaded.clear();
        fakes.textures.released.clear();
        for (const std::string& path : paths) {
            auto model = std::make_unique<Model>();
            model->loadFile(path);
            for (int32_t a = 0; a < 2; ++a) {
                if (isPlayable(*model, a)) {
                    updateSkin(*model, a, 0);
                }
            }
            model->unload();
        }
    };
    Silenced silenced;
    cycle();
    const std::size_t settled = heapInUse();
    for (int i = 0; i < 1000; ++i) {
        cycle();
    }
    installClock({});
    EXPECT_LE(heapInUse(), settled + 4096);
}
