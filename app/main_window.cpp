#include "app/main_window.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <new>

#include "app/animation_menu_hint.h"
#include "app/clock.h"
#include "app/file_watch.h"
#include "app/frame_rate_title.h"
#include "app/gtk_dialogs.h"
#include "app/info_overlay.h"
#include "app/keys.h"
#include "app/mouse.h"
#include "app/native_window.h"
#include "app/bone_selection.h"
#include "app/sample_location.h"
#include "app/screenshot.h"
#include "app/viewer.h"
#include "app/x11_file_drop.h"
#include "drawing/frame.h"
#include "drawing/model_drawing.h"

namespace velmora {
inline namespace app {

static_assert(kKeyLeft == GLUT_KEY_LEFT && kKeyUp == GLUT_KEY_UP && kKeyRight == GLUT_KEY_RIGHT &&
                  kKeyDown == GLUT_KEY_DOWN && kKeyHome == GLUT_KEY_HOME && kKeyF1 == GLUT_KEY_F1 &&
                  kKeyF11 == GLUT_KEY_F11 && kKeyF12 == GLUT_KEY_F12,
              "special key codes are GLUT's");
static_assert(kLeftButton == GLUT_LEFT_BUTTON && kMiddleButton == GLUT_MIDDLE_BUTTON &&
                  kRightButton == GLUT_RIGHT_BUTTON,
              "mouse button codes are GLUT's");

namespace {

constexpr int kInitialWidth = 640;
constexpr int kInitialHeight = 480;

// How frames are asked for. Unpaced, the idle callback asks for the next frame
// as soon as one is drawn, as fast as the machine goes. Paced, a frame is asked
// for when something has changed (input, a model taken from a conversion, the
// window shown again), and while an animation plays, one per refresh of the
// display (the swap waits for it where the driver offers that) and never more
// than kPacedFramesPerSecond, from a timer; in between the loop sleeps. A
// timer keeps the title, the conversions and the files dropped served.
bool unpaced = false;
constexpr double kPacedFramesPerSecond = 60.0;
constexpr unsigned kHousekeepingMilliseconds = 100;

Viewer& viewer();
void onDisplay();

void beforeInput();
void changed();

void onMainMenu(int value) {
    beforeInput();
    viewer().onMainMenu(value);
    changed();
}

void onModelMenu(int value) {
    beforeInput();
    viewer().onModelMenu(value);
    changed();
}

void onAnimationMenu(int value) {
    beforeInput();
    viewer().onAnimationMenu(value);
    changed();
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
    uint32_t maxSide() const override { return maxTextureSide(); }
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
    static GlutMenus glutMenus;
    static AnimationMenuHint menus(glutMenus);
    static GtkDialogs dialogs(MainWindow::instance().handle, onDisplay);
    static GLTextureStore textures;
    static Camera& camera = *new Camera();
    static const CharacterCache& cache = *new CharacterCache(defaultCacheFolder());
    static Viewer& instance = *new Viewer(camera, menus, dialogs, textures, cache, viewerClock());
    return instance;
}

FrameRateTitle& frameRateTitle() {
    static GlutWindowTitle window;
    static FrameRateTitle title(window, viewerClock());
    return title;
}

// Set by F12; the next frame is saved once drawn.
bool screenshotRequested = false;

void saveScreenshot() {
    const int width = glutGet(GLUT_WINDOW_WIDTH);
    const int height = glutGet(GLUT_WINDOW_HEIGHT);
    if (width <= 0 || height <= 0) {
        return;
    }
    try {
        const SavedFile saved = saveNumbered(screenshotStem(viewer().modelPath),
                                             encodePng(readFramePixels(width, height)));
        if (saved.error.empty()) {
            std::cout << saved.path << std::endl;
        } else {
            std::cerr << saved.error << std::endl;
        }
    } catch (const std::bad_alloc&) {
        std::cerr << "Failed to save a screenshot: out of memory" << std::endl;
    }
}

// Paced: whether a frame timer is set, and when the next frame is due.
bool frameTimerSet = false;
std::chrono::steady_clock::time_point nextFrameDue;
// Whether a conversion ran at the last look.
bool converting = false;
// The message line as the last frame drew it: once it times out, a still
// window draws again without it.
std::string drawnMessage;

// Whether frames change on their own: an animation plays or the turntable turns.
bool animating() {
    return (viewer().playableAnimation() && !viewer().playback.paused()) || viewer().turntable;
}

void onFrameDue(int) {
    frameTimerSet = false;
    glutPostRedisplay();
}

// After a frame, paced: the next one while an animation plays, a frame period
// after this one's due time (or now, when the machine is behind).
void scheduleNextFrame() {
    if (frameTimerSet || !animating()) {
        return;
    }
    using namespace std::chrono;
    const auto now = steady_clock::now();
    const auto period =
        duration_cast<steady_clock::duration>(duration<double>(1.0 / kPacedFramesPerSecond));
    nextFrameDue = std::max(nextFrameDue + period, now);
    const auto wait = ceil<milliseconds>(nextFrameDue - now);
    frameTimerSet = true;
    glutTimerFunc(static_cast<unsigned>(wait.count()), onFrameDue, 0);
}

void onDisplay() {
    Viewer& current = viewer();
    // A conversion under way is taken in between frames, so that the window
    // goes on drawing while a large file converts.
    converting = current.pollOpening(std::chrono::milliseconds(0));
    frameRateTitle().update(current.openingStatus());
    const int64_t reading = current.readClocks(viewerClock().milliseconds());
    drawFrame(current.camera, current.frameContent(reading), current.frame);
    // Before the readback, so that a screenshot holds the overlay too.
    if (current.showOverlay) {
        drawOverlay(overlayText(current, reading, frameRateTitle().shownFrames()),
                    overlayTimeline(current, reading), current.width, current.height,
                    kBackgroundGreys[current.background] > 0.5f);
    }
    if (current.showMesh && current.playableAnimation()) {
        drawLegend(current.legend(), current.width, current.height);
    }
    drawnMessage = current.messageText();
    drawMessage(drawnMessage, current.width, current.height);
    if (screenshotRequested) {
        screenshotRequested = false;
        saveScreenshot();
    }
    glutSwapBuffers();
    if (!unpaced) {
        scheduleNextFrame();
    }
}

// The current model's files watched; once writes to them have settled, the
// model is loaded again (Viewer::reload) and drawn.
void pollReload() {
    static InotifyWatcher watcher;
    static ReloadTrigger trigger(watcher, viewerClock());
    trigger.watch(viewer().watchedFiles());
    if (trigger.due()) {
        beforeInput();
        viewer().reload();
        changed();
    }
}

// Paced: what the frames would otherwise do while none are drawn.
void onHousekeeping(int) {
    pollReload();
    Viewer& current = viewer();
    if (converting) {
        converting = current.pollOpening(std::chrono::milliseconds(0));
        if (!converting) {
            glutPostRedisplay();
        }
    }
    if (!animating()) {
        const int32_t shown = frameRateTitle().shownFrames();
        frameRateTitle().tick(current.openingStatus());
        if ((current.showOverlay && frameRateTitle().shownFrames() != shown) ||
            current.messageText() != drawnMessage) {
            glutPostRedisplay();
        }
    }
    glutTimerFunc(kHousekeepingMilliseconds, onHousekeeping, 0);
}

// Every input callback starts here: the playback clock is told the time, as a
// frame would tell it, so that a pause toggled after a long still spell
// resumes from now. changed() then asks for the frame that shows the result.
void beforeInput() {
    viewer().readClocks(viewerClock().milliseconds());
}

void changed() {
    glutPostRedisplay();
}

void onReshape(int width, int height) {
    changed();
    applyProjection(width, height);
    if (width > 0 && height > 0) {
        viewer().width = width;
        viewer().height = height;
    }
}

void onMenuStatus(int status, int, int) {
    viewer().setMenusInUse(status == GLUT_MENU_IN_USE);
    // A model that waited for the menu to close opens on the next poll, and
    // the picture under the menu is drawn again.
    changed();
}

// Unpaced, after every round of the loop; paced, once after each wake from
// the drop hook, and then no more.
void onIdle() {
    if (!unpaced) {
        glutIdleFunc(nullptr);
    }
    serveFileDrops();
    if (unpaced) {
        pollReload();
        glutPostRedisplay();
    }
}

// F11: full screen, and back to the size the window had before.
void toggleFullScreen() {
    if (glutGet(GLUT_FULL_SCREEN)) {
        glutLeaveFullScreen();
    } else {
        glutFullScreen();
    }
}

void onKeyboard(unsigned char key, int, int) {
    beforeInput();
    const bool shift =
        (glutGetModifiers() & GLUT_ACTIVE_SHIFT) != 0 || (key == kTabKey && lastTabWasShifted());
    if (onKey(viewer(), key, shift) == KeyOutcome::Exit) {
        std::exit(0);
    }
    changed();
}

void onSpecialKeyboard(int key, int, int) {
    beforeInput();
    if (key == GLUT_KEY_F12) {
        screenshotRequested = true;
    }
    if (key == GLUT_KEY_F11) {
        toggleFullScreen();
    }
    onSpecialKey(viewer(), key);
    changed();
}

MouseCamera& mouseCamera() {
    static MouseCamera mouse;
    return mouse;
}

// Set while a left drag scrubs the overlay's timeline.
bool scrubbing = false;

void onMouse(int button, int state, int x, int y) {
    beforeInput();
    changed();
    if (button == GLUT_LEFT_BUTTON) {
        scrubbing = state == GLUT_DOWN && holdsTimeline(viewer(), x, y);
        if (scrubbing) {
            scrubTimeline(viewer(), x);
            return;
        }
    }
    if (state == GLUT_DOWN) {
        // A camera moved by hand stops the turntable (the wheel too).
        viewer().turntable = false;
        const bool shift = (glutGetModifiers() & GLUT_ACTIVE_SHIFT) != 0;
        mouseCamera().press(viewer().camera, button, shift, x, y);
    } else if (mouseCamera().release(button)) {
        selectBoneAt(viewer(), x, y);
    }
}

void onMotion(int x, int y) {
    beforeInput();
    changed();
    if (scrubbing) {
        scrubTimeline(viewer(), x);
        return;
    }
    mouseCamera().drag(viewer().camera, x, y, glutGet(GLUT_WINDOW_WIDTH),
                       glutGet(GLUT_WINDOW_HEIGHT));
}

}  // namespace

MainWindow& MainWindow::instance() {
    static MainWindow window;
    return window;
}

void MainWindow::startup(const std::optional<std::string>& modelPath, bool unpacedFrames,
                         const std::vector<std::string>& clipFiles,
                         const std::optional<std::string>& comparePath) {
    unpaced = unpacedFrames;
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB | GLUT_DEPTH);
    glutInitWindowSize(kInitialWidth, kInitialHeight);
    glutCreateWindow(kWindowTitle);
    onReshape(kInitialWidth, kInitialHeight);
    handle = findWindowByTitle(kWindowTitle);
    // Without a window manager to place it, freeglut leaves the window at
    // (-1, -1), its first row and column off the screen: F12 would save
    // pixels that nobody sees, and the screen show a picture shifted from
    // the saved one.
    if (!windowManagerRunning()) {
        glutPositionWindow(0, 0);
    }
    glutDisplayFunc(onDisplay);
    glutReshapeFunc(onReshape);
    if (unpaced) {
        glutIdleFunc(onIdle);
    } else {
        syncSwapsToDisplay();
        glutTimerFunc(kHousekeepingMilliseconds, onHousekeeping, 0);
    }
    deliverShiftTab();
    glutKeyboardFunc(onKeyboard);
    glutSpecialFunc(onSpecialKeyboard);
    glutMouseFunc(onMouse);
    glutMotionFunc(onMotion);
    glutMenuStatusFunc(onMenuStatus);
    applyFixedState();
    viewer().buildMenus();
    acceptFileDrops(
        handle,
        [](const std::string& path) {
            changed();
            return viewer().openChosenFile(path);
        },
        [] { glutIdleFunc(onIdle); });
    viewer().camera.reset();
    if (modelPath) {
        viewer().openChosenFile(*modelPath, clipFiles);
    } else {
        viewer().replaceModel(locateSampleModel(kSampleModels[0].path));
    }
    if (comparePath) {
        viewer().openComparison(*comparePath);
    }
}

}  // namespace app
}  // namespace velmora
