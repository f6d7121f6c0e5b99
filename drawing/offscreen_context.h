#pragma once
// An OpenGL context that draws into memory instead of a window: nothing appears
// on the screen and no display server is needed. EGL on Mesa's surfaceless
// platform first; where that platform is missing, EGL's default display (which
// on an X desktop uses the X server, still without a window).

#include <stdexcept>
#include <string>

#include "files/png_image.h"

namespace velmora {
inline namespace drawing {

// Why no offscreen context could be made.
class OffscreenError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class OffscreenContext {
  public:
    // A compatibility-profile context drawing into a width x height buffer of
    // 8-bit RGB with a depth buffer, current on the calling thread until the
    // object goes. Throws OffscreenError saying what failed.
    OffscreenContext(int width, int height);
    ~OffscreenContext();
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

    // What has been drawn so far: RGB, rows top to bottom, as a PNG holds them.
    Image readPixels() const;

  private:
    // Unbinds and destroys the context and its buffer; a second call does
    // nothing.
    void release();

    int width_;
    int height_;
    // EGL's handles, which are pointers; kept opaque so that only this file's
    // source includes EGL.
    void* display_ = nullptr;
    void* surface_ = nullptr;
    void* context_ = nullptr;
};

}  // namespace drawing
}  // namespace velmora
