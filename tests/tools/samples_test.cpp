// The sample characters as the build writes them, read with the viewer's own
// readers and played through the real per-frame pipeline (clock, frame
// selection, pose, skinning), frame by frame.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>

#include "files/load.h"
#include "geometry/geometry.h"
#include "model/pipeline.h"
#include "tests/support/test_support.h"

using namespace velmora;

namespace {

using Geometry::Vector3;

constexpr double kFloor = -15.5;
constexpr int kRate = 30;

// Loads Models/<name>/<name>.animesh from the folder the build writes the
// samples into, by the relative path the viewer uses, so the animation names
// (and their menu labels) are what the viewer shows.
class Sample : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(VELMORA_SAMPLES_FOLDER);
        path_ = "Models/" + GetParam() + "/" + GetParam() + ".animesh";
        LoadResult loaded = loadModelFile(path_, {});
        ASSERT_TRUE(loaded.modelRead);
        model_ = std::move(loaded.model);
    }
    void TearDown() override { std::filesystem::current_path(previous_); }

    // Poses and skins the model as the viewer would with the clock at ms.
    void skinAt(int animation, int64_t ms) { skinFor(animation, ms, 0.0); }

    // The same at a frame of the animation, fractions blending towards the
    // next key: the clock reads 0 and the time offset moves the playback
    // position (a hair past the key, so that rounding cannot fall short of it).
    void skinAtFrame(int animation, double frame) {
        skinFor(animation, 0, -(frame + 1e-7) / kRate);
    }

    void skinFor(int animation, int64_t ms, double timeOffset) {
        const Animation& played = model_.animations[animation];
        poseSkeleton(model_, played, selectFrames(played, model_.playbackRate, ms, timeOffset),
                     pose_);
        skin(model_, pose_, positions_);
    }

    // One loop of animation in milliseconds, rounded down.
    int64_t loopMilliseconds(int animation) const {
        return model_.animations[animation].frameCount * 1000 / kRate;
    }

    Model model_;
    Pose pose_;
    std::vector<Vector3> positions_;
    std::string path_;

  private:
    std::filesystem::path previous_;
};

TEST_P(Sample, ReadsWithTextureAndLabelledAnimations) {
    EXPECT_EQ(model_.playbackRate, kRate);
    ASSERT_TRUE(model_.texture);
    const auto image = model_.texture->image;
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 512u);
    EXPECT_EQ(image->height, 512u);
    ASSERT_GE(model_.animations.size(), 4u);
    const char* const common[] = {"Idle", "Walk", "Run"};
    for (std::size_t i = 0; i < model_.animations.size(); ++i) {
        EXPECT_TRUE(isPlayable(model_, static_cast<int32_t>(i))) << model_.animations[i].name;
        const std::string label = animationLabel(model_.animations[i].name);
        if (i < 3) {
            EXPECT_EQ(label, common[i]);
        } else {
            EXPECT_FALSE(label.empty());
            EXPECT_EQ(label.find_first_of("-./"), std::string::npos) << label;
        }
    }
}

// Every corner of every face samples a painted texel: none falls on the
// magenta that the generator leaves where no part is painted.
TEST_P(Sample, EveryFaceIsPainted) {
    const auto image = model_.texture->image;
    ASSERT_TRUE(image);
    for (const Face& face : model_.faces) {
        for (int32_t index : face.mappingIndex) {
            const MappingCoord& coord = model_.mappingCoords[index];
            const auto column = static_cast<std::size_t>(coord[0] * image->width);
            const auto row = static_cast<std::size_t>(coord[1] * image->height);
            ASSERT_LT(column, image->width);
            ASSERT_LT(row, image->height);
            const uint8_t* texel = &image->pixels[(row * image->width + column) * image->channels];
            ASSERT_FALSE(texel[0] == 255 && texel[1] == 0 && texel[2] == 255)
                << "mapping " << index << " at (" << coord[0] << ", " << coord[1] << ")";
        }
    }
}

TEST_P(Sample, HasAHumanSkeletonRootedAtTheHipsAndEnoughTriangles) {
    int bones = 0;
    for (const auto& bone : model_.bones) {
        bones += bone ? 1 : 0;
    }
    EXPECT_GE(bones, 20);
    EXPECT_LE(bones, 60);
    EXPECT_GE(model_.faces.size(), 3000u);
    // The root carries the spine and both legs, at hip height.
    EXPECT_GE(model_.bones[model_.rootBone]->children.size(), 3u);
    skinAtFrame(0, 0);
    const double hipHeight = pose_.boneTransforms[model_.rootBone][1][3] - kFloor;
    EXPECT_GT(hipHeight, 30.0);
    EXPECT_LT(hipHeight, 48.0);
}

TEST_P(Sample, EveryVertexHasOneToFourInfluencesWeighingOneInAll) {
    std::size_t next = 0;
    for (std::size_t vertex = 0; vertex < model_.vertexCount(); ++vertex) {
        const int count = model_.influenceCounts[vertex];
        ASSERT_GE(count, 1) << "vertex " << vertex;
        ASSERT_LE(count, 4) << "vertex " << vertex;
        double total = 0;
        std::set<int> bones;
        for (int k = 0; k < count; ++k) {
            const SkinInfluence& influence = model_.influences[next++];
            EXPECT_GT(influence.weight, 0.0);
            total += influence.weight;
            bones.insert(influence.bone);
        }
        EXPECT_NEAR(total, 1.0, 1e-12) << "vertex " << vertex;
        EXPECT_EQ(bones.size(), static_cast<std::size_t>(count)) << "vertex " << vertex;
    }
    EXPECT_EQ(next, model_.influences.size());
}

// Every bone turns its skin about a joint within that skin: the joint lies
// near the vertices that the bone moves most (hair swinging from a pivot at
// knee height, say, would not).
TEST_P(Sample, EveryBonePivotsWithinTheSkinItMoves) {
    skinAtFrame(0, 0);
    std::map<int, double> nearest;
    std::size_t next = 0;
    for (std::size_t vertex = 0; vertex < model_.vertexCount(); ++vertex) {
        for (int k = 0; k < model_.influenceCounts[vertex]; ++k) {
            const SkinInfluence& influence = model_.influences[next++];
            if (influence.weight >= 0.5) {
                const auto& joint = pose_.boneTransforms[influence.bone];
                const double distance = Geometry::length(
                    positions_[vertex] - Vector3(joint[0][3], joint[1][3], joint[2][3]));
                const auto [entry, isNew] = nearest.try_emplace(influence.bone, distance);
                entry->second = std::min(entry->second, distance);
            }
        }
    }
    for (const auto& [bone, distance] : nearest) {
        EXPECT_LT(distance, 8.0) << "bone " << bone;
    }
}

// Every animation, at each key and halfway between keys:
//
//   frame   0    1    2   ...   N-1 (= frame 0, held)  | 0    1 ...
//   sample  ^ ^  ^ ^  ^ ^        ^                     |
//
// At the keys, no vertex is below the floor and a vertex that touches the
// floor stands exactly where it stands at rest (planted feet do not slide; a
// foot rolling onto its ball lifts every point but the ball's line).
// Between keys the viewer blends each bone's own rotation, which lets a planted
// point drift by a few hundredths of a unit (a fraction of a pixel); more would
// be a fault of the motion. The hips stay over the middle (the walk and the run
// stay in place) and the pose at the end of the loop is the pose at its start.
TEST_P(Sample, FeetStayPlantedOnTheFloorAndLoopsClose) {
    skinAtFrame(0, 0);
    const std::vector<Vector3> rest = positions_;
    for (std::size_t animation = 0; animation < model_.animations.size(); ++animation) {
        const std::string label = animationLabel(model_.animations[animation].name);
        const int index = static_cast<int>(animation);
        const int frames = static_cast<int>(model_.animations[animation].frameCount);
        double lowest = 1e9;
        for (int frame = 0; frame < frames; ++frame) {
            for (double between : {0.0, 0.5}) {
                const double tolerance = between == 0.0 ? 1e-6 : 0.1;
                skinAtFrame(index, frame + between);
                for (std::size_t v = 0; v < rest.size(); ++v) {
                    const Vector3& p = positions_[v];
                    ASSERT_GE(p.y, kFloor - tolerance) << label << " frame " << frame + between;
                    lowest = std::min(lowest, p.y);
                    if (p.y < kFloor + tolerance) {
                        ASSERT_NEAR(p.x, rest[v].x, tolerance)
                            << label << " frame " << frame + between << ", vertex " << v;
                        ASSERT_NEAR(p.z, rest[v].z, tolerance)
                            << label << " frame " << frame + between << ", vertex " << v;
                    }
                }
                const Geometry::Matrix4& hips = pose_.boneTransforms[model_.rootBone];
                EXPECT_LT(std::hypot(hips[0][3], hips[2][3]), 1.5) << label << " frame " << frame;
            }
        }
        EXPECT_LT(lowest, kFloor + 1e-3) << label << " never stands on the floor";

        skinAt(index, 0);
        const std::vector<Vector3> start = positions_;
        skinAtFrame(index, frames - 1);
        for (std::size_t v = 0; v < start.size(); ++v) {
            ASSERT_NEAR(positions_[v].x, start[v].x, 1e-9) << label << " vertex " << v;
            ASSERT_NEAR(positions_[v].y, start[v].y, 1e-9) << label << " vertex " << v;
            ASSERT_NEAR(positions_[v].z, start[v].z, 1e-9) << label << " vertex " << v;
        }
    }
}

// Nothing jumps: over two loops, one millisecond's motion of any vertex stays
// small (the wrap from the held last frame back to the first is seamless).
TEST_P(Sample, MotionIsContinuousAcrossTheLoop) {
    for (std::size_t animation = 0; animation < model_.animations.size(); ++animation) {
        const int index = static_cast<int>(animation);
        const int64_t loop = loopMilliseconds(index);
        skinAt(index, loop - 40);
        std::vector<Vector3> previous = positions_;
        for (int64_t ms = loop - 39; ms < loop + 40; ++ms) {
            skinAt(index, ms);
            double fastest = 0;
            for (std::size_t v = 0; v < previous.size(); ++v) {
                const Vector3& p = positions_[v];
                fastest = std::max(fastest, std::hypot(p.x - previous[v].x, p.y - previous[v].y,
                                                       p.z - previous[v].z));
            }
            // 1.5 units in a millisecond would be a hand flying at 1500 units a second.
            EXPECT_LT(fastest, 1.5) << model_.animations[animation].name << " at " << ms << " ms";
            previous = positions_;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Characters, Sample,
                         ::testing::Values("schoolgirl", "tomboy", "greaser", "cowboy"));

// A second run of the generator writes the same bytes as the build did.
TEST(SampleGenerator, WritesTheSameBytesEveryRun) {
    TemporaryFolder folder;
    const ProgramRun run = runProgram({VELMORA_SAMPLES_PROGRAM, folder.path()});
    ASSERT_EQ(run.status, 0) << run.errors;
    const std::filesystem::path built = std::filesystem::path(VELMORA_SAMPLES_FOLDER) / "Models";
    std::set<std::string> written;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(folder.path() + "Models")) {
        if (entry.is_regular_file()) {
            const auto relative = std::filesystem::relative(entry.path(), folder.path() + "Models");
            written.insert(relative.string());
            EXPECT_TRUE(readFile(entry.path().string()) == readFile((built / relative).string()))
                << relative;
        }
    }
    EXPECT_GE(written.size(), 4u * 6u);
    EXPECT_TRUE(written.count("cowboy/cowboy.animesh"));
}

TEST(SampleGenerator, WritesTheStressModelOnRequest) {
    TemporaryFolder folder;
    const ProgramRun run = runProgram({VELMORA_SAMPLES_PROGRAM, "--stress", folder.path()});
    ASSERT_EQ(run.status, 0) << run.errors;
    const LoadResult loaded = loadModelFile(folder.path() + "stress.animesh", {});
    ASSERT_TRUE(loaded.modelRead);
    const Model& model = loaded.model;
    int bones = 0;
    for (const auto& bone : model.bones) {
        bones += bone ? 1 : 0;
    }
    EXPECT_EQ(bones, kMaxBones);
    EXPECT_GE(model.faces.size(), 95000u);
    EXPECT_LE(model.faces.size(), 105000u);
    for (uint8_t count : model.influenceCounts) {
        ASSERT_EQ(count, 4);
    }
    ASSERT_EQ(model.animations.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(isPlayable(model, i));
    }
}

TEST(SampleGenerator, RefusesUnknownArguments) {
    EXPECT_EQ(runProgram({VELMORA_SAMPLES_PROGRAM}).status, 2);
    EXPECT_EQ(runProgram({VELMORA_SAMPLES_PROGRAM, "--stress"}).status, 2);
    const ProgramRun help = runProgram({VELMORA_SAMPLES_PROGRAM, "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("usage: velmora-samples"), std::string::npos);
}

}  // namespace
