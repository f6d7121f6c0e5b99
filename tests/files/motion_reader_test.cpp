#include <gtest/gtest.h>

#include "files/model_reader.h"

namespace {

// A motion read straight from text, without a model around it.
struct ReadMotion {
    explicit ReadMotion(const std::string& text) : input(text) {
        readMotion(input, animation, "test.motion");
    }
    TextInput input;
    Animation animation;
};

int occupiedTracks(const Animation& animation) {
    int count = 0;
    for (const auto& track : animation.tracks) {
        count += track ? 1 : 0;
    }
    return count;
}

}  // namespace

TEST(MotionReader, RotationsAreWrittenXYZWAndStoredWXYZ) {
    ReadMotion read(
        "Number of bones: 1\nMotion type: q\nBone: 7\nFrames: 2\nkeys\n-\n"
        "(1, 2, 3) (0, 0, 0, 1)\n(4, 5, 6) (0.1, 0.2, 0.3, 0.9)\n");
    ASSERT_EQ(occupiedTracks(read.animation), 1);
    ASSERT_TRUE(read.animation.tracks[7]);
    const auto& keys = read.animation.tracks[7]->keys;
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].rotation.w, 1);
    EXPECT_EQ(keys[0].rotation.x, 0);
    EXPECT_EQ(keys[0].translation.z, 3);
    EXPECT_EQ(keys[1].rotation.w, 0.9);
    EXPECT_EQ(keys[1].rotation.x, 0.1);
    EXPECT_EQ(keys[1].rotation.z, 0.3);
    EXPECT_EQ(read.animation.frameCount, 2u);
}

TEST(MotionReader, PassesOverLinesAroundItsKeywordsAndReadsKeysInFreeLayout) {
    ReadMotion read(
        "title\n// comment\nNumber of bones: 2 blocks\nmore\nMotion type:\n"
        "any label without a colon: 0\nframes here:2\nfree\nfree\n"
        "0 0 0 0 0 0 1 [1,1,1] <0,0,0,1>\n"
        "Bone:3\nFrames: 2\nfree\nfree\n"
        "(1,\n2,\n3)\n{0 0 0 1}\n(0 0 0)(0 0 0 1)\n"
        "text after the last key is not read");
    EXPECT_EQ(occupiedTracks(read.animation), 2);
    EXPECT_EQ(read.animation.tracks[0]->keys[1].translation.y, 1);
    EXPECT_EQ(read.animation.tracks[3]->keys[0].translation.z, 3);
    EXPECT_EQ(read.animation.tracks[3]->keys[1].rotation.w, 1);
}

TEST(MotionReader, NoBlocksLeaveEveryTrackEmpty) {
    ReadMotion read("Number of bones: 0\nMotion type: none\n");
    EXPECT_EQ(occupiedTracks(read.animation), 0);
    EXPECT_EQ(read.animation.frameCount, 0u);
}
