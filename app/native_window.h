#pragma once
// The viewer's own top-level X11 window, found by its title; it owns the
// file-open dialog and takes the files dropped on the viewer.

#include <string>

namespace velmora {
inline namespace app {

// An X11 window id; 0 for none.
using NativeWindow = unsigned long;

// The first top-level window (or client window of a window manager's frame)
// whose title is exactly title, on the display of the current OpenGL context;
// 0 when there is none or no display. Requests still queued on that display
// (such as the creation of our window) are sent first.
NativeWindow findWindowByTitle(const std::string& title);

// Whether a window manager runs on the display of the current OpenGL context
// (one that owns the screen's WM_Sn selection or announces itself to EWMH).
bool windowManagerRunning();

// Sends the requests still queued on the display of the current OpenGL context,
// such as taking down a pop-up menu, so that they take effect before a modal
// dialog blocks the event loop.
void flushWindowRequests();

// Asks that each buffer swap of the current OpenGL context wait for the
// display's next refresh (a swap interval of 1), through whichever of GLX's
// swap-control extensions the driver offers; false when it offers none.
bool syncSwapsToDisplay();

// Makes Shift+Tab reach GLUT's keyboard callback as Tab (9), on the display of
// the current OpenGL context. X turns Shift+Tab into the keysym ISO_Left_Tab,
// which carries no text, and freeglut drops a key without text that it has no
// special code for; so Shift is taken off each Tab key press as it is read,
// and lastTabWasShifted tells whether it was held. Once per process.
void deliverShiftTab();
// Whether Shift was held at the latest Tab key press.
bool lastTabWasShifted();

}  // namespace app
}  // namespace velmora
