#include "drawing/comparison_drawing.h"

#include <GL/gl.h>

namespace velmora {
inline namespace drawing {

bool poseCompared(const FrameContent& content, FrameBuffers& buffers) {
    const Model* model = content.comparedModel;
    if (!model || !isPlayable(*model, content.comparedAnimation)) {
        return false;
    }
    const Animation& animation = model->animations[content.comparedAnimation];
    poseSkeleton(*model, animation,
                 selectFrames(animation, model->playbackRate, content.milliseconds),
                 buffers.comparedPose);
    return true;
}

void renderGhost(const Model& model, FrameBuffers& buffers) {
    skin(model, buffers.comparedPose, buffers.comparedPositions);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    renderMesh(model, buffers.comparedPositions, 0, buffers.comparedCorners, kGhostColour);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
}

}  // namespace drawing
}  // namespace velmora
