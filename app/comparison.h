#pragma once
// The viewer's added comparison: a second character, B, with the current
// model's skeleton, drawn over it at the same animation (B's first when it has
// fewer) and moment while shown, with the overlay naming the bone that differs
// most in the pose shown (model/pose_difference.h). 'C' opens B with the file
// dialog, --compare at start-up; 'c' switches it.

#include <cstdint>
#include <optional>
#include <string>

#include "app/viewer.h"
#include "model/pose_difference.h"

namespace velmora {
inline namespace app {

// Why B cannot be compared with the current model, one line naming both by
// their file names: how the skeletons differ. Empty when they match or either
// is missing.
std::string comparisonMismatch(const Viewer& viewer);

// Whether B is drawn and compared: shown, both present, skeletons matching.
bool comparing(const Viewer& viewer);

// 'c': shows or hides B; shown again with a skeleton that differs, the
// message line says how.
void toggleComparison(Viewer& viewer);

// The bone that differs most at the playback clock's reading (ranked as
// velmora-info --diff ranks, with the default thresholds); none unless
// comparing with both animations playable. Its animation and key are 0.
std::optional<BoneDifference> largestDifference(const Viewer& viewer, int64_t reading);

// The overlay's lines while B is shown: "Compare: <B's file name>", then
// "Differs most: bone <i> (<name>): <degrees> deg, <distance> units", or why
// the skeletons cannot be compared; nothing while it is not.
std::string comparisonOverlayText(const Viewer& viewer, int64_t reading);

}  // namespace app
}  // namespace velmora
