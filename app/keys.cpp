#include "app/keys.h"

#include <cstdint>
#include <limits>

KeyOutcome onKey(Viewer& viewer, unsigned char key) {
    Camera& camera = viewer.camera;
    switch (key) {
        case kEscapeKey:
            return KeyOutcome::Exit;
        case ' ':
            // Without animations there is nothing to cycle through.
            if (viewer.animationCount > 0) {
                viewer.currentAnimation = (viewer.currentAnimation + 1) % viewer.animationCount;
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
        default:
            break;
    }
    camera.update();
    return KeyOutcome::Continue;
}

void onSpecialKey(Viewer& viewer, int key) {
    Camera& camera = viewer.camera;
    // The rate changes only while a model is loaded; it stays at least 1 and
    // stops at the largest rate that can be held rather than wrapping around.
    int32_t* rate = viewer.model ? &viewer.model->playbackRate : nullptr;
    switch (key) {
        case kKeyLeft:
            if (rate) {
                *rate = *rate <= 1 ? 1 : *rate - 1;
            }
            break;
        case kKeyUp:
            camera.raise(-kCameraStep);
            break;
        case kKeyRight:
            if (rate && *rate < std::numeric_limits<int32_t>::max()) {
                ++*rate;
            }
            break;
        case kKeyDown:
            camera.raise(kCameraStep);
            break;
        default:
            break;
    }
    camera.update();
}
