#pragma once
// The OpenGL side of the window: fixed state, projection and one frame's
// drawing. Needs the window's context to be current.

#include "app/viewer.h"

// GL_MODULATE texturing, GL_TEXTURE_2D and the depth test (GL_LEQUAL) on; the
// clear colour stays black, no lighting, no culling.
void applyFixedState();

// Viewport and frustum for the window size; a size without area changes nothing.
// Leaves the projection matrix current.
void applyProjection(int width, int height);

// What the model pass draws: the model (none when null), the animation played
// and the two display switches.
struct FrameContent {
    Model* model = nullptr;
    int32_t animation = 0;
    bool showMesh = true;
    bool showBones = false;
};

// Clears, applies the camera and runs the model pass; the caller updates the
// title before and swaps the buffers after. velmora-render draws its pictures
// with the same call.
void drawFrame(const Camera& camera, const FrameContent& content);
// The frame of the viewer's camera, current model, animation and switches.
void drawFrame(Viewer& viewer);

// Draws the model, if any: the mesh if shown, then with the depth test off the
// bones if shown, so that they show through the mesh. An animation that cannot
// be played (none, a rejected motion file, no texture record) draws nothing.
void modelPass(const FrameContent& content);
