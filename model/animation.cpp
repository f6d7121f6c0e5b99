#include "model/animation.h"

#include <cmath>

#include "model/clock.h"

using Geometry::Matrix4;
using Geometry::Quaternion;
using Geometry::Vector3;
using Geometry::Vector4;

PlaybackState playback;

bool isPlayable(const Model& model, int32_t animation) {
    return animation >= 0 && static_cast<std::size_t>(animation) < model.animations.size() &&
           model.animations[animation].rejection.empty() &&
           model.animations[animation].frameCount > 0 && model.texture != nullptr;
}

int32_t effectiveRate(const Model& model) {
    return model.playbackRate < 1 ? 1 : model.playbackRate;
}

namespace {

// Loops that the clock reduction subtracts one by one; beyond them whole loops
// are removed in exact integer arithmetic first, so the cost stays the same
// however long the program has run.
constexpr int64_t kLoopsSubtracted = 64;

// Seconds into the current pass, for a pass of frameCount / rate seconds.
double positionInLoop(int64_t milliseconds, uint32_t frameCount, int32_t rate) {
    const double loopLength = static_cast<double>(frameCount) / rate;
    double t = static_cast<double>(milliseconds) * 0.001;
    if (t >= kLoopsSubtracted * loopLength) {
        // milliseconds * rate / (1000 * frameCount) loops have passed; what is
        // left over, in units of 1 / (1000 * rate) seconds, is exact.
        using Wide = unsigned __int128;
        const Wide scaled = static_cast<Wide>(milliseconds) * static_cast<Wide>(rate);
        const Wide leftOver = scaled % (static_cast<Wide>(1000) * frameCount);
        t = static_cast<double>(leftOver) / (1000.0 * rate);
    }
    while (t >= loopLength) {
        t -= loopLength;
    }
    return t;
}

}  // namespace

void selectFrames(const Model& model, int32_t animation, double timeOffset) {
    playback.playingAnimation = animation;
    const uint32_t frameCount = model.animations[animation].frameCount;
    const int32_t rate = effectiveRate(model);
    const double loopLength = static_cast<double>(frameCount) / rate;
    const double u = positionInLoop(elapsedMilliseconds(), frameCount, rate) - timeOffset;
    const double frame = frameCount * (u / loopLength);
    const uint32_t lastFrame = frameCount - 1;
    playback.currentFrame = !(frame > 0)         ? 0
                            : frame >= lastFrame ? lastFrame
                                                 : static_cast<uint32_t>(frame);
    playback.nextFrame =
        playback.currentFrame == lastFrame ? playback.currentFrame : playback.currentFrame + 1;
    playback.frameBlend = rate * (u - static_cast<double>(playback.currentFrame) / rate);
}

Matrix4 interpolateKeys(const Keyframe& a, const Keyframe& b, double t) {
    const double s = 1 - t;
    const Vector3 translation(s * a.translation.x + t * b.translation.x,
                              s * a.translation.y + t * b.translation.y,
                              s * a.translation.z + t * b.translation.z);
    double d = Geometry::dot(a.rotation, b.rotation);
    Quaternion target = b.rotation;
    if (d < 0) {
        d = -d;
        target = b.rotation * -1.0;
    }
    const double theta = std::acos(d);
    Quaternion q = a.rotation;
    if (std::fabs(theta) >= Geometry::kEpsilon) {
        const double w1 = std::sin(theta - theta * t) / std::sin(theta);
        const double w2 = std::sin(theta * t) / std::sin(theta);
        q = a.rotation * w1 + target * w2;
    }
    Matrix4 local(Geometry::makeTransform({1, 1, 1}, {0, 0, 0}, translation));
    local *= Geometry::toMatrix(q);
    return local;
}

MatrixStack::MatrixStack() {
    entries_.reserve(kMaxBones + 1);
    entries_.emplace_back();
}

MatrixStack& MatrixStack::instance() {
    static MatrixStack stack;
    return stack;
}

Matrix4 localTransform(const Model& model, uint8_t bone) {
    const auto& keys = model.animations[playback.playingAnimation].tracks[bone]->keys;
    return interpolateKeys(keys[playback.currentFrame], keys[playback.nextFrame],
                           playback.frameBlend);
}

void poseBone(Model& model, uint8_t bone) {
    MatrixStack& stack = MatrixStack::instance();
    stack.push(stack.top());
    stack.top() *= localTransform(model, bone);
    Bone& node = *model.bones[bone];
    node.transform = stack.top();
    for (uint8_t child : node.children) {
        poseBone(model, child);
    }
    stack.pop();
}

void updatePose(Model& model, int32_t animation, double timeOffset) {
    selectFrames(model, animation, timeOffset);
    poseBone(model, model.rootBone);
}

void skin(Model& model) {
    std::size_t k = 0;
    for (std::size_t i = 0; i < model.skinnedPositions.size(); ++i) {
        Vector3 position(0, 0, 0);
        for (uint8_t n = 0; n < model.influenceCounts[i]; ++n, ++k) {
            const SkinInfluence& influence = model.influences[k];
            const Vector4 h(influence.offset.x, influence.offset.y, influence.offset.z, 1.0);
            const Vector4 r = model.bones[influence.bone]->transform * h;
            position.x += r.x * influence.weight;
            position.y += r.y * influence.weight;
            position.z += r.z * influence.weight;
        }
        model.skinnedPositions[i] = position;
    }
}

void updateSkin(Model& model, int32_t animation, double timeOffset) {
    updatePose(model, animation, timeOffset);
    skin(model);
}
