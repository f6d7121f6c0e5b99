#pragma once
// The keyboard commands. Every key but Escape, known or not, ends with
// Camera::update; none of them draws, the next frame shows the result.
//
// Added keys, on input that had no action: 'p' pauses and resumes; ']' and '['
// step a key forward and back and Home goes to the first key, pausing first;
// 'i' switches the overlay, 'n' the bone names and 'o' the onion skin; 'f'
// frames the pose of the last frame drawn; 'h' and F1 show the help, as the
// menu's Help does; 'k' steps the background colour, 'v' switches the
// wireframe; '*' and '/' double and halve the playback speed, '=' restores it;
// '{' and '}' bound the loop range at the key shown, '|' clears it, 'r' cycles
// the play mode; 't' switches the turntable, which any key or the mouse moving
// the camera stops; 'w' cycles the mesh's colouring (texture, weights,
// influences), Tab and Shift+Tab select the next and previous bone, 'x'
// switches the joint axes; 'C' opens a character to compare with and 'c'
// switches the comparison (app/comparison.h); 'g' switches the ground grid
// and 'l' holds the root in place.

#include "app/viewer.h"

namespace velmora {
inline namespace app {

// GLUT's special-key codes of the arrow keys, Home and the function keys used.
constexpr int kKeyF1 = 1;
constexpr int kKeyF11 = 11;
constexpr int kKeyF12 = 12;
constexpr int kKeyLeft = 100;
constexpr int kKeyUp = 101;
constexpr int kKeyRight = 102;
constexpr int kKeyDown = 103;
constexpr int kKeyHome = 106;

constexpr unsigned char kEscapeKey = 27;
constexpr unsigned char kTabKey = 9;

enum class KeyOutcome { Continue, Exit };

// A key typed, compared as a byte: letters are case-sensitive. Escape changes
// nothing and asks the caller to end the process with status 0. Every other
// key, known or not, takes the message line down. shift: whether Shift was
// held (it turns Tab round).
KeyOutcome onKey(Viewer& viewer, unsigned char key, bool shift = false);

// An arrow key or another special key.
void onSpecialKey(Viewer& viewer, int key);

}  // namespace app
}  // namespace velmora
