#pragma once
// The check of a character for faults that loading accepts and posing shows:
// vertices no bone moves, weights that do not sum to 1, too many influences,
// faces that name a vertex twice, rotations that are not unit quaternions,
// single-step jumps of a bone's rotation or translation, and loops whose last
// key does not meet the first. A plain job: the model and the options in, the
// findings out, nothing kept; velmora-info prints them, and anything that
// counts findings or marks keys can call it as often as a model is loaded.
//
// Input: a Model that keeps the invariants of files/model.h. Motion is checked
// only in the animations that can be played (isPlayable). Cost: one pass over
// the influences, the faces and the keys, and one skinned pose for the model's
// size; well below the cost of loading the model.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "files/model.h"

namespace velmora {
inline namespace model {

enum class FindingKind {
    // A vertex with no influences: it stays at the origin.
    UnweightedVertex,
    // The weights of a vertex (which has influences) do not sum to 1 within
    // kWeightSumTolerance; value: the sum.
    WeightSum,
    // More influences on a vertex than CheckOptions::maxInfluences; value: the count.
    ManyInfluences,
    // A face that names one vertex twice.
    DegenerateFace,
    // A key whose quaternion's length differs from 1 by more than
    // kRotationLengthTolerance (or is not a number); value: the length.
    NonUnitRotation,
    // The turn of a bone from key k to key k + 1 is a jump (kJumpFactor); key: k,
    // value: degrees. A key out of place gives two, the step into it and out.
    RotationJump,
    // The same for the bone's translation; value: the step's length in model units.
    TranslationJump,
    // The step from the last key back to the first is a jump by either rule,
    // measured against the bone's steps between keys; key: the last key.
    LoopSeam,
};

// The name velmora-info prints and scripts match: "unweighted-vertex", ...
const char* findingKindName(FindingKind kind);

// One fault. The fields that locate it are set, the others empty.
struct Finding {
    FindingKind kind = FindingKind::UnweightedVertex;
    std::optional<std::size_t> vertex;
    std::optional<std::size_t> face;
    // An index into model.animations, counted from 0.
    std::optional<std::size_t> animation;
    std::optional<int> bone;
    // Counted from 0.
    std::optional<uint32_t> key;
    std::optional<double> value;
    // Of a loop seam: the translation's step is the jump, so value is in model
    // units; otherwise the rotation's, in degrees.
    bool seamTranslates = false;
};

struct CheckOptions {
    // A vertex with more influences than this is a finding.
    std::size_t maxInfluences = 4;
};

constexpr double kWeightSumTolerance = 0.01;
constexpr double kRotationLengthTolerance = 0.001;
// A step of a bone (its turn in degrees, or how far its translation moves)
// from one key to the next is a jump when it is
//   - larger than the smallest jump of its kind: kSmallestRotationJump
//     degrees, or kSmallestTranslationJump times the model's size (the
//     largest side of its bounding box posed at the first key of its first
//     playable animation; of its joints when it has no vertices), and
//   - more than kJumpFactor times the median of the bone's steps between
//     keys in that animation, so that a steady fast turn is none, and
//   - either more than kJumpFactor times each step next to it (a break in a
//     motion that otherwise changes its pace smoothly), or one of the two
//     steps into and out of a key that stands out: both are large by the
//     rules above, and the keys either side of it lie less than 1 /
//     kJumpFactor of the smaller step apart (a key out of place: two findings).
// The loop seam is measured as the step from the last key to the first, next
// to the first step and the last.
constexpr double kJumpFactor = 4.0;
constexpr double kSmallestRotationJump = 20.0;
constexpr double kSmallestTranslationJump = 0.1;

// Every finding, in this order: vertices (ascending, kinds in the order
// above), faces (ascending), then each playable animation's bones in slot
// order, each bone's keys ascending with its loop seam last.
std::vector<Finding> checkCharacter(const Model& model, const CheckOptions& options);

}  // namespace model
}  // namespace velmora
