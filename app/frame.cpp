#include "app/frame.h"

#include <GL/gl.h>

#include "app/projection.h"
#include "model/animation.h"
#include "model/drawing.h"

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

void drawFrame(const Camera& camera, const FrameContent& content) {
    glClear(GL_COLOR_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMultMatrixd(camera.viewMatrix().data());
    modelPass(content);
}

void drawFrame(Viewer& viewer) {
    drawFrame(viewer.camera,
              {viewer.model.get(), viewer.currentAnimation, viewer.showMesh, viewer.showBones});
}

void modelPass(const FrameContent& content) {
    if (!content.model) {
        return;
    }
    Model& model = *content.model;
    const bool playable = isPlayable(model, content.animation);
    if (content.showMesh && playable) {
        drawMesh(model, content.animation, 0.0);
    }
    glDisable(GL_DEPTH_TEST);
    if (content.showBones && playable) {
        drawBones(model, content.animation, 0.0);
    }
    glEnable(GL_DEPTH_TEST);
}
