// The model's binary form read back from hostile bytes, as a cache entry or a
// compromised conversion may hand them over: every one is refused, and none
// takes memory beyond a small multiple of its own size first (the heap
// counter linked into this test measures the peak).

#include "files/model_binary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "benchmarks/heap_counter.h"

using namespace velmora;

namespace {

constexpr char kAnimationName[] = "walk-MARK";
constexpr char kTextureName[] = "skin-MARK.png";
constexpr MappingCoord kCoord{0.125, 0.5};
const Keyframe kKey{{0.8125, 0.25, 0.5, 0.125}, {1.5, 2.5, 3.5}};

// Two bones, one vertex, one face, a texture with pixels, one animation.
Model soundModel(std::size_t pixelBytes = 3) {
    Model model;
    model.playbackRate = 30;
    model.bones[0] = std::make_unique<Bone>();
    model.bones[0]->children = {1};
    model.bones[1] = std::make_unique<Bone>();
    model.influenceCounts = {1};
    model.influences = {{{1, 2, 3}, 1, 1.0}};
    model.mappingCoords = {kCoord};
    model.faces = {Face{}};
    model.texture = std::make_unique<Texture>();
    model.texture->fileName = kTextureName;
    model.texture->image =
        Image{1, static_cast<uint32_t>(pixelBytes / 3), 3, std::vector<uint8_t>(pixelBytes, 7)};
    Animation& animation = model.animations.emplace_back();
    animation.name = kAnimationName;
    animation.frameCount = 1;
    for (int bone : {0, 1}) {
        animation.tracks[bone] = std::make_unique<BoneTrack>();
        animation.tracks[bone]->keys = {kKey};
    }
    return model;
}

// Overwrites the 8-byte count that lies offset bytes before the first
// occurrence of what.
void setCountBefore(std::string& bytes, std::string_view what, std::size_t offset, uint64_t count) {
    const std::size_t at = bytes.find(what);
    ASSERT_NE(at, std::string::npos);
    std::memcpy(bytes.data() + at - offset, &count, sizeof count);
}

template <typename T>
std::string_view bytesOf(const T& value) {
    return {reinterpret_cast<const char*>(&value), sizeof value};
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr uint64_t kHuge = uint64_t{1} << 40;

}  // namespace

TEST(ModelBinary, ASoundModelReadsBackAsWritten) {
    const std::optional<Model> read = readModelBinary(modelBinary(soundModel()));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->animations.size(), 1u);
    EXPECT_EQ(read->texture->image->pixels.size(), 3u);
    EXPECT_EQ(read->mappingCoords[0], kCoord);
}

TEST(ModelBinary, HostileFormsAreRefusedWithinAMemoryBudget) {
    // The pixels make the file large enough that an animation count bounded
    // only by the file's size would ask for far more than the budget.
    constexpr std::size_t kPixelBytes = 3 * 20000;
    const struct {
        const char* name;
        std::function<void(Model&)> model;
        std::function<void(std::string&)> bytes;
    } rows[] = {
        {"animation count as large as the file",
         {},
         [](std::string& b) { setCountBefore(b, kAnimationName, 16, b.size()); }},
        {"animation count beyond any memory",
         {},
         [](std::string& b) { setCountBefore(b, kAnimationName, 16, kHuge); }},
        {"animation name longer than the rest",
         {},
         [](std::string& b) { setCountBefore(b, kAnimationName, 8, kHuge); }},
        {"texture name longer than the rest",
         {},
         [](std::string& b) { setCountBefore(b, kTextureName, 8, kHuge); }},
        {"mapping coordinate count beyond the bytes",
         {},
         [](std::string& b) { setCountBefore(b, bytesOf(kCoord), 8, kHuge); }},
        {"key count beyond the bytes",
         {},
         [](std::string& b) { setCountBefore(b, bytesOf(kKey), 8, kHuge); }},
        {"key count one more than there is",
         {},
         [](std::string& b) { setCountBefore(b, bytesOf(kKey), 8, 2); }},
        {"cut short", {}, [](std::string& b) { b.resize(b.size() / 2); }},
        {"a byte too many", {}, [](std::string& b) { b += '\0'; }},
        {"2^31 x 2^31 x 4 image without pixels (2^64 wraps to 0)",
         [](Model& m) {
             m.texture->image = Image{1u << 31, 1u << 31, 4, {}};
         },
         {}},
        {"image wider than any decoded",
         [](Model& m) {
             m.texture->image =
                 Image{kMaxImageSide + 1, 1, 3, std::vector<uint8_t>(3 * (kMaxImageSide + 1))};
         },
         {}},
        {"five channels",
         [](Model& m) {
             m.texture->image = Image{1, 1, 5, std::vector<uint8_t>(5)};
         },
         {}},
        {"rate 0", [](Model& m) { m.playbackRate = 0; }, {}},
        {"rate -2^31", [](Model& m) { m.playbackRate = std::numeric_limits<int32_t>::min(); }, {}},
        {"rate above the fastest", [](Model& m) { m.playbackRate = kMaxPlaybackRate + 1; }, {}},
        {"NaN offset", [](Model& m) { m.influences[0].offset.y = kNaN; }, {}},
        {"infinite weight", [](Model& m) { m.influences[0].weight = kInfinity; }, {}},
        {"NaN mapping coordinate", [](Model& m) { m.mappingCoords[0][1] = kNaN; }, {}},
        {"NaN key rotation",
         [](Model& m) { m.animations[0].tracks[1]->keys[0].rotation.w = kNaN; },
         {}},
        {"infinite key translation",
         [](Model& m) { m.animations[0].tracks[0]->keys[0].translation.z = -kInfinity; },
         {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Model model = soundModel(kPixelBytes);
        if (row.model) {
            row.model(model);
        }
        std::string bytes = modelBinary(model);
        if (row.bytes) {
            row.bytes(bytes);
        }
        resetHeapPeak();
        const std::size_t before = heapCounts().bytesInUse;
        EXPECT_FALSE(readModelBinary(bytes));
        EXPECT_LE(heapCounts().peakBytes - before, 2 * bytes.size() + 65536);
    }
}
