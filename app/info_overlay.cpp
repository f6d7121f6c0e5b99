#include "app/info_overlay.h"

#include <cmath>
#include <filesystem>
#include <iomanip>
#include <sstream>

#include "app/comparison.h"
#include "app/bone_selection.h"
#include "model/pipeline.h"

namespace velmora {
inline namespace app {

std::string overlayText(const Viewer& viewer, int64_t reading, int32_t shownFrames) {
    std::ostringstream text;
    if (!viewer.model) {
        text << "No model\n";
    } else {
        const Model& model = *viewer.model;
        text << "File: " << std::filesystem::path(viewer.modelPath).filename().string() << "\n";
        if (viewer.animationCount == 0) {
            text << "Animation: none\n";
        } else {
            text << "Animation: " << viewer.currentAnimation + 1 << "/" << viewer.animationCount
                 << " " << animationLabel(model.animations[viewer.currentAnimation].name) << "\n";
        }
        if (const Animation* animation = viewer.playableAnimation()) {
            const int32_t rate = effectiveRate(model.playbackRate);
            const FramePair pair = selectFrames(*animation, rate, reading);
            const double seconds = (pair.currentFrame + pair.frameBlend) / rate;
            text << "Key: " << pair.currentFrame + 1 << "/" << animation->frameCount;
            // A single key is held still: there is nothing to blend it with.
            if (animation->frameCount > 1) {
                text << " blend " << std::fixed << std::setprecision(2) << pair.frameBlend;
            }
            text << "\nTime: " << std::llround(seconds * 1000) << " ms\n";
        } else if (viewer.animationCount > 0) {
            text << "Cannot be played\n";
        }
        text << "Rate: " << effectiveRate(model.playbackRate) << " keys/s";
        const int power = viewer.playback.speedPower();
        if (power > 0) {
            text << " x" << (1 << power);
        } else if (power < 0) {
            text << " x1/" << (1 << -power);
        }
        text << "\n";
        if (const auto keys = viewer.loopKeys()) {
            text << "Loop range: keys " << keys->first + 1 << "-" << keys->second + 1 << "\n";
        }
        if (viewer.playMode == PlayMode::PingPong) {
            text << "Play mode: ping-pong\n";
        } else if (viewer.playMode == PlayMode::Reverse) {
            text << "Play mode: reverse\n";
        }
        text << comparisonOverlayText(viewer, reading);
    }
    text << "Frame rate: ";
    if (shownFrames > 0) {
        text << shownFrames << " fps\n";
    } else {
        text << "-\n";
    }
    if (viewer.model) {
        int bones = 0;
        for (const auto& bone : viewer.model->bones) {
            bones += bone != nullptr;
        }
        text << "Bones: " << bones << " Vertices: " << viewer.model->vertexCount()
             << " Faces: " << viewer.model->faces.size() << "\n";
    }
    if (viewer.playback.paused()) {
        text << "Paused\n";
    }
    for (const std::string& problem : viewer.problems) {
        text << problem << "\n";
    }
    text << rigOverlayText(viewer);
    return text.str();
}

std::optional<Timeline> overlayTimeline(const Viewer& viewer, int64_t reading) {
    const Animation* animation = viewer.playableAnimation();
    if (!animation) {
        return std::nullopt;
    }
    const FramePair pair = selectFrames(*animation, viewer.model->playbackRate, reading);
    Timeline timeline;
    timeline.keyCount = animation->frameCount;
    timeline.position = (pair.currentFrame + pair.frameBlend) / animation->frameCount;
    timeline.markedKeys = faultedKeys(viewer);
    if (const auto keys = viewer.loopKeys()) {
        timeline.range = std::pair{static_cast<double>(keys->first) / animation->frameCount,
                                   static_cast<double>(keys->second) / animation->frameCount};
    }
    return timeline;
}

bool holdsTimeline(const Viewer& viewer, int x, int y) {
    return viewer.showOverlay && viewer.playableAnimation() &&
           onTimeline(timelineBox(viewer.width, viewer.height), x, y);
}

void scrubTimeline(Viewer& viewer, int x) {
    if (const Animation* animation = viewer.playableAnimation()) {
        viewer.playback.scrub(*animation, viewer.model->playbackRate,
                              timelineFraction(timelineBox(viewer.width, viewer.height), x));
    }
}

}  // namespace app
}  // namespace velmora
