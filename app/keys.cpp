#include "app/keys.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

#include "app/comparison.h"
#include "app/bone_selection.h"
#include "drawing/model_drawing.h"
#include "model/pipeline.h"
#include "view/framing.h"

namespace velmora {
inline namespace app {

namespace {

// Steps the playback clock by direction keys, pausing first; without an
// animation to play it only pauses.
void stepKey(Viewer& viewer, int direction) {
    if (const Animation* animation = viewer.playableAnimation()) {
        viewer.playback.stepKey(*animation, viewer.model->playbackRate, direction);
    } else {
        viewer.playback.pause();
    }
}

// What the last frame drew of the current model: the skinned mesh, or else the
// skeleton's joints; nothing when it drew neither.
std::vector<Geometry::Vector3> drawnPoints(const Viewer& viewer) {
    if (!viewer.playableAnimation()) {
        return {};
    }
    return shownPoints(*viewer.model, viewer.frame, viewer.showMesh, viewer.showBones);
}

// The key shown now, to bound the loop range with; none without an animation
// to play.
std::optional<uint32_t> shownKey(const Viewer& viewer) {
    const Animation* animation = viewer.playableAnimation();
    if (!animation) {
        return std::nullopt;
    }
    return selectFrames(*animation, viewer.model->playbackRate, viewer.playback.reading())
        .currentFrame;
}

// The keys that move the camera, and so stop the turntable.
bool movesCamera(unsigned char key) {
    return key != 0 &&
           std::string_view("+-.01245689f").find(static_cast<char>(key)) != std::string_view::npos;
}

}  // namespace

KeyOutcome onKey(Viewer& viewer, unsigned char key, bool shift) {
    Camera& camera = viewer.camera;
    viewer.messages.dismiss();
    switch (key) {
        case kEscapeKey:
            return KeyOutcome::Exit;
        case ' ':
            // Without animations there is nothing to cycle through.
            if (viewer.animationCount > 0) {
                viewer.currentAnimation = (viewer.currentAnimation + 1) % viewer.animationCount;
                viewer.animationChanged();
            }
            break;
        case '+':
            camera.zoom(-kCameraStep, kMaxRadius, kMinRadius);
            break;
        case '-':
            camera.zoom(kCameraStep, kMaxRadius, kMinRadius);
            break;
        case '.':
            camera.rotate(kCameraStep);
            break;
        case '0':
            camera.rotate(-kCameraStep);
            break;
        case '1':
            camera.moveEyeHeight(-kCameraStep);
            break;
        case '2':
            camera.moveTarget(Axis::Z, -kCameraStep);
            break;
        case '4':
            camera.moveTarget(Axis::X, -kCameraStep);
            break;
        case '5':
            camera.reset();
            break;
        case '6':
            camera.moveTarget(Axis::X, kCameraStep);
            break;
        case '8':
            camera.moveTarget(Axis::Z, kCameraStep);
            break;
        case '9':
            camera.moveEyeHeight(kCameraStep);
            break;
        case 'b':
            viewer.showBones = !viewer.showBones;
            break;
        case 'm':
            viewer.showMesh = !viewer.showMesh;
            break;
        case 'p':
            viewer.playback.togglePause();
            break;
        case ']':
            stepKey(viewer, 1);
            break;
        case '[':
            stepKey(viewer, -1);
            break;
        case 'i':
            viewer.showOverlay = !viewer.showOverlay;
            break;
        case 'n':
            viewer.showBoneNames = !viewer.showBoneNames;
            break;
        case 'o':
            viewer.showOnionSkin = !viewer.showOnionSkin;
            break;
        case 'f':
            frameCamera(camera, drawnPoints(viewer), viewer.width, viewer.height);
            break;
        case 'h':
            viewer.onMainMenu(kHelpValue);
            break;
        case 'k':
            viewer.background = (viewer.background + 1) % kBackgroundCount;
            break;
        case 'v':
            viewer.wireframe = !viewer.wireframe;
            break;
        case '*':
            viewer.playback.setSpeedPower(viewer.playback.speedPower() + 1);
            break;
        case '/':
            viewer.playback.setSpeedPower(viewer.playback.speedPower() - 1);
            break;
        case '=':
            viewer.playback.setSpeedPower(0);
            break;
        case '{':
            if (const auto key = shownKey(viewer)) {
                viewer.loopStartKey = key;
            }
            break;
        case '}':
            if (const auto key = shownKey(viewer)) {
                viewer.loopEndKey = key;
            }
            break;
        case '|':
            viewer.loopStartKey.reset();
            viewer.loopEndKey.reset();
            break;
        case 'r':
            viewer.playMode =
                static_cast<PlayMode>((static_cast<int>(viewer.playMode) + 1) % kPlayModeCount);
            break;
        case 't':
            viewer.turntable = !viewer.turntable;
            break;
        case 'w':
            viewer.colouring = static_cast<MeshColouring>((static_cast<int>(viewer.colouring) + 1) %
                                                          kMeshColouringCount);
            break;
        case 'x':
            viewer.showJointAxes = !viewer.showJointAxes;
            break;
        case kTabKey:
            selectNextBone(viewer, shift ? -1 : 1);
            break;
        case 'C':
            viewer.chooseComparison();
            break;
        case 'c':
            toggleComparison(viewer);
            break;
        case 'g':
            viewer.showGround = !viewer.showGround;
            break;
        case 'l':
            viewer.inPlace = !viewer.inPlace;
            break;
        default:
            break;
    }
    if (movesCamera(key)) {
        viewer.turntable = false;
    }
    camera.update();
    return KeyOutcome::Continue;
}

void onSpecialKey(Viewer& viewer, int key) {
    Camera& camera = viewer.camera;
    viewer.messages.dismiss();
    // The rate changes only while a model is loaded; it stays at least 1 and
    // stops at the largest rate that can be held rather than wrapping around.
    int32_t* rate = viewer.model ? &viewer.model->playbackRate : nullptr;
    const int32_t oldRate = rate ? *rate : 0;
    switch (key) {
        case kKeyLeft:
            if (rate) {
                *rate = *rate <= 1 ? 1 : *rate - 1;
            }
            break;
        case kKeyUp:
            viewer.turntable = false;
            camera.raise(-kCameraStep);
            break;
        case kKeyRight:
            if (rate && *rate < std::numeric_limits<int32_t>::max()) {
                ++*rate;
            }
            break;
        case kKeyDown:
            viewer.turntable = false;
            camera.raise(kCameraStep);
            break;
        case kKeyHome:
            viewer.playback.hold(0);
            break;
        case kKeyF1:
            viewer.onMainMenu(kHelpValue);
            break;
        default:
            break;
    }
    if (rate && *rate != oldRate) {
        if (const Animation* animation = viewer.playableAnimation()) {
            viewer.playback.keepKey(*animation, oldRate, *rate);
        }
    }
    camera.update();
}

}  // namespace app
}  // namespace velmora
