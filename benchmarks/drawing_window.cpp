#include "benchmarks/drawing_window.h"

#include <GL/freeglut.h>

#include <cstdlib>

#include "app/frame.h"

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
