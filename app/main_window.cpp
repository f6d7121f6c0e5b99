#include "app/main_window.h"

#include <GL/glut.h>

#include <cstdlib>

#include "app/clock.h"
#include "app/frame_rate_title.h"
#include "app/gtk_dialogs.h"
#include "app/keys.h"
#include "app/sample_location.h"
#include "app/viewer.h"
#include "app/x11_file_drop.h"
#include "drawing/frame.h"
#include "drawing/model_drawing.h"

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

class GLTextureStore : public TextureStore {
  public:
    uint32_t upload(const Image& image) override { return uploadTexture(image); }
    void release(uint32_t texture) override { deleteTexture(texture); }
};

const Clock& viewerClock() {
    static const MonotonicClock monotonic;
    return monotonic;
}

// Never destroyed: Escape ends the process without releasing the model, and no
// OpenGL call may run while the process is being torn down.
Viewer& viewer() {
    static GlutMenus menus;
    static GtkDialogs dialogs(MainWindow::instance().handle, onDisplay);
    static GLTextureStore textures;
    static Camera& camera = *new Camera();
    static Viewer& instance = *new Viewer(camera, menus, dialogs, textures);
    return instance;
}

FrameRateTitle& frameRateTitle() {
    static GlutWindowTitle window;
    static FrameRateTitle title(window, viewerClock());
    return title;
}

void onDisplay() {
    static FrameBuffers& buffers = *new FrameBuffers();
    frameRateTitle().update();
    drawFrame(viewer().camera, viewer().frameContent(viewerClock().milliseconds()), buffers);
    glutSwapBuffers();
}

void onReshape(int width, int height) {
    applyProjection(width, height);
}

void onIdle() {
    serveFileDrops();
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
    viewer().buildMenus();
    acceptFileDrops(handle, [](const std::string& path) { return viewer().openChosenFile(path); });
    viewer().camera.reset();
    viewer().replaceModel(modelPath ? *modelPath : locateSampleModel(kSampleModels[0].path));
}
