#pragma once
// The per-frame road from the clock to skinned vertices, on a loaded Model:
//
//   selectFrames      clock, playback rate, frame count -> playback (frame pair, blend)
//   interpolateKeys   two keys of one bone + blend      -> the bone's local transform
//   poseBone          local transforms down the tree     -> Bone::transform (model space)
//   skin              bone transforms + influences       -> Model::skinnedPositions
//
// Each step relies on the invariants of a loaded Model (files/model.h) and on
// isPlayable for the animation it is given; none of them allocates once the
// MatrixStack has been created.

#include <cstdint>
#include <vector>

#include "files/model.h"
#include "geometry/geometry.h"

// The frame pair being played, shared by the mesh and bone passes of a frame.
struct PlaybackState {
    int32_t playingAnimation = 0;
    uint32_t currentFrame = 0;
    uint32_t nextFrame = 0;
    // 0 gives the key of currentFrame; towards 1 it approaches that of nextFrame.
    double frameBlend = 0.0;
};

extern PlaybackState playback;

// True when animation is an index into model.animations whose animation was read
// without fault: only then may the steps below be run for it.
bool isPlayable(const Model& model, int32_t animation);

// The rate at which keys are played: the model's, or 1 frame per second while
// the model's is below 1, so that such a model neither hangs nor yields NaN.
int32_t effectiveRate(const Model& model);

// Picks the frame pair and blend for the clock reading, looping the animation:
// with N frames at rate R one pass lasts N / R seconds; the pair is (f, f + 1),
// and (N - 1, N - 1) at the last frame, which is held rather than blended into
// frame 0. timeOffset (seconds) is subtracted after the loop is reduced; the
// frame is kept within 0 to N - 1 whatever the offset.
void selectFrames(const Model& model, int32_t animation, double timeOffset);

// The local transform between two keys at blend t: translation blended linearly,
// rotation by spherical interpolation along the shorter arc (only b is ever
// negated); rotations less than kEpsilon radians apart give a's rotation. t is
// not clamped, so values outside [0, 1] extrapolate.
Geometry::Matrix4 interpolateKeys(const Keyframe& a, const Keyframe& b, double t);

// A last-in, first-out stack of transforms whose bottom entry is the identity;
// users push and pop in pairs, so between passes it holds only that entry.
class MatrixStack {
  public:
    static MatrixStack& instance();

    Geometry::Matrix4& top() { return entries_.back(); }
    void push(const Geometry::Matrix4& m) { entries_.push_back(m); }
    void pop() { entries_.pop_back(); }
    std::size_t size() const { return entries_.size(); }

  private:
    MatrixStack();
    std::vector<Geometry::Matrix4> entries_;
};

// The local transform of bone for the frame pair in playback.
Geometry::Matrix4 localTransform(const Model& model, uint8_t bone);

// Sets Bone::transform of bone and its descendants, pre-order, children in list
// order: parent's transform times the bone's local transform.
void poseBone(Model& model, uint8_t bone);
// selectFrames, then poseBone from the root.
void updatePose(Model& model, int32_t animation, double timeOffset);

// Every vertex becomes the weighted sum of its influences' offsets carried into
// model space by their bones' transforms; a vertex without influences lands at
// the origin. Weights are used as stored. Single-threaded; uses the fastest loop
// that the processor supports.
void skin(Model& model);

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
void skin(Model& model, SkinningLoop loop);

// updatePose, then skin.
void updateSkin(Model& model, int32_t animation, double timeOffset);
