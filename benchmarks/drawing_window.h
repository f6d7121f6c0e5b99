#pragma once
// The window that the drawing benchmarks and their tests draw into: the
// viewer's size, projection and fixed state, double-buffered with depth.

constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 480;

// Opens the window titled title on the X display, makes its context current and
// returns once the server shows it; later calls do nothing. False when there is
// no display to open it on.
bool openDrawingWindow(const char* title);

// Shows the frame drawn in the back buffer and waits until OpenGL has done
// everything asked of it.
void showFrame();
