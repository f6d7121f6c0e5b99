#pragma once
// The compared character of a frame (FrameContent::comparedModel), drawn over
// the first so that where they differ shows: its bones in cyan, a colour that
// no other part of the frame uses, and its mesh as a translucent cyan ghost
// that neither hides nor is hidden by the first mesh. Needs a current OpenGL
// context.

#include "drawing/frame.h"
#include "drawing/model_drawing.h"

namespace velmora {
inline namespace drawing {

constexpr BoneColour kComparedBoneColour{0.0f, 1.0f, 1.0f};
constexpr MeshColour kGhostColour{0.0f, 1.0f, 1.0f, 0.25f};

// Poses the compared character at the content's moment into
// buffers.comparedPose; false, posing nothing, without one or when its
// animation cannot be played.
bool poseCompared(const FrameContent& content, FrameBuffers& buffers);

// model skinned in buffers.comparedPose, untextured in kGhostColour, blended
// over what is drawn, depth-tested but leaving the depth buffer as it was.
// Leaves blending off and depth writes on.
void renderGhost(const Model& model, FrameBuffers& buffers);

}  // namespace drawing
}  // namespace velmora
