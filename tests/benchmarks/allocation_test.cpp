// Once a model is loaded, its frames take nothing from the heap: the reader
// sizes every array that the per-frame road writes (the corner arrays of
// drawing too: corner_arrays_test.cpp). Drawing is checked with a display, in
// drawing_test.cpp.

#include <gtest/gtest.h>

#include "benchmarks/heap_counter.h"
#include "model/animation.h"
#include "model/clock.h"
#include "tests/benchmarks/sample_models.h"

// Every animation of the sample at readings from the start to a week later.
TEST(Allocation, PosingAndSkinningAllocateNothing) {
    Model model;
    ASSERT_TRUE(model.loadFile(sampleModelPath("schoolgirl")));
    int64_t now = 0;
    installClock([&now] { return now; });
    // The stack of transforms is made on its first use, once per process.
    MatrixStack::instance();
    const std::size_t before = heapCounts().allocations;
    for (int32_t animation = 0; animation < static_cast<int32_t>(model.animations.size());
         ++animation) {
        for (int64_t milliseconds : {0ll, 17ll, 34ll, 1000ll, 604800000ll}) {
            now = milliseconds;
            updateSkin(model, animation, 0.0);
            selectFrames(model, animation, 0.0);
        }
    }
    EXPECT_EQ(heapCounts().allocations - before, 0u);
    installClock({});
}
