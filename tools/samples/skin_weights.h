#pragma once
// The bone influences of one vertex while a character is being built, and the
// ways of blending them smoothly across a joint.

#include <vector>

namespace velmora {
inline namespace samples {

struct BoneWeight {
    int bone = 0;
    double weight = 0.0;
};

class Weights {
  public:
    // The most influences a vertex keeps.
    static constexpr int kMaxInfluences = 4;

    Weights() = default;
    // Wholly bound to one bone.
    explicit Weights(int bone) : entries_{{bone, 1.0}} {}

    // a where t = 0, b where t = 1, the two scaled and merged between.
    static Weights blend(const Weights& a, const Weights& b, double t);

    // Adds weight to bone (merging with an entry of the same bone).
    void add(int bone, double weight);

    // At most kMaxInfluences entries, the heaviest, each above a negligible
    // share, in order of falling weight (then bone index), summing to one.
    std::vector<BoneWeight> influences() const;

  private:
    std::vector<BoneWeight> entries_;
};

// A place along a limb or the trunk and the bone that owns it.
struct Station {
    double at;
    int bone;
};

// Weights along a chain of stations in increasing order of place: the bone of
// a station owns it; between two stations of different bones the weight passes
// from one to the other along a smooth S-curve, so a joint bends softly.
Weights alongStations(double place, const std::vector<Station>& stations);

}  // namespace samples
}  // namespace velmora
