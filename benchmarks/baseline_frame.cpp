#include "benchmarks/baseline_frame.h"

#include <GL/gl.h>

#include "model/animation.h"

using Geometry::Vector3;
using Geometry::Vector4;

void skinScalar(Model& model) {
    std::size_t k = 0;
    for (std::size_t i = 0; i < model.skinnedPositions.size(); ++i) {
        Vector3 position(0, 0, 0);
        for (uint8_t n = 0; n < model.influenceCounts[i]; ++n, ++k) {
            const SkinInfluence& influence = model.influences[k];
            const Vector4 h(influence.offset.x, influence.offset.y, influence.offset.z, 1.0);
            const Vector4 r = model.bones[influence.bone]->transform * h;
            position.x += r.x * influence.weight;
            position.y += r.y * influence.weight;
            position.z += r.z * influence.weight;
        }
        model.skinnedPositions[i] = position;
    }
}

void renderMeshImmediate(const Model& model) {
    glBindTexture(GL_TEXTURE_2D, model.texture ? model.texture->glName : 0);
    glBegin(GL_TRIANGLES);
    glColor3f(1, 1, 1);
    for (const Face& face : model.faces) {
        for (int corner = 0; corner < 3; ++corner) {
            glTexCoord2dv(model.mappingCoords[face.mappingIndex[corner]].data());
            glVertex3dv(&model.skinnedPositions[face.vertexIndex[corner]].x);
        }
    }
    glEnd();
}

void drawFrameImmediate(const Camera& camera, Model& model, int32_t animation) {
    glClear(GL_COLOR_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMultMatrixd(camera.viewMatrix().data());
    updatePose(model, animation, 0.0);
    skinScalar(model);
    renderMeshImmediate(model);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_DEPTH_TEST);
}
