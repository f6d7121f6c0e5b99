#include "tools/samples/skin_weights.h"

#include <algorithm>
#include <stdexcept>

#include "tools/samples/pose_math.h"

namespace velmora {
inline namespace samples {

namespace {

// Shares below this are dropped: they move nothing visibly and only cost time.
constexpr double kNegligible = 1e-3;

}  // namespace

Weights Weights::blend(const Weights& a, const Weights& b, double t) {
    Weights result;
    for (const BoneWeight& entry : a.entries_) {
        result.add(entry.bone, entry.weight * (1 - t));
    }
    for (const BoneWeight& entry : b.entries_) {
        result.add(entry.bone, entry.weight * t);
    }
    return result;
}

void Weights::add(int bone, double weight) {
    for (BoneWeight& entry : entries_) {
        if (entry.bone == bone) {
            entry.weight += weight;
            return;
        }
    }
    entries_.push_back({bone, weight});
}

std::vector<BoneWeight> Weights::influences() const {
    std::vector<BoneWeight> sorted = entries_;
    std::sort(sorted.begin(), sorted.end(), [](const BoneWeight& a, const BoneWeight& b) {
        return a.weight != b.weight ? a.weight > b.weight : a.bone < b.bone;
    });
    double total = 0;
    for (const BoneWeight& entry : sorted) {
        total += entry.weight;
    }
    std::vector<BoneWeight> kept;
    double keptTotal = 0;
    for (const BoneWeight& entry : sorted) {
        if (kept.size() < static_cast<std::size_t>(kMaxInfluences) &&
            entry.weight > kNegligible * total) {
            kept.push_back(entry);
            keptTotal += entry.weight;
        }
    }
    if (kept.empty()) {
        throw std::logic_error("a vertex without any bone influence");
    }
    // Scale all but the first, then give the first the remainder, so that the
    // stored weights add up to one as closely as doubles allow.
    double rest = 0;
    for (std::size_t i = 1; i < kept.size(); ++i) {
        kept[i].weight /= keptTotal;
        rest += kept[i].weight;
    }
    kept[0].weight = 1.0 - rest;
    return kept;
}

Weights alongStations(double place, const std::vector<Station>& stations) {
    if (place <= stations.front().at) {
        return Weights(stations.front().bone);
    }
    for (std::size_t i = 1; i < stations.size(); ++i) {
        if (place <= stations[i].at) {
            const double t = smoothstep(stations[i - 1].at, stations[i].at, place);
            return Weights::blend(Weights(stations[i - 1].bone), Weights(stations[i].bone), t);
        }
    }
    return Weights(stations.back().bone);
}

}  // namespace samples
}  // namespace velmora
