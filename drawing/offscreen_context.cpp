#include "drawing/offscreen_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstring>
#include <sstream>

#include "drawing/frame.h"

namespace velmora {
inline namespace drawing {

namespace {

bool hasExtension(const char* extensions, const char* name) {
    if (!extensions) {
        return false;
    }
    const std::size_t length = std::strlen(name);
    for (const char* at = std::strstr(extensions, name); at; at = std::strstr(at + 1, name)) {
        const bool startsWord = at == extensions || at[-1] == ' ';
        const bool endsWord = at[length] == ' ' || at[length] == '\0';
        if (startsWord && endsWord) {
            return true;
        }
    }
    return false;
}

std::string eglFailure(const std::string& what) {
    std::ostringstream text;
    text << what << " (EGL error 0x" << std::hex << eglGetError() << ")";
    return text.str();
}

// Mesa's surfaceless display, or EGL_NO_DISPLAY where the platform is missing.
EGLDisplay surfacelessDisplay() {
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!hasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        return EGL_NO_DISPLAY;
    }
    const auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
        return EGL_NO_DISPLAY;
    }
    return getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}

// An initialised display that offers desktop OpenGL, trying the surfaceless
// platform first.
EGLDisplay initialisedDisplay() {
    for (EGLDisplay display : {surfacelessDisplay(), eglGetDisplay(EGL_DEFAULT_DISPLAY)}) {
        if (display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr)) {
            return display;
        }
    }
    throw OffscreenError(eglFailure("no EGL display could be initialised"));
}

// An RGB pixel buffer for desktop OpenGL with a depth buffer as deep as a
// window's usually is (24 bits), or 16 bits where none is offered.
EGLConfig pixelBufferConfig(EGLDisplay display) {
    for (EGLint depthBits : {24, 16}) {
        const EGLint attributes[] = {EGL_SURFACE_TYPE,
                                     EGL_PBUFFER_BIT,
                                     EGL_RENDERABLE_TYPE,
                                     EGL_OPENGL_BIT,
                                     EGL_RED_SIZE,
                                     8,
                                     EGL_GREEN_SIZE,
                                     8,
                                     EGL_BLUE_SIZE,
                                     8,
                                     EGL_DEPTH_SIZE,
                                     depthBits,
                                     EGL_NONE};
        EGLConfig config = nullptr;
        EGLint configCount = 0;
        if (eglChooseConfig(display, attributes, &config, 1, &configCount) && configCount > 0) {
            return config;
        }
    }
    throw OffscreenError(eglFailure("EGL offers no RGB pixel buffer with depth for OpenGL"));
}

}  // namespace

OffscreenContext::OffscreenContext(int width, int height) : width_(width), height_(height) {
    EGLDisplay display = initialisedDisplay();
    display_ = display;
    try {
        if (!eglBindAPI(EGL_OPENGL_API)) {
            throw OffscreenError(eglFailure("EGL offers no desktop OpenGL"));
        }
        const EGLConfig config = pixelBufferConfig(display);
        const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
        surface_ = eglCreatePbufferSurface(display, config, surfaceAttributes);
        if (surface_ == EGL_NO_SURFACE) {
            throw OffscreenError(eglFailure("no " + std::to_string(width) + "x" +
                                            std::to_string(height) + " pixel buffer was made"));
        }
        context_ = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
        if (context_ == EGL_NO_CONTEXT) {
            throw OffscreenError(eglFailure("no OpenGL context was made"));
        }
        if (!eglMakeCurrent(display, surface_, surface_, context_)) {
            throw OffscreenError(eglFailure("the OpenGL context could not be made current"));
        }
    } catch (...) {
        release();
        throw;
    }
}

OffscreenContext::~OffscreenContext() {
    release();
}

void OffscreenContext::release() {
    if (!display_) {
        return;
    }
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_) {
        eglDestroyContext(display_, context_);
    }
    if (surface_) {
        eglDestroySurface(display_, surface_);
    }
    // The display stays initialised until the process ends: terminating it
    // unloads Mesa's driver, which leaves some of its allocations behind, and
    // the next context would initialise it again.
    eglReleaseThread();
    display_ = surface_ = context_ = nullptr;
}

Image OffscreenContext::readPixels() const {
    return readFramePixels(width_, height_);
}

}  // namespace drawing
}  // namespace velmora
