#include "drawing/model_drawing.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "drawing/text.h"

namespace velmora {
inline namespace drawing {

using Geometry::Vector3;
using Geometry::Vector4;

void renderMesh(const Model& model, const std::vector<Geometry::Vector3>& skinnedPositions,
                uint32_t texture, std::vector<CornerPosition>& cornerPositions,
                const MeshColour& colour, const std::vector<VertexColour>* colours) {
    cornerPositions.resize(model.cornerVertices.size());
    for (std::size_t corner = 0; corner < model.cornerVertices.size(); ++corner) {
        const Geometry::Vector3& position = skinnedPositions[model.cornerVertices[corner]];
        cornerPositions[corner] = {static_cast<float>(position.x), static_cast<float>(position.y),
                                   static_cast<float>(position.z)};
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(CornerPosition), cornerPositions.data());
    if (colours && colours->size() == cornerPositions.size()) {
        // The current colour is left undefined by the colour array.
        glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
        glDisable(GL_TEXTURE_2D);
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, GL_FLOAT, sizeof(VertexColour), colours->data());
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(model.faceCorners.size()),
                       GL_UNSIGNED_INT, model.faceCorners.data());
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        glPopAttrib();
        return;
    }
    glBindTexture(GL_TEXTURE_2D, texture);
    glColor4f(colour.red, colour.green, colour.blue, colour.alpha);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(CornerMappingCoord), model.cornerMappingCoords.data());
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(model.faceCorners.size()), GL_UNSIGNED_INT,
                   model.faceCorners.data());
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void renderMarkedVertices(const std::vector<Geometry::Vector3>& skinnedPositions,
                          const std::vector<std::size_t>& vertices) {
    glBindTexture(GL_TEXTURE_2D, 0);
    // A black ring, then the white dot inside it.
    for (const auto& [size, grey] : {std::pair{8.0f, 0.0f}, std::pair{5.0f, 1.0f}}) {
        glPointSize(size);
        glColor3f(grey, grey, grey);
        glBegin(GL_POINTS);
        for (const std::size_t vertex : vertices) {
            if (vertex < skinnedPositions.size()) {
                const Vector3& p = skinnedPositions[vertex];
                glVertex3d(p.x, p.y, p.z);
            }
        }
        glEnd();
    }
    glPointSize(1);
}

namespace {

Vector3 jointOf(const Geometry::Matrix4& transform) {
    const Vector4 joint = transform * Vector4(0, 0, 0, 1);
    return Vector3(joint.x, joint.y, joint.z);
}

// Sends the origin of a bone's frame, in model space.
void sendJoint(const Geometry::Matrix4& transform) {
    const Vector3 joint = jointOf(transform);
    glVertex3d(joint.x, joint.y, joint.z);
}

void renderBone(const Model& model, const Pose& pose, uint8_t bone) {
    for (uint8_t child : model.bones[bone]->children) {
        glBegin(GL_LINES);
        sendJoint(pose.boneTransforms[bone]);
        sendJoint(pose.boneTransforms[child]);
        glEnd();
        renderBone(model, pose, child);
    }
}

void addJoints(const Model& model, const Pose& pose, uint8_t bone,
               std::vector<std::pair<uint8_t, Vector3>>& joints) {
    joints.emplace_back(bone, jointOf(pose.boneTransforms[bone]));
    for (uint8_t child : model.bones[bone]->children) {
        addJoints(model, pose, child, joints);
    }
}

// Where point lands in the viewport through the current model-view and
// projection matrices, in pixels from the viewport's top-left corner; false
// for a point behind the eye.
bool toViewport(const Vector3& point, int& x, int& y) {
    Geometry::GLMatrix modelView;
    Geometry::GLMatrix projection;
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView.values);
    glGetDoublev(GL_PROJECTION_MATRIX, projection.values);
    glGetIntegerv(GL_VIEWPORT, viewport);
    const Vector4 clip = Geometry::Matrix4(projection) *
                         (Geometry::Matrix4(modelView) * Vector4(point.x, point.y, point.z, 1));
    if (!(clip.w > 0)) {
        return false;
    }
    x = static_cast<int>((clip.x / clip.w + 1) / 2 * viewport[2]);
    y = viewport[3] - static_cast<int>((clip.y / clip.w + 1) / 2 * viewport[3]);
    return true;
}

}  // namespace

void renderBones(const Model& model, const Pose& pose, const BoneColour& colour) {
    glBindTexture(GL_TEXTURE_2D, 0);
    glColor3f(colour.red, colour.green, colour.blue);
    renderBone(model, pose, model.rootBone);
}

std::vector<std::pair<uint8_t, Vector3>> jointPositions(const Model& model, const Pose& pose) {
    std::vector<std::pair<uint8_t, Vector3>> joints;
    addJoints(model, pose, model.rootBone, joints);
    return joints;
}

void renderSelectedBone(const Model& model, const Pose& pose, int bone) {
    const auto joints = jointPositions(model, pose);
    const auto reached = std::find_if(joints.begin(), joints.end(),
                                      [bone](const auto& joint) { return joint.first == bone; });
    if (reached == joints.end()) {
        return;
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    glColor3f(1.0f, 1.0f, 0.0f);
    // The root, listed first, has no line of its own.
    if (reached != joints.begin()) {
        glLineWidth(3);
        glBegin(GL_LINES);
        sendJoint(pose.boneTransforms[boneParent(model, bone)]);
        sendJoint(pose.boneTransforms[bone]);
        glEnd();
        glLineWidth(1);
    }
    glPointSize(7);
    glBegin(GL_POINTS);
    sendJoint(pose.boneTransforms[bone]);
    glEnd();
    glPointSize(1);
}

void renderJointAxes(const Model& model, const Pose& pose, double length) {
    constexpr float kAxisColours[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    glBindTexture(GL_TEXTURE_2D, 0);
    glBegin(GL_LINES);
    for (const auto& [bone, joint] : jointPositions(model, pose)) {
        const Geometry::Matrix4& transform = pose.boneTransforms[bone];
        for (int axis = 0; axis < 3; ++axis) {
            // The frame's axes as the transform carries them, each drawn at
            // the same length even where the frame is scaled.
            const Vector3 direction(transform[0][axis], transform[1][axis], transform[2][axis]);
            const double size = Geometry::length(direction);
            if (!(size > 0) || !std::isfinite(size)) {
                continue;
            }
            const Vector3 end = joint + (length / size) * direction;
            glColor3fv(kAxisColours[axis]);
            glVertex3d(joint.x, joint.y, joint.z);
            glVertex3d(end.x, end.y, end.z);
        }
    }
    glEnd();
}

void renderGround(const Ground& ground, const Vector3& shift) {
    glBindTexture(GL_TEXTURE_2D, 0);
    // Dark enough to show on white, light enough on black and on grey.
    glColor3f(0.3f, 0.3f, 0.3f);
    const double reach = ground.halfLines * ground.spacing;
    const Vector3 centre = ground.centre;
    glBegin(GL_LINES);
    for (int i = -ground.halfLines; i <= ground.halfLines; ++i) {
        const double x = centre.x + shift.x + i * ground.spacing;
        const double z = centre.z + shift.z + i * ground.spacing;
        glVertex3d(x, centre.y, centre.z + shift.z - reach);
        glVertex3d(x, centre.y, centre.z + shift.z + reach);
        glVertex3d(centre.x + shift.x - reach, centre.y, z);
        glVertex3d(centre.x + shift.x + reach, centre.y, z);
    }
    glEnd();
}

void renderBoneNames(const Model& model, const Pose& pose) {
    for (const auto& [bone, joint] : jointPositions(model, pose)) {
        int x = 0;
        int y = 0;
        if (toViewport(joint, x, y)) {
            // Just right of the joint, the line's middle level with it.
            drawText(x + 3, y - kLineHeight / 2, boneLabel(model, bone), {1.0f, 1.0f, 0.0f});
        }
    }
}

void renderOnionSkin(const Model& model, const Animation& animation, const FramePair& pair,
                     Pose& onionPose, bool inPlace) {
    const uint32_t keys = animation.frameCount;
    const uint32_t before = pair.currentFrame == 0 ? keys - 1 : pair.currentFrame - 1;
    const uint32_t after = pair.currentFrame + 1 == keys ? 0 : pair.currentFrame + 1;
    const auto pose = [&](uint32_t key) {
        poseSkeleton(model, animation, {key, key, 0.0}, onionPose);
        if (inPlace) {
            onionPose = movedPose(onionPose, inPlaceOffset(model, animation, onionPose));
        }
    };
    pose(before);
    renderBones(model, onionPose, {0.5f, 0.2f, 0.2f});
    pose(after);
    renderBones(model, onionPose, {0.2f, 0.5f, 0.2f});
}

namespace {

// OpenGL keeps at most one flag per kind of error, so a handful of reads empties
// the queue; the bound keeps a call without a context from spinning.
void discardGLErrors() {
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

GLenum pixelFormat(uint32_t channels) {
    switch (channels) {
        case 1:
            return GL_LUMINANCE;
        case 2:
            return GL_LUMINANCE_ALPHA;
        case 3:
            return GL_RGB;
        default:
            return GL_RGBA;
    }
}

}  // namespace

uint32_t maxTextureSide() {
    GLint side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    return side > 0 ? static_cast<uint32_t>(side) : 0;
}

uint32_t uploadTexture(const Image& image) {
    const uint32_t maxSide = maxTextureSide();
    if (image.width > maxSide || image.height > maxSide) {
        return 0;
    }
    discardGLErrors();
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    // Rows of 1- to 3-byte pixels need not start on 4-byte boundaries.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(image.channels),
                 static_cast<GLsizei>(image.width), static_cast<GLsizei>(image.height), 0,
                 pixelFormat(image.channels), GL_UNSIGNED_BYTE, image.pixels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    // An implementation without non-power-of-two textures refuses such an image.
    if (name == 0 || glGetError() != GL_NO_ERROR) {
        glBindTexture(GL_TEXTURE_2D, 0);
        glDeleteTextures(1, &name);
        discardGLErrors();
        return 0;
    }
    return name;
}

void deleteTexture(uint32_t texture) {
    const GLuint name = texture;
    if (name != 0) {
        glDeleteTextures(1, &name);
    }
}

}  // namespace drawing
}  // namespace velmora
