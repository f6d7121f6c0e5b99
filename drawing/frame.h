#pragma once
// One frame of the viewer: fixed state, projection and the frame's drawing, the
// same for the window and for offscreen pictures. Needs a current OpenGL context.

#include <cstdint>
#include <vector>

#include "files/model.h"
#include "files/png_image.h"
#include "model/ground.h"
#include "model/pipeline.h"
#include "model/vertex_colouring.h"
#include "view/camera.h"

namespace velmora {
inline namespace drawing {

// GL_MODULATE texturing, GL_TEXTURE_2D and the depth test (GL_LEQUAL) on; no
// lighting, no culling. The clear colour is the frame's (drawFrame).
void applyFixedState();

// Viewport and frustum for the window size; a size without area changes nothing.
// Leaves the projection matrix current.
void applyProjection(int width, int height);

// What the model pass draws.
struct FrameContent {
    // None when null.
    const Model* model = nullptr;
    // The OpenGL texture of the model's image; 0 draws the mesh plain white.
    uint32_t texture = 0;
    int32_t animation = 0;
    // The playback clock: milliseconds since playback started.
    int64_t milliseconds = 0;
    bool showMesh = true;
    bool showBones = false;
    // With the bones only: each bone's name (its index where it has none) beside its joint,
    // and the skeletons of the keys before and after the one shown, dimmed.
    bool showBoneNames = false;
    bool showOnionSkin = false;
    // The mesh's triangles drawn as their edges.
    bool wireframe = false;
    // The grey level the frame is cleared to: 0 is black.
    float background = 0.0f;
    // Instead of the texture, one colour per stored corner (cornerColours),
    // the mesh drawn untextured; the texture when null.
    const std::vector<VertexColour>* cornerColours = nullptr;
    // With the mesh: these vertices as bright dots over everything.
    const std::vector<std::size_t>* markedVertices = nullptr;
    // With the bones: this bone's line and joint highlighted; -1 for none.
    int selectedBone = -1;
    // Each reached bone's local axes at its joint, lines this long: x red, y
    // green, z blue; 0 draws none.
    double jointAxisLength = 0.0;
    // The added comparison: a second character with the same skeleton, drawn
    // over the first at the same moment (its own playback rate), animation
    // comparedAnimation of it; none when null. See drawing/comparison_drawing.h.
    const Model* comparedModel = nullptr;
    int32_t comparedAnimation = 0;
    // The root's horizontal motion held at its first key's position
    // (model/ground.h), and the ground grid drawn under the model (none when
    // null), scrolled by the motion held back.
    bool inPlace = false;
    const Ground* ground = nullptr;
};

// What a frame computes on its way to the picture, kept by the caller so that
// drawing a frame allocates nothing once they have their sizes: the frame pair,
// the pose, which mesh and bones share, the skinned positions, and the pose of
// a neighbouring key for the onion skin.
struct FrameBuffers {
    FramePair pair;
    Pose pose;
    Pose onionPose;
    std::vector<Geometry::Vector3> skinnedPositions;
    std::vector<CornerPosition> cornerPositions;
    // The compared character's.
    Pose comparedPose;
    std::vector<Geometry::Vector3> comparedPositions;
    std::vector<CornerPosition> comparedCorners;
    // What holding the root in place moved the pose by (zero when not held).
    Geometry::Vector3 inPlaceOffset;
};

// Clears colour and depth and makes the camera's view the model-view matrix.
void beginFrame(const Camera& camera);

// Sets the clear colour to the content's background, then beginFrame and the
// model pass; the caller updates the title before and
// swaps the buffers after.
void drawFrame(const Camera& camera, const FrameContent& content, FrameBuffers& buffers);

// What the current read buffer holds, rows top to bottom, RGB: after a frame is
// drawn (and, in a window, before its buffers are swapped) exactly the picture
// of that frame.
Image readFramePixels(int width, int height);

// Draws the model, if any: the mesh if shown, then with the depth test off the
// bones if shown, so that they show through the mesh; both from one pose. With
// the bones, the onion skin goes under them and their names over them; the
// marked vertices and the joint axes go over everything. An
// animation that cannot be played (none, a rejected motion file, no texture
// record) draws nothing. The compared character, when there is one and both
// animations can be played, goes over it: its mesh after the mesh, its bones
// after the bones (comparison_drawing.h).
void modelPass(const FrameContent& content, FrameBuffers& buffers);

// What a frame drew of model into buffers: the skinned mesh where it showed,
// or else the skeleton's joints where they showed; nothing when neither did.
// The points that framing fits, in the viewer and in pictures alike.
std::vector<Geometry::Vector3> shownPoints(const Model& model, const FrameBuffers& buffers,
                                           bool showMesh, bool showBones);

}  // namespace drawing
}  // namespace velmora
