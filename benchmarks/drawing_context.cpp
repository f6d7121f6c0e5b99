#include "benchmarks/drawing_context.h"

#include <GL/gl.h>

#include <memory>

#include "drawing/frame.h"
#include "drawing/offscreen_context.h"

namespace velmora {
inline namespace benchmarks {

bool openDrawingContext() {
    static std::unique_ptr<OffscreenContext> context;
    if (context) {
        return true;
    }
    try {
        context = std::make_unique<OffscreenContext>(kWindowWidth, kWindowHeight);
    } catch (const OffscreenError&) {
        return false;
    }
    applyProjection(kWindowWidth, kWindowHeight);
    applyFixedState();
    return true;
}

void finishFrame() {
    glFinish();
}

}  // namespace benchmarks
}  // namespace velmora
