#pragma once
// The per-frame road from a clock reading to skinned vertices, as steps on plain
// data. Each step reads what it is given and writes only its output, which the
// caller owns; the Model is never written, so one model can be posed at several
// moments at once.
//
//   selectFrames     animation, playback rate, milliseconds -> FramePair
//   interpolateKeys  two keys of one bone + blend            -> the bone's local transform
//   poseSkeleton     skeleton, animation, FramePair           -> Pose (model space)
//   skin             influences, Pose                         -> skinned positions
//
// Each step relies on the invariants of a loaded Model (files/model.h) and on
// isPlayable for the animation it is given. None allocates, except skin the
// first time it is given positions of the wrong size.

#include <array>
#include <cstdint>
#include <vector>

#include "files/model.h"
#include "geometry/geometry.h"

namespace velmora {
inline namespace model {

// The two keys being played and how far the moment lies between them.
struct FramePair {
    uint32_t currentFrame = 0;
    uint32_t nextFrame = 0;
    // 0 gives the key of currentFrame; towards 1 it approaches that of nextFrame.
    double frameBlend = 0.0;
};

// Every bone's model-space transform at one moment: the parent's transform times
// the bone's local transform. Slots of bones that posing does not reach hold the
// identity.
struct Pose {
    std::array<Geometry::Matrix4, kMaxBones> boneTransforms;
};

// True when animation is an index into model.animations whose animation was read
// without fault: only then may the steps below be run for it.
bool isPlayable(const Model& model, int32_t animation);

// The rate at which keys are played: playbackRate, or 1 frame per second while
// it is below 1, so that such a model neither hangs nor yields NaN.
int32_t effectiveRate(int32_t playbackRate);

// The frame pair and blend milliseconds after the start of playback, looping the
// animation: with N frames at rate R one pass lasts N / R seconds; the pair is
// (f, f + 1), and (N - 1, N - 1) at the last frame, which is held rather than
// blended into frame 0. timeOffset (seconds) is subtracted after the loop is
// reduced; the frame is kept within 0 to N - 1 whatever the offset. The result
// is exact for any reading: past 64 loops whole loops are removed in integer
// arithmetic, so the cost does not grow with the time the program has run.
FramePair selectFrames(const Animation& animation, int32_t playbackRate, int64_t milliseconds,
                       double timeOffset = 0.0);

// The length of one pass in whole milliseconds, rounded up: the first reading
// at which the animation shows its first key again.
int64_t loopMilliseconds(const Animation& animation, int32_t playbackRate);

// The first whole millisecond of the first pass at which selectFrames shows key
// `frame` (below animation.frameCount) at playbackRate: where a step to that key
// lands.
int64_t keyStartMilliseconds(const Animation& animation, int32_t playbackRate, uint32_t frame);

// The local transform between two keys at blend t: translation blended linearly,
// rotation by spherical interpolation along the shorter arc (only b is ever
// negated); rotations less than kEpsilon radians apart give a's rotation. t is
// not clamped, so values outside [0, 1] extrapolate.
Geometry::Matrix4 interpolateKeys(const Keyframe& a, const Keyframe& b, double t);

// The local transform of bone for pair in animation.
Geometry::Matrix4 localTransform(const Animation& animation, uint8_t bone, const FramePair& pair);

// Sets the transform of every bone reachable from the root, parents first,
// children in list order.
void poseSkeleton(const Model& model, const Animation& animation, const FramePair& pair,
                  Pose& pose);

// Every vertex becomes the weighted sum of its influences' offsets carried into
// model space by their bones' transforms in pose; a vertex without influences
// lands at the origin. Weights are used as stored. positions is resized to the
// vertex count. Single-threaded; uses the fastest loop that the processor
// supports.
void skin(const Model& model, const Pose& pose, std::vector<Geometry::Vector3>& positions);

// The loops that skin chooses from. Each computes, per influence and per
// coordinate, ((m0 x + m1 y) + m2 z) + m3 with the bone's transform row m and
// the offset (x, y, z), times the weight, added to the vertex's running sum
// that starts at 0: the operations of the straightforward formula in its
// order, so every loop gives the same positions to the last bit.
enum class SkinningLoop {
    // Two coordinates per instruction, on every processor.
    Portable,
    // Three coordinates per instruction with AVX2 (x86-64 only).
    Avx2,
};
bool isSupported(SkinningLoop loop);
// skin with loop, which must be supported.
void skin(const Model& model, const Pose& pose, std::vector<Geometry::Vector3>& positions,
          SkinningLoop loop);

}  // namespace model
}  // namespace velmora
