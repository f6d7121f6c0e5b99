#include "drawing/frame.h"

#include <GL/gl.h>

#include <cstring>

#include "drawing/comparison_drawing.h"
#include "drawing/model_drawing.h"
#include "view/projection.h"

namespace velmora {
inline namespace drawing {

void applyFixedState() {
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_MODULATE));
    glEnable(GL_TEXTURE_2D);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
}

void applyProjection(int width, int height) {
    const auto frustum = frustumFor(width, height);
    if (!frustum) {
        return;
    }
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(frustum->left, frustum->right, frustum->bottom, frustum->top, frustum->near,
              frustum->far);
}

void beginFrame(const Camera& camera) {
    glClear(GL_COLOR_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMultMatrixd(camera.viewMatrix().data());
}

void drawFrame(const Camera& camera, const FrameContent& content, FrameBuffers& buffers) {
    glClearColor(content.background, content.background, content.background, 0.0f);
    beginFrame(camera);
    modelPass(content, buffers);
}

Image readFramePixels(int width, int height) {
    Image image;
    image.width = static_cast<uint32_t>(width);
    image.height = static_cast<uint32_t>(height);
    image.channels = 3;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    std::vector<uint8_t> bottomUp(rowBytes * static_cast<std::size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    // OpenGL counts rows from the bottom, the image from the top.
    image.pixels.resize(bottomUp.size());
    for (int row = 0; row < height; ++row) {
        std::memcpy(&image.pixels[static_cast<std::size_t>(row) * rowBytes],
                    &bottomUp[static_cast<std::size_t>(height - 1 - row) * rowBytes], rowBytes);
    }
    return image;
}

void modelPass(const FrameContent& content, FrameBuffers& buffers) {
    if (!content.model) {
        return;
    }
    const Model& model = *content.model;
    const bool playable = isPlayable(model, content.animation);
    if (playable && (content.showMesh || content.showBones || content.jointAxisLength > 0)) {
        const Animation& animation = model.animations[content.animation];
        buffers.pair = selectFrames(animation, model.playbackRate, content.milliseconds);
        poseSkeleton(model, animation, buffers.pair, buffers.pose);
        buffers.inPlaceOffset = {};
        if (content.inPlace) {
            buffers.inPlaceOffset = inPlaceOffset(model, animation, buffers.pose);
            buffers.pose = movedPose(buffers.pose, buffers.inPlaceOffset);
        }
    }
    if (content.ground) {
        renderGround(*content.ground,
                     gridShift(*content.ground, playable && content.inPlace ? buffers.inPlaceOffset
                                                                            : Geometry::Vector3()));
    }
    if (content.showMesh && playable) {
        skin(model, buffers.pose, buffers.skinnedPositions);
        if (content.wireframe) {
            glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        }
        renderMesh(model, buffers.skinnedPositions, content.texture, buffers.cornerPositions, {},
                   content.cornerColours);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    }
    const bool comparing = playable && poseCompared(content, buffers);
    if (comparing && content.showMesh) {
        renderGhost(*content.comparedModel, buffers);
    }
    glDisable(GL_DEPTH_TEST);
    if (content.showMesh && playable && content.markedVertices) {
        renderMarkedVertices(buffers.skinnedPositions, *content.markedVertices);
    }
    if (content.showBones && playable) {
        if (content.showOnionSkin) {
            renderOnionSkin(model, model.animations[content.animation], buffers.pair,
                            buffers.onionPose, content.inPlace);
        }
        renderBones(model, buffers.pose);
        if (content.selectedBone >= 0) {
            renderSelectedBone(model, buffers.pose, content.selectedBone);
        }
        if (content.showBoneNames) {
            renderBoneNames(model, buffers.pose);
        }
    }
    if (content.jointAxisLength > 0 && playable) {
        renderJointAxes(model, buffers.pose, content.jointAxisLength);
    }
    if (comparing) {
        renderBones(*content.comparedModel, buffers.comparedPose, kComparedBoneColour);
    }
    glEnable(GL_DEPTH_TEST);
}

std::vector<Geometry::Vector3> shownPoints(const Model& model, const FrameBuffers& buffers,
                                           bool showMesh, bool showBones) {
    if (showMesh && buffers.skinnedPositions.size() == model.vertexCount()) {
        return buffers.skinnedPositions;
    }
    std::vector<Geometry::Vector3> points;
    if (showBones) {
        for (const auto& joint : jointPositions(model, buffers.pose)) {
            points.push_back(joint.second);
        }
    }
    return points;
}

}  // namespace drawing
}  // namespace velmora
