#pragma once

namespace velmora {
inline namespace benchmarks {

// What the drawing benchmarks and their tests draw into: an offscreen buffer of
// the viewer's window size, with its projection and fixed state.

constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 480;

// Makes the offscreen context current; later calls do nothing. False when no
// context can be made.
bool openDrawingContext();

// Waits until OpenGL has finished the frame drawn so far.
void finishFrame();

}  // namespace benchmarks
}  // namespace velmora
