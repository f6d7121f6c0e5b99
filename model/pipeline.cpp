#include "model/pipeline.h"

#include <cmath>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace velmora {
inline namespace model {

using Geometry::Matrix4;
using Geometry::Vector3;

bool isPlayable(const Model& model, int32_t animation) {
    return animation >= 0 && static_cast<std::size_t>(animation) < model.animations.size() &&
           model.animations[animation].rejection.empty() &&
           model.animations[animation].frameCount > 0 && model.texture != nullptr;
}

int32_t effectiveRate(int32_t playbackRate) {
    return playbackRate < 1 ? 1 : playbackRate;
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

FramePair selectFrames(const Animation& animation, int32_t playbackRate, int64_t milliseconds,
                       double timeOffset) {
    const uint32_t frameCount = animation.frameCount;
    const int32_t rate = effectiveRate(playbackRate);
    const double loopLength = static_cast<double>(frameCount) / rate;
    const double u = positionInLoop(milliseconds, frameCount, rate) - timeOffset;
    const double frame = frameCount * (u / loopLength);
    const uint32_t lastFrame = frameCount - 1;
    FramePair pair;
    pair.currentFrame = !(frame > 0)         ? 0
                        : frame >= lastFrame ? lastFrame
                                             : static_cast<uint32_t>(frame);
    pair.nextFrame = pair.currentFrame == lastFrame ? pair.currentFrame : pair.currentFrame + 1;
    pair.frameBlend = rate * (u - static_cast<double>(pair.currentFrame) / rate);
    return pair;
}

int64_t loopMilliseconds(const Animation& animation, int32_t playbackRate) {
    return static_cast<int64_t>(
        std::ceil(animation.frameCount * 1000.0 / effectiveRate(playbackRate)));
}

int64_t keyStartMilliseconds(const Animation& animation, int32_t playbackRate, uint32_t frame) {
    const int32_t rate = effectiveRate(playbackRate);
    // The exact start is frame * 1000 / rate; the frame selection's rounding may
    // put the key a millisecond to either side of it.
    int64_t milliseconds = (static_cast<int64_t>(frame) * 1000 + rate - 1) / rate;
    while (milliseconds > 0 &&
           selectFrames(animation, rate, milliseconds - 1).currentFrame >= frame) {
        --milliseconds;
    }
    while (selectFrames(animation, rate, milliseconds).currentFrame < frame) {
        ++milliseconds;
    }
    return milliseconds;
}

Matrix4 interpolateKeys(const Keyframe& a, const Keyframe& b, double t) {
    const double s = 1 - t;
    const Vector3 translation(s * a.translation.x + t * b.translation.x,
                              s * a.translation.y + t * b.translation.y,
                              s * a.translation.z + t * b.translation.z);
    Matrix4 local(Geometry::makeTransform({1, 1, 1}, {0, 0, 0}, translation));
    local *= Geometry::toMatrix(Geometry::slerp(a.rotation, b.rotation, t));
    return local;
}

Matrix4 localTransform(const Animation& animation, uint8_t bone, const FramePair& pair) {
    const auto& keys = animation.tracks[bone]->keys;
    return interpolateKeys(keys[pair.currentFrame], keys[pair.nextFrame], pair.frameBlend);
}

namespace {

void poseBone(const Model& model, const Animation& animation, const FramePair& pair, uint8_t bone,
              const Matrix4& parent, Pose& pose) {
    Matrix4& transform = pose.boneTransforms[bone];
    transform = parent;
    transform *= localTransform(animation, bone, pair);
    for (uint8_t child : model.bones[bone]->children) {
        poseBone(model, animation, pair, child, transform, pose);
    }
}

}  // namespace

void poseSkeleton(const Model& model, const Animation& animation, const FramePair& pair,
                  Pose& pose) {
    poseBone(model, animation, pair, model.rootBone, Matrix4(), pose);
}

namespace {

// The first three rows of a bone's transform, column by column, each column
// padded with a 0 to four lanes; lane i of column j is the element in row i,
// column j. A column times one offset coordinate is then one lane-wise product.
struct alignas(32) BoneColumns {
    double column[4][4];
};

// The columns of every bone slot, in one contiguous array on the caller's stack
// (about 13 KiB), so that the loops read transforms without following pointers.
// Empty slots get zeros: no influence of a loaded model names one.
void gatherColumns(const Model& model, const Pose& pose, BoneColumns* columns) {
    for (int bone = 0; bone < kMaxBones; ++bone) {
        BoneColumns& target = columns[bone];
        if (!model.bones[bone]) {
            target = BoneColumns{};
            continue;
        }
        const Matrix4& m = pose.boneTransforms[bone];
        for (int column = 0; column < 4; ++column) {
            for (int row = 0; row < 3; ++row) {
                target.column[column][row] = m[row][column];
            }
            target.column[column][3] = 0.0;
        }
    }
}

// Two doubles in one register (SSE2 on x86-64); GCC and Clang apply the
// arithmetic operators lane by lane and a scalar operand to both lanes.
typedef double Pair __attribute__((vector_size(16)));

Pair loadPair(const double* lanes) {
    Pair pair;
    std::memcpy(&pair, lanes, sizeof pair);
    return pair;
}

void skinPortable(const Model& model, const BoneColumns* columns, Vector3* positions) {
    const SkinInfluence* influence = model.influences.data();
    const uint8_t* counts = model.influenceCounts.data();
    const std::size_t vertexCount = model.vertexCount();
    for (std::size_t i = 0; i < vertexCount; ++i) {
        Pair xy = {0.0, 0.0};
        double z = 0.0;
        for (unsigned n = counts[i]; n > 0; --n, ++influence) {
            const auto& c = columns[influence->bone].column;
            const double ox = influence->offset.x;
            const double oy = influence->offset.y;
            const double oz = influence->offset.z;
            const double weight = influence->weight;
            const Pair r =
                loadPair(c[0]) * ox + loadPair(c[1]) * oy + loadPair(c[2]) * oz + loadPair(c[3]);
            xy += r * weight;
            z += (c[0][2] * ox + c[1][2] * oy + c[2][2] * oz + c[3][2]) * weight;
        }
        positions[i] = {xy[0], xy[1], z};
    }
}

#if defined(__x86_64__)

__attribute__((target("avx2"))) void skinAvx2(const Model& model, const BoneColumns* columns,
                                              Vector3* positions) {
    const SkinInfluence* influence = model.influences.data();
    const uint8_t* counts = model.influenceCounts.data();
    const std::size_t vertexCount = model.vertexCount();
    for (std::size_t i = 0; i < vertexCount; ++i) {
        __m256d sum = _mm256_setzero_pd();
        for (unsigned n = counts[i]; n > 0; --n, ++influence) {
            const auto& c = columns[influence->bone].column;
            __m256d r = _mm256_mul_pd(_mm256_load_pd(c[0]), _mm256_set1_pd(influence->offset.x));
            r = _mm256_add_pd(
                r, _mm256_mul_pd(_mm256_load_pd(c[1]), _mm256_set1_pd(influence->offset.y)));
            r = _mm256_add_pd(
                r, _mm256_mul_pd(_mm256_load_pd(c[2]), _mm256_set1_pd(influence->offset.z)));
            r = _mm256_add_pd(r, _mm256_load_pd(c[3]));
            sum = _mm256_add_pd(sum, _mm256_mul_pd(r, _mm256_set1_pd(influence->weight)));
        }
        alignas(32) double lanes[4];
        _mm256_store_pd(lanes, sum);
        positions[i] = {lanes[0], lanes[1], lanes[2]};
    }
}

#endif

}  // namespace

bool isSupported(SkinningLoop loop) {
    switch (loop) {
        case SkinningLoop::Portable:
            return true;
        case SkinningLoop::Avx2:
#if defined(__x86_64__)
            return __builtin_cpu_supports("avx2");
#else
            return false;
#endif
    }
    return false;
}

void skin(const Model& model, const Pose& pose, std::vector<Vector3>& positions,
          SkinningLoop loop) {
    positions.resize(model.vertexCount());
    BoneColumns columns[kMaxBones];
    gatherColumns(model, pose, columns);
#if defined(__x86_64__)
    if (loop == SkinningLoop::Avx2) {
        skinAvx2(model, columns, positions.data());
        return;
    }
#endif
    skinPortable(model, columns, positions.data());
}

void skin(const Model& model, const Pose& pose, std::vector<Vector3>& positions) {
    skin(model, pose, positions,
         isSupported(SkinningLoop::Avx2) ? SkinningLoop::Avx2 : SkinningLoop::Portable);
}

}  // namespace model
}  // namespace velmora
