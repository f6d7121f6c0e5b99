#include "app/main_window.h"

#include <GL/glut.h>

#include <cstdlib>

#include "app/animation_menu_hint.h"
#include "app/frame.h"
#include "app/frame_rate_title.h"
#include "app/gtk_dialogs.h"
#include "app/keys.h"
#include "app/viewer.h"
#include "model/drawing.h"

static_assert(kKeyLeft == GLUT_KEY_LEFT && kKeyUp == GLUT_KEY_UP && kKeyRight == GLUT_KEY_RIGHT &&
                  kKeyDown == GLUT_KEY_DOWN,
              "arrow key codes are GLUT's");

namespace {

constexpr int kInitialWidth = 640;
constexpr int kInitialHeight = 480;

Viewer& viewer();
void onDisplay();

void onMainMenu(int value) {
    viewer().onMainMenu(value);
}

void onModelMenu(int value) {
    viewer().onModelMenu(value);
}

void onAnimationMenu(int value) {
    viewer().onAnimationMenu(value);
}

class GlutMenus : public MenuBackend {
  public:
    int createMenu(MenuKind kind) override {
        switch (kind) {
            case MenuKind::Main:
                return glutCreateMenu(onMainMenu);
            case MenuKind::Model:
                return glutCreateMenu(onModelMenu);
            case MenuKind::Animation:
                break;
        }
        return glutCreateMenu(onAnimationMenu);
    }
    void setCurrentMenu(int menu) override { glutSetMenu(menu); }
    void addEntry(const std::string& label, int value) override {
        glutAddMenuEntry(label.c_str(), value);
    }
    void addSubmenu(const std::string& label, int menu) override {
        glutAddSubMenu(label.c_str(), menu);
    }
    void removeEntry(int position) override { glutRemoveMenuItem(position); }
    void attachToRightButton() override { glutAttachMenu(GLUT_RIGHT_BUTTON); }
};

class GlutWindowTitle : public WindowTitle {
  public:
    void setTitle(const std::string& title) override { glutSetWindowTitle(title.c_str()); }
};

// Never destroyed: Escape ends the process without releasing the model, and no
// OpenGL call may run while the process is being torn down.
Viewer& viewer() {
    static GlutMenus glutMenus;
    static AnimationMenuHint menus(glutMenus);
    static GtkDialogs dialogs(MainWindow::instance().handle, onDisplay);
    static Viewer& instance = *new Viewer(Camera::instance(), menus, dialogs);
    return instance;
}

FrameRateTitle& frameRateTitle() {
    static GlutWindowTitle window;
    static FrameRateTitle title(window);
    return title;
}

void onDisplay() {
    frameRateTitle().update();
    drawFrame(viewer());
    glutSwapBuffers();
}

void onReshape(int width, int height) {
    applyProjection(width, height);
}

void onIdle() {
    glutPostRedisplay();
}

void onKeyboard(unsigned char key, int, int) {
    if (onKey(viewer(), key) == KeyOutcome::Exit) {
        std::exit(0);
    }
}

void onSpecialKeyboard(int key, int, int) {
    onSpecialKey(viewer(), key);
}

}  // namespace

MainWindow& MainWindow::instance() {
    static MainWindow window;
    return window;
}

void MainWindow::startup(const std::optional<std::string>& modelPath) {
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB | GLUT_DEPTH);
    glutInitWindowSize(kInitialWidth, kInitialHeight);
    glutCreateWindow(kWindowTitle);
    onReshape(kInitialWidth, kInitialHeight);
    handle = findWindowByTitle(kWindowTitle);
    glutDisplayFunc(onDisplay);
    glutReshapeFunc(onReshape);
    glutIdleFunc(onIdle);
    glutKeyboardFunc(onKeyboard);
    glutSpecialFunc(onSpecialKeyboard);
    applyFixedState();
    static GLTextureBackend textures;
    installTextureBackend(&textures);
    viewer().buildMenus();
    viewer().camera.reset();
    viewer().replaceModel(modelPath ? *modelPath : kSampleModels[0].path);
}
