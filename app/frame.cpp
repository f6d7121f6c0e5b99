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

void drawFrame(Viewer& viewer) {
    glClear(GL_COLOR_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMultMatrixd(viewer.camera.viewMatrix().data());
    modelPass(viewer);
}

void modelPass(Viewer& viewer) {
    if (!viewer.model) {
        return;
    }
    Model& model = *viewer.model;
    const bool playable = isPlayable(model, viewer.currentAnimation);
    if (viewer.showMesh && playable) {
        drawMesh(model, viewer.currentAnimation, 0.0);
    }
    glDisable(GL_DEPTH_TEST);
    if (viewer.showBones && playable) {
        drawBones(model, viewer.currentAnimation, 0.0);
    }
    glEnable(GL_DEPTH_TEST);
}
