#include "app/bone_selection.h"

#include <algorithm>
#include <sstream>

#include "drawing/joint_picking.h"
#include "drawing/model_drawing.h"
#include "model/pipeline.h"

namespace velmora {
inline namespace app {

void selectNextBone(Viewer& viewer, int direction) {
    if (!viewer.model) {
        return;
    }
    // Start just outside the skeleton, so that the first step lands on its
    // first or last slot.
    int slot = viewer.selectedBone ? *viewer.selectedBone : (direction > 0 ? -1 : kMaxBones);
    for (int step = 0; step < kMaxBones; ++step) {
        slot = ((slot + direction) % kMaxBones + kMaxBones) % kMaxBones;
        if (viewer.model->bones[slot]) {
            viewer.selectedBone = static_cast<uint8_t>(slot);
            return;
        }
    }
}

bool selectBoneAt(Viewer& viewer, int x, int y) {
    if (!viewer.showBones || !viewer.playableAnimation()) {
        return false;
    }
    const auto bone = pickJoint(viewer.camera, viewer.width, viewer.height,
                                jointPositions(*viewer.model, viewer.frame.pose), x, y);
    if (bone) {
        viewer.selectedBone = bone;
    }
    return bone.has_value();
}

std::string rigOverlayText(const Viewer& viewer) {
    if (!viewer.model) {
        return {};
    }
    const Model& model = *viewer.model;
    std::ostringstream text;
    text << "Findings: " << viewer.findings.size() << "\n";
    if (viewer.selectedBone) {
        const int bone = *viewer.selectedBone;
        const int parent = boneParent(model, bone);
        text << "Selected bone: " << bone;
        if (!model.bones[bone]->name.empty()) {
            text << " " << boneLabel(model, bone);
        }
        text << ", parent ";
        if (parent < 0) {
            text << "none";
        } else {
            text << parent;
        }
        text << ", moves " << influencedVertexCount(model, bone) << " vertices\n";
    }
    return text.str();
}

std::vector<uint32_t> faultedKeys(const Viewer& viewer) {
    std::vector<uint32_t> keys;
    if (!viewer.playableAnimation()) {
        return keys;
    }
    for (const Finding& finding : viewer.findings) {
        if (finding.key && finding.animation &&
            *finding.animation == static_cast<std::size_t>(viewer.currentAnimation)) {
            keys.push_back(*finding.key);
        }
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

}  // namespace app
}  // namespace velmora
