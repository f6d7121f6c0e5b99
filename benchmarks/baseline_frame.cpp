#include "benchmarks/baseline_frame.h"

#include <GL/gl.h>

namespace velmora {
inline namespace benchmarks {

using Geometry::Vector3;
using Geometry::Vector4;

void skinScalar(const Model& model, const Pose& pose, std::vector<Vector3>& positions) {
    positions.resize(model.vertexCount());
    std::size_t k = 0;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        Vector3 position(0, 0, 0);
        for (uint8_t n = 0; n < model.influenceCounts[i]; ++n, ++k) {
            const SkinInfluence& influence = model.influences[k];
            const Vector4 h(influence.offset.x, influence.offset.y, influence.offset.z, 1.0);
            const Vector4 r = pose.boneTransforms[influence.bone] * h;
            position.x += r.x * influence.weight;
            position.y += r.y * influence.weight;
            position.z += r.z * influence.weight;
        }
        positions[i] = position;
    }
}

void renderMeshImmediate(const Model& model, const std::vector<Vector3>& positions,
                         uint32_t texture) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_TRIANGLES);
    glColor3f(1, 1, 1);
    for (const Face& face : model.faces) {
        for (int corner = 0; corner < 3; ++corner) {
            glTexCoord2dv(model.mappingCoords[face.mappingIndex[corner]].data());
            glVertex3dv(&positions[face.vertexIndex[corner]].x);
        }
    }
    glEnd();
}

void drawFrameImmediate(const Camera& camera, const FrameContent& content, FrameBuffers& buffers) {
    beginFrame(camera);
    const Model& model = *content.model;
    const Animation& animation = model.animations[content.animation];
    buffers.pair = selectFrames(animation, model.playbackRate, content.milliseconds);
    poseSkeleton(model, animation, buffers.pair, buffers.pose);
    skinScalar(model, buffers.pose, buffers.skinnedPositions);
    renderMeshImmediate(model, buffers.skinnedPositions, content.texture);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_DEPTH_TEST);
}

}  // namespace benchmarks
}  // namespace velmora
