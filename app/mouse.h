#pragma once
// The mouse camera. A left drag orbits: across, the camera turns about the
// look-at point; up and down, the eye rises and sinks. A middle drag, or a left
// drag with Shift held, moves the look-at point and the eye together across the
// view, so that the scene follows the pointer. The wheel zooms in the keys' steps.
// The right button belongs to the menu. Every change goes through the camera's
// own commands, so '5' and "Reset Camera" still return to the reset view.

#include "view/camera.h"

namespace velmora {
inline namespace app {

// GLUT's button codes; the wheel comes as buttons 3 (towards the screen: in)
// and 4 (out), one press per notch.
constexpr int kLeftButton = 0;
constexpr int kMiddleButton = 1;
constexpr int kRightButton = 2;
constexpr int kWheelIn = 3;
constexpr int kWheelOut = 4;

// A left drag across the window turns the camera this much per pixel: a drag
// to the right turns the scene to the right.
constexpr double kOrbitDegreesPerPixel = 0.5;
// A left drag down raises the eye by this fraction of the radius per pixel, so
// that the tilt feels the same near and far.
constexpr double kEyeHeightPerPixel = 0.01;

// How far, in pixels along either axis, the pointer may wander between a
// left press and its release for them to be a click rather than a drag.
constexpr int kClickSlop = 2;

// Turns the camera by degrees. Unlike Camera::rotate alone, which drops what is
// left over when the angle wraps, the whole turn is kept: a drag across 0/360
// turns as smoothly as anywhere else.
void turnCamera(Camera& camera, double degrees);

// Moves the look-at point and the eye together so that a point at the look-at
// point's depth moves dx pixels to the right and dy down in a window of width x
// height pixels. Nothing for a window without area.
void panCamera(Camera& camera, double dx, double dy, int width, int height);

class MouseCamera {
  public:
    // button went down at (x, y), window pixels from the top-left corner. A wheel
    // notch zooms at once; a left or middle button starts a drag in place of any
    // under way.
    void press(Camera& camera, int button, bool shift, int x, int y);
    // Ends the drag that button started. Whether it was a click: a left press
    // without Shift released within kClickSlop pixels of where it went down.
    bool release(int button);
    // The pointer moved to (x, y) with a button held, in a window of width x
    // height pixels.
    void drag(Camera& camera, int x, int y, int width, int height);

  private:
    enum class Drag { None, Orbit, Pan };
    Drag drag_ = Drag::None;
    int button_ = 0;
    int x_ = 0;
    int y_ = 0;
    // Whether the pointer has gone further than kClickSlop from the press.
    bool moved_ = false;
    int pressX_ = 0;
    int pressY_ = 0;
};

}  // namespace app
}  // namespace velmora
