// Once a model is loaded, its frames take nothing from the heap: posing and
// skinning write into buffers that keep their size from frame to frame. Drawing
// is checked in drawing_test.cpp.

#include <gtest/gtest.h>

#include "benchmarks/heap_counter.h"
#include "files/load.h"
#include "model/pipeline.h"
#include "tests/benchmarks/sample_models.h"

using namespace velmora;

// Every animation of the sample at readings from the start to a week later.
TEST(Allocation, PosingAndSkinningAllocateNothing) {
    const LoadResult loaded = loadModelFile(sampleModelPath("schoolgirl"), {});
    ASSERT_TRUE(loaded.modelRead);
    const Model& model = loaded.model;
    Pose pose;
    std::vector<Geometry::Vector3> positions(model.vertexCount());
    const std::size_t before = heapCounts().allocations;
    for (const Animation& animation : model.animations) {
        for (int64_t milliseconds : {0ll, 17ll, 34ll, 1000ll, 604800000ll}) {
            poseSkeleton(model, animation,
                         selectFrames(animation, model.playbackRate, milliseconds), pose);
            skin(model, pose, positions);
        }
    }
    EXPECT_EQ(heapCounts().allocations - before, 0u);
}
