#include "model/rig_check.h"

#include <algorithm>
#include <cmath>

#include "model/ground.h"
#include "model/pipeline.h"

namespace velmora {
inline namespace model {

namespace {

using Geometry::Vector3;

void checkVertices(const Model& model, const CheckOptions& options,
                   std::vector<Finding>& findings) {
    std::size_t first = 0;
    for (std::size_t v = 0; v < model.vertexCount(); ++v) {
        const std::size_t count = model.influenceCounts[v];
        double sum = 0;
        for (std::size_t i = first; i < first + count; ++i) {
            sum += model.influences[i].weight;
        }
        first += count;
        if (count == 0) {
            findings.push_back({FindingKind::UnweightedVertex, v, {}, {}, {}, {}, {}});
            continue;
        }
        if (!(std::fabs(sum - 1) <= kWeightSumTolerance)) {
            findings.push_back({FindingKind::WeightSum, v, {}, {}, {}, {}, sum});
        }
        if (count > options.maxInfluences) {
            findings.push_back({FindingKind::ManyInfluences, v, {}, {}, {}, {}, double(count)});
        }
    }
}

void checkFaces(const Model& model, std::vector<Finding>& findings) {
    for (std::size_t f = 0; f < model.faces.size(); ++f) {
        const int32_t* v = model.faces[f].vertexIndex;
        if (v[0] == v[1] || v[1] == v[2] || v[2] == v[0]) {
            findings.push_back({FindingKind::DegenerateFace, {}, f, {}, {}, {}, {}});
        }
    }
}

// The model's size at the first key of animation, which is playable: the
// largest side of the box around its points.
double modelSize(const Model& model, const Animation& animation) {
    const Box box = boxAround(firstKeyPoints(model, animation));
    return std::max({box.high.x - box.low.x, box.high.y - box.low.y, box.high.z - box.low.z});
}

// One bone's steps of one kind (rotation or translation) in one animation, as
// kJumpFactor describes: between[k] from key k to k + 1, skips[k] from key k
// to k + 2, and the seam from the last key back to the first.
class Steps {
  public:
    // After between and skips are filled: takes the median of the steps
    // between keys (scratch is reused storage) and the smallest jump.
    void finish(double smallest, std::vector<double>& scratch) {
        smallest_ = smallest;
        scratch.assign(between.begin(), between.end());
        const auto middle = scratch.begin() + static_cast<std::ptrdiff_t>(scratch.size() / 2);
        std::nth_element(scratch.begin(), middle, scratch.end());
        median_ = *middle;
    }

    bool isJump(std::size_t k) const {
        const double before = k > 0 ? between[k - 1] : 0;
        const double after = k + 1 < between.size() ? between[k + 1] : 0;
        return isLarge(between[k]) &&
               (standsAlone(between[k], before, after) || isOutOfPlace(k) || isOutOfPlace(k + 1));
    }
    bool seamIsJump() const {
        return isLarge(seam) && standsAlone(seam, between.back(), between.front());
    }

    std::vector<double> between;
    std::vector<double> skips;
    double seam = 0;

  private:
    bool isLarge(double step) const { return step > smallest_ && step > kJumpFactor * median_; }
    static bool standsAlone(double step, double before, double after) {
        return step > kJumpFactor * before && step > kJumpFactor * after;
    }
    // Key j, neither the first nor the last, stands out: the steps into and
    // out of it are both large and its neighbours lie close together.
    bool isOutOfPlace(std::size_t j) const {
        return j > 0 && j < between.size() && isLarge(between[j - 1]) && isLarge(between[j]) &&
               kJumpFactor * skips[j - 1] < std::min(between[j - 1], between[j]);
    }

    double smallest_ = 0;
    double median_ = 0;
};

struct MotionScratch {
    Steps turns;
    Steps moves;
    std::vector<double> sorted;
};

// The steps from each key to the one `distance` later, up to the last key.
template <typename Measure>
void measureSteps(uint32_t last, uint32_t distance, Measure measure, std::vector<double>& steps) {
    steps.clear();
    for (uint32_t k = 0; k + distance <= last; ++k) {
        steps.push_back(measure(k, k + distance));
    }
}

void checkTrack(const BoneTrack& track, std::size_t animation, int bone, double smallestMove,
                MotionScratch& scratch, std::vector<Finding>& findings) {
    const std::vector<Keyframe>& keys = track.keys;
    const auto last = static_cast<uint32_t>(keys.size() - 1);
    for (uint32_t k = 0; k <= last; ++k) {
        const Geometry::Quaternion& q = keys[k].rotation;
        const double length = std::sqrt(Geometry::dot(q, q));
        if (!(std::fabs(length - 1) <= kRotationLengthTolerance)) {
            findings.push_back({FindingKind::NonUnitRotation, {}, {}, animation, bone, k, length});
        }
    }
    if (last == 0) {
        return;
    }
    Steps& turns = scratch.turns;
    Steps& moves = scratch.moves;
    const auto turn = [&](uint32_t a, uint32_t b) {
        return Geometry::degrees(Geometry::angleBetween(keys[a].rotation, keys[b].rotation));
    };
    const auto move = [&](uint32_t a, uint32_t b) {
        return Geometry::length(keys[b].translation - keys[a].translation);
    };
    measureSteps(last, 1, turn, turns.between);
    measureSteps(last, 2, turn, turns.skips);
    measureSteps(last, 1, move, moves.between);
    measureSteps(last, 2, move, moves.skips);
    turns.seam = turn(last, 0);
    moves.seam = move(last, 0);
    turns.finish(kSmallestRotationJump, scratch.sorted);
    moves.finish(smallestMove, scratch.sorted);
    for (uint32_t k = 0; k < last; ++k) {
        if (turns.isJump(k)) {
            findings.push_back(
                {FindingKind::RotationJump, {}, {}, animation, bone, k, turns.between[k]});
        }
        if (moves.isJump(k)) {
            findings.push_back(
                {FindingKind::TranslationJump, {}, {}, animation, bone, k, moves.between[k]});
        }
    }
    if (turns.seamIsJump()) {
        findings.push_back({FindingKind::LoopSeam, {}, {}, animation, bone, last, turns.seam});
    } else if (moves.seamIsJump()) {
        findings.push_back(
            {FindingKind::LoopSeam, {}, {}, animation, bone, last, moves.seam, true});
    }
}

void checkMotion(const Model& model, std::vector<Finding>& findings) {
    std::optional<double> size;
    MotionScratch scratch;
    for (std::size_t a = 0; a < model.animations.size(); ++a) {
        if (!isPlayable(model, static_cast<int32_t>(a))) {
            continue;
        }
        const Animation& animation = model.animations[a];
        if (!size) {
            size = modelSize(model, animation);
        }
        for (int bone = 0; bone < kMaxBones; ++bone) {
            const BoneTrack* track = animation.tracks[bone].get();
            if (track && !track->keys.empty()) {
                checkTrack(*track, a, bone, kSmallestTranslationJump * *size, scratch, findings);
            }
        }
    }
}

}  // namespace

const char* findingKindName(FindingKind kind) {
    switch (kind) {
        case FindingKind::UnweightedVertex:
            return "unweighted-vertex";
        case FindingKind::WeightSum:
            return "weight-sum";
        case FindingKind::ManyInfluences:
            return "many-influences";
        case FindingKind::DegenerateFace:
            return "degenerate-face";
        case FindingKind::NonUnitRotation:
            return "non-unit-rotation";
        case FindingKind::RotationJump:
            return "rotation-jump";
        case FindingKind::TranslationJump:
            return "translation-jump";
        case FindingKind::LoopSeam:
            return "loop-seam";
    }
    return "";
}

std::vector<Finding> checkCharacter(const Model& model, const CheckOptions& options) {
    std::vector<Finding> findings;
    checkVertices(model, options, findings);
    checkFaces(model, findings);
    checkMotion(model, findings);
    return findings;
}

}  // namespace model
}  // namespace velmora
