#include "app/comparison.h"

#include <algorithm>
#include <filesystem>
#include <iomanip>
#include <sstream>
#include <vector>

#include "model/pipeline.h"

namespace velmora {
inline namespace app {

namespace {

std::string fileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

}  // namespace

std::string comparisonMismatch(const Viewer& viewer) {
    if (!viewer.model || !viewer.comparedModel) {
        return {};
    }
    const std::string mismatch =
        skeletonMismatch(*viewer.model, *viewer.comparedModel, fileName(viewer.modelPath),
                         fileName(viewer.comparedPath));
    return mismatch.empty() ? mismatch : "Cannot compare the skeletons: " + mismatch;
}

bool comparing(const Viewer& viewer) {
    return viewer.showComparison && viewer.model && viewer.comparedModel &&
           comparisonMismatch(viewer).empty();
}

void toggleComparison(Viewer& viewer) {
    viewer.showComparison = !viewer.showComparison;
    if (viewer.showComparison) {
        if (const std::string mismatch = comparisonMismatch(viewer); !mismatch.empty()) {
            viewer.messages.show({mismatch});
        }
    }
}

std::optional<BoneDifference> largestDifference(const Viewer& viewer, int64_t reading) {
    const Animation* animation = viewer.playableAnimation();
    if (!comparing(viewer) || !animation) {
        return std::nullopt;
    }
    const Model& b = *viewer.comparedModel;
    const std::size_t counterpart = counterpartAnimation(b, viewer.currentAnimation);
    if (!isPlayable(b, static_cast<int32_t>(counterpart))) {
        return std::nullopt;
    }
    const Animation& animationB = b.animations[counterpart];
    Pose poseA;
    Pose poseB;
    std::vector<BoneDifference> differences;
    poseDifferences(*viewer.model, *animation,
                    selectFrames(*animation, viewer.model->playbackRate, reading), b, animationB,
                    selectFrames(animationB, b.playbackRate, reading), poseA, poseB, differences);
    const Thresholds thresholds{kDefaultMaxDegrees, viewer.comparisonDistance};
    return *std::min_element(differences.begin(), differences.end(),
                             [&](const BoneDifference& x, const BoneDifference& y) {
                                 return ranksBefore(x, y, thresholds);
                             });
}

std::string comparisonOverlayText(const Viewer& viewer, int64_t reading) {
    if (!viewer.showComparison || !viewer.model || !viewer.comparedModel) {
        return {};
    }
    std::ostringstream text;
    text << "Compare: " << fileName(viewer.comparedPath) << "\n";
    if (const std::string mismatch = comparisonMismatch(viewer); !mismatch.empty()) {
        text << mismatch << "\n";
    } else if (const auto most = largestDifference(viewer, reading)) {
        const Model& model = *viewer.model;
        text << "Differs most: bone " << most->bone;
        if (!model.bones[most->bone]->name.empty()) {
            text << " (" << boneLabel(model, most->bone) << ")";
        }
        text << ": " << std::fixed << std::setprecision(2) << most->degrees << " deg, "
             << std::setprecision(4) << most->distance << " units\n";
    }
    return text.str();
}

}  // namespace app
}  // namespace velmora
