// The real velmora program under Xvfb, driven with real X events and watched
// through Xlib (tests/support/x_driver.h): its window and title, keys, the
// right-button menus, the dialogs, files dropped on it and the way out. Every
// wait is for a condition, with a deadline.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <thread>

#include "app/keys.h"
#include "app/mouse.h"
#include "app/playback_clock.h"
#include "app/viewer.h"
#include "drawing/overlay.h"
#include "drawing/text.h"
#include "files/png_image.h"
#include "files/safe_file.h"
#include "model/pipeline.h"
#include "tests/drawing/test_model.h"
#include "tests/import/gltf_fixture.h"
#include "tests/support/test_support.h"
#include "view/framing.h"

// Last: Xlib defines macros such as None that clash with names above.
#include "tests/support/x_driver.h"

using namespace velmora;

using Geometry::Vector3;
using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

namespace {

using x_driver::DropSource;
using x_driver::fileUri;
using x_driver::Geometry2D;
using x_driver::kPatience;
using x_driver::Screen;
using x_driver::waitUntil;
using x_driver::xdotool;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
// The overlay's text starts this many pixels from the window's left and top.
constexpr int kOverlayMargin = 8;

const Colour kGrey{85, 85, 85};

// The middle of the square's red quarter and of the bone line (test_model.h).
const Vector3 kRedQuarter(-20, 40, 0);
const Vector3 kBoneMiddle(0, 20, 0);
// Two units inside opposite corners of the square.
const Vector3 kRedCorner(kSquareLeft + 2, kSquareTop - 2, 0);
const Vector3 kYellowCorner(kSquareRight - 2, kSquareBottom + 2, 0);

const std::regex kViewerTitle("Velmora - Project #1(  fps: [0-9]+)?");
const std::regex kMenuTitle("freeglut menu");

// The velmora program, started in a folder of its own with test models.
class EndToEnd : public testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY") || !screen) {
            GTEST_SKIP() << "needs an X display (scripts/test.sh runs the tests under Xvfb)";
        }
        ASSERT_TRUE(screen.visibleWindows(kViewerTitle).empty())
            << "another viewer is on the screen";
        // The four samples look different at the red quarter's place: red, black
        // (a smaller square), grey and white (no texture).
        TestModel small;
        small.scale = 0.5;
        TestModel grey;
        grey.textureChannels = 1;
        TestModel untextured;
        untextured.withTexture = false;
        const TestModel looks[] = {{}, small, grey, untextured};
        for (int i = 0; i < kSampleModelCount; ++i) {
            const std::filesystem::path path = folder.path() + kSampleModels[i].path;
            std::filesystem::create_directories(path.parent_path());
            writeTestModel(path.parent_path().string(), path.stem().string(), looks[i]);
        }
        camera.reset();
    }

    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    // Starts velmora with arguments and waits for its window.
    void start(const std::vector<std::string>& arguments = {}) {
        launch(arguments);
        window = screen.waitForWindow(kViewerTitle);
        ASSERT_NE(window, 0u) << "no viewer window; standard error:\n" << errors();
        // Without a window manager the viewer moves its window from (-1, -1),
        // where freeglut puts it, to the screen's corner: all of it shows.
        ASSERT_TRUE(waitUntil([&] {
            origin = screen.geometry(window);
            return origin.x >= 0 && origin.y >= 0;
        })) << "the window's corner lies off the screen at "
            << origin.x << ", " << origin.y;
        ASSERT_EQ(origin.width, kWidth);
        ASSERT_EQ(origin.height, kHeight);
    }

    void launch(const std::vector<std::string>& arguments) {
        pid_ = fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            // The program ends with the test, whatever ends the test.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            // In a sanitizer build the leak check at exit would count the buffers
            // that Mesa's software driver keeps for our window (any GLUT program
            // shows them); the viewer's own releases are leak-checked by app_test.
            const char* sanitizerOptions = std::getenv("ASAN_OPTIONS");
            const std::string options =
                std::string(sanitizerOptions ? sanitizerOptions : "") + ":detect_leaks=0";
            setenv("ASAN_OPTIONS", options.c_str(), 1);
            // Conversions are kept in the test's folder, not the user's cache.
            setenv("XDG_CACHE_HOME", (folder.path() + "cache").c_str(), 1);
            // Files opened go to the desktop's recent files, here the test's own.
            setenv("XDG_DATA_HOME", (folder.path() + "data").c_str(), 1);
            if (chdir(folder.path().c_str()) != 0) {
                _exit(126);
            }
            freopen((folder.path() + "stdout").c_str(), "w", stdout);
            freopen((folder.path() + "stderr").c_str(), "w", stderr);
            std::vector<char*> argv{const_cast<char*>(VELMORA_PROGRAM)};
            for (const std::string& argument : arguments) {
                argv.push_back(const_cast<char*>(argument.c_str()));
            }
            argv.push_back(nullptr);
            execv(VELMORA_PROGRAM, argv.data());
            _exit(127);
        }
    }

    // The exit status once the program has ended, or -1 if it has not in time.
    int exitStatus() {
        int status = -1;
        const bool ended = waitUntil([&] { return waitpid(pid_, &status, WNOHANG) == pid_; });
        if (!ended) {
            return -1;
        }
        pid_ = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    std::string output(const std::string& name) const {
        std::ifstream file(folder.path() + name);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    std::string errors() const { return output("stderr"); }

    // Keys go to the window with the input focus.
    void focus(Window target) { xdotool("windowfocus --sync " + std::to_string(target)); }

    void press(const std::string& keys) {
        focus(window);
        xdotool("key " + keys);
    }

    // Where point lands in the viewer's window seen through camera, counted from
    // the window's top-left corner.
    std::pair<int, int> onScreen(const Vector3& point) const {
        const Vector3 at = toWindow(point, camera, kWidth, kHeight);
        return {static_cast<int>(at.x), kHeight - 1 - static_cast<int>(at.y)};
    }

    bool waitForColour(const Vector3& point, const Colour& colour) {
        const auto [x, y] = onScreen(point);
        return waitUntil([&] { return screen.pixel(window, x, y) == colour; });
    }

    Colour colourAt(const Vector3& point) {
        const auto [x, y] = onScreen(point);
        return screen.pixel(window, x, y);
    }

    bool whiteNear(const Vector3& point) {
        const auto [x, y] = onScreen(point);
        for (int dx = -1; dx <= 1; ++dx) {
            if (screen.pixel(window, x + dx, y) == kWhite) {
                return true;
            }
        }
        return false;
    }

    // The window's RGB pixels, row by row.
    std::vector<uint8_t> shown() { return screen.capture(window, {0, 0, kWidth, kHeight}); }

    // Moves the mouse to (x, y) of the window, then runs the xdotool commands.
    void mouse(int x, int y, const std::string& commands) {
        focus(window);
        xdotool("mousemove --sync " + std::to_string(origin.x + x) + " " +
                std::to_string(origin.y + y) + " " + commands);
    }

    bool waitForBlackWindow() {
        return waitUntil([&] {
            for (int y = 4; y < kHeight; y += 8) {
                for (int x = 4; x < kWidth; x += 8) {
                    if (screen.pixel(window, x, y) != kBlack) {
                        return false;
                    }
                }
            }
            return true;
        });
    }

    // Opens the pop-up menu with a click of the right button and picks an entry
    // with a click of the left: path holds the position of the entry in the main
    // menu and, for a submenu, the position in it; counts the number of entries
    // of each menu on the way.
    void chooseFromMenu(const std::vector<int>& path, const std::vector<int>& counts) {
        openMenu(300, 150);
        std::vector<Window> open;
        for (std::size_t level = 0; level < path.size(); ++level) {
            const Window menu = waitForMenu(open);
            ASSERT_NE(menu, 0u) << "menu level " << level << " did not open";
            open.push_back(menu);
            pointAtEntry(menu, path[level], counts[level]);
        }
        xdotool("click 1");
        ASSERT_TRUE(screen.waitUntilGone(kMenuTitle));
    }

    // A click of the right button at (x, y) of the window.
    void openMenu(int x, int y) {
        xdotool("mousemove --sync " + std::to_string(origin.x + x) + " " +
                std::to_string(origin.y + y) + " click 3");
    }

    // Waits for a menu on the screen that is not one of open; 0 if none shows.
    Window waitForMenu(const std::vector<Window>& open) {
        Window menu = 0;
        waitUntil([&] {
            for (Window candidate : screen.visibleWindows(kMenuTitle)) {
                if (std::find(open.begin(), open.end(), candidate) == open.end()) {
                    menu = candidate;
                }
            }
            return menu != 0;
        });
        return menu;
    }

    // Moves the pointer onto entry position of the count entries of menu.
    void pointAtEntry(Window menu, int position, int count) {
        const Geometry2D box = screen.geometry(menu);
        const int entryHeight = menuEntryHeight(menu, count);
        xdotool("mousemove --sync " + std::to_string(box.x + box.width / 2) + " " +
                std::to_string(box.y + 2 + entryHeight * position + entryHeight / 2));
    }

    // freeglut's menus: a border of 2 pixels around entries of equal height.
    int menuEntryHeight(Window menu, int count) {
        return (screen.geometry(menu).height - 4) / count;
    }

    void chooseMain(int value) {
        // The entries' positions below the two submenus, by value.
        const int position[] = {2, 5, 3, 4, 6, 7};
        chooseFromMenu({position[value]}, {8});
    }

    void chooseSample(int index) { chooseFromMenu({0, index}, {8, kSampleModelCount}); }

    // Presses key in the dialog titled title until the dialog has gone. GTK's
    // file chooser may still be checking the typed path when the first key
    // arrives and then lets it pass, so a key that changed nothing is pressed
    // again, each time after a longer wait. On a busy machine the dialog may
    // be closing when the key is pressed again: the key goes only to a dialog
    // that still takes the focus, never to the viewer (Escape would end it).
    bool pressUntilGone(Window dialog, const std::regex& title, const std::string& key,
                        milliseconds patience = kPatience) {
        // One xdotool: it ends at the X error of a focus on a window that is
        // gone or unmapped, before the key.
        const std::string command =
            "xdotool windowfocus --sync " + std::to_string(dialog) + " key " + key + " 2>/dev/null";
        for (milliseconds wait(1500); wait <= patience; wait *= 2) {
            if (std::system(command.c_str()) != 0) {
                return screen.waitUntilGone(title);
            }
            if (screen.waitUntilGone(title, wait)) {
                return true;
            }
        }
        return false;
    }

    void quitWithEscape() {
        press("Escape");
        EXPECT_EQ(exitStatus(), 0);
    }

    // velmora-render's picture of model at the clock reading at, with the
    // arguments added. In a sanitizer build its leak check at exit is off, as
    // the viewer's is: render_test checks its releases, and here, beside a
    // viewer on a busy machine, LeakSanitizer's own tracer has been seen to
    // crash at exit over Mesa's threads, failing a picture that was right.
    std::vector<uint8_t> rendered(const std::string& model, int64_t at,
                                  const std::string& arguments = "") {
        const std::string picture = folder.path() + "rendered.png";
        const std::string command = "ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" " +
                                    std::string(VELMORA_RENDER_PROGRAM) + " '" + model + "' -o '" +
                                    picture + "' --at " + std::to_string(at) + " " + arguments;
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        const auto image = decodePng(readFile(picture));
        std::filesystem::remove(picture);
        if (!image) {
            ADD_FAILURE() << "no picture from " << command;
            return {};
        }
        return image->pixels;
    }

    bool waitForPicture(const std::vector<uint8_t>& picture) {
        return waitUntil([&] { return shown() == picture; });
    }

    // Waits until the window has drawn frames for more than a second (the
    // title is written twice), so that keys sent before have been handled.
    void waitForASecondOfFrames() {
        screen.watchProperties(window);
        EXPECT_TRUE(screen.waitForTitleChange());
        EXPECT_TRUE(screen.waitForTitleChange());
    }

    // Line `line` of the overlay's text, read back cell by cell through the
    // font's own glyphs (white pixels); what no glyph matches reads as '#'.
    std::string overlayLine(int line) {
        return textAt(kOverlayMargin + line * kLineHeight, [](const uint8_t* pixel) {
            return pixel[0] == 255 && pixel[1] == 255 && pixel[2] == 255;
        });
    }

    // The message line's line of lineCount, read where its light yellow ink lies.
    std::string messageLine(int line, int lineCount) {
        return textAt(messageTextTop(lineCount, kHeight) + line * kLineHeight,
                      [](const uint8_t* pixel) {
                          return pixel[0] == 255 && pixel[1] > 200 && pixel[2] < 160;
                      });
    }

    // The text of the line of cells from the window's left margin at top,
    // read from the pixels that isInk takes for the glyphs' (RGB).
    template <typename IsInk>
    std::string textAt(int top, IsInk isInk) {
        constexpr int kCells = 100;
        const Geometry2D area{kOverlayMargin, top, kCells * kCharacterWidth, kGlyphHeight};
        const std::vector<uint8_t> bytes = screen.capture(window, area);
        if (bytes.empty()) {
            return "";
        }
        std::string text;
        for (int cell = 0; cell < kCells; ++cell) {
            GlyphRows rows{};
            for (int y = 0; y < kGlyphHeight; ++y) {
                for (int x = 0; x < kGlyphWidth; ++x) {
                    const std::size_t at = (y * area.width + cell * kCharacterWidth + x) * 3;
                    if (isInk(&bytes[at])) {
                        rows[y] |= static_cast<uint8_t>(0x10 >> x);
                    }
                }
            }
            char read = '#';
            for (char c = ' '; c <= '~'; ++c) {
                if (glyphRows(c) == rows) {
                    read = c;
                    break;
                }
            }
            text += read;
        }
        return text.substr(0, text.find_last_not_of(' ') + 1);
    }

    bool waitForOverlayLine(int line, const std::string& text) {
        return waitUntil([&] { return overlayLine(line) == text; });
    }

    // The window's picture (as shown() gives it) with the band of the
    // overlay's frame-rate line, shadow included, made black: the count there
    // changes every second, so the same still picture read a moment later may
    // show another.
    std::vector<uint8_t> withoutFrameRate(std::vector<uint8_t> picture) const {
        constexpr int kFrameRateLine = 5;
        const int top = kOverlayMargin + kFrameRateLine * kLineHeight;
        for (int y = top; y < top + kLineHeight && !picture.empty(); ++y) {
            const auto row = picture.begin() + y * kWidth * 3;
            std::fill(row, row + kWidth * 3, 0);
        }
        return picture;
    }

    // The clock reading the overlay shows ("Time: 1234 ms" on its fourth line).
    int64_t overlayTime() {
        std::smatch number;
        const std::string line = overlayLine(3);
        if (!std::regex_match(line, number, std::regex("Time: ([0-9]+) ms"))) {
            ADD_FAILURE() << "no time in the overlay: " << line;
            return -1;
        }
        return std::stoll(number[1]);
    }

    TemporaryFolder folder;
    Screen screen;
    Camera camera;
    Window window = 0;
    Geometry2D origin;

  private:
    pid_t pid_ = 0;
};

// When the count is written, and what it counts, is checked against a fake
// clock (frame_rate_title_test.cpp); here only that the real window shows one,
// however busy the machine.
TEST_F(EndToEnd, TitleShowsTheFrameCount) {
    start();
    const std::regex counted("Velmora - Project #1  fps: [1-9][0-9]*");
    ASSERT_TRUE(waitUntil([&] { return std::regex_match(screen.titleOf(window), counted); }))
        << screen.titleOf(window);
    // The first sample is shown, with nothing reported.
    EXPECT_TRUE(waitForColour(kRedQuarter, kRed));
    EXPECT_EQ(errors(), "");
    quitWithEscape();
}

TEST_F(EndToEnd, KeysChangeThePicture) {
    start();
    ASSERT_TRUE(waitForColour(kRedQuarter, kRed));
    press("m");
    EXPECT_TRUE(waitForBlackWindow()) << "m hides the mesh";
    press("b");
    EXPECT_TRUE(waitUntil([&] { return whiteNear(kBoneMiddle); })) << "b shows the bones";
    press("m");
    EXPECT_TRUE(waitForColour(kRedQuarter, kRed));
    EXPECT_TRUE(whiteNear(kBoneMiddle)) << "the bones are drawn over the mesh";

    // Closer, then the whole camera down: the quarter is found where the camera's
    // own arithmetic puts it, away from where it was.
    const auto before = onScreen(kRedQuarter);
    press("plus plus plus plus Up");
    for (int step = 0; step < 4; ++step) {
        camera.zoom(-kCameraStep, kMaxRadius, kMinRadius);
    }
    camera.raise(-kCameraStep);
    camera.update();
    EXPECT_NE(onScreen(kRedQuarter), before);
    EXPECT_TRUE(waitForColour(kRedQuarter, kRed));

    // Space plays the second animation, which turns the root half about y: the
    // square is seen from behind, so green shows where red was.
    press("space");
    EXPECT_TRUE(waitForColour(kRedQuarter, kGreen));
    press("space");
    EXPECT_TRUE(waitForColour(kRedQuarter, kRed));
    quitWithEscape();
}

TEST_F(EndToEnd, ModelMenuLoadsEachSample) {
    start();
    const Colour looks[] = {kRed, kBlack, kGrey, kWhite};
    for (int index : {1, 2, 3, 0}) {
        chooseSample(index);
        EXPECT_TRUE(waitForColour(kRedQuarter, looks[index])) << kSampleModels[index].label;
    }
    EXPECT_EQ(errors(), "Failed to open \"Models/cowboy/cowboy.png\"\n\n");
    // The second animation shows the square from behind.
    chooseFromMenu({1, 1}, {8, 2});
    EXPECT_TRUE(waitForColour(kRedQuarter, kGreen));
    chooseFromMenu({1, 0}, {8, 2});
    EXPECT_TRUE(waitForColour(kRedQuarter, kRed));
    quitWithEscape();
}

TEST_F(EndToEnd, MainMenuSwitchesClosesResetsAndHelps) {
    start();
    ASSERT_TRUE(waitForColour(kRedQuarter, kRed));
    chooseMain(kSwitchBonesValue);
    EXPECT_TRUE(waitUntil([&] { return whiteNear(kBoneMiddle); }));
    chooseMain(kSwitchMeshValue);
    EXPECT_TRUE(waitForColour(kRedQuarter, kBlack));
    EXPECT_TRUE(whiteNear(kBoneMiddle));
    chooseMain(kSwitchMeshValue);
    EXPECT_TRUE(waitForColour(kRedQuarter, kRed));

    chooseMain(kCloseFileValue);
    EXPECT_TRUE(waitForBlackWindow());
    screen.watchProperties(window);
    EXPECT_TRUE(screen.waitForTitleChange()) << "frames go on after the model is closed";
    EXPECT_TRUE(std::regex_match(screen.titleOf(window), kViewerTitle));

    // Reset Camera after a move, then a sample again.
    press("0 0 0");
    chooseMain(kResetCameraValue);
    chooseSample(0);
    EXPECT_TRUE(waitForColour(kRedQuarter, kRed));

    chooseMain(kHelpValue);
    const std::regex help("Help");
    const Window box = screen.waitForWindow(help);
    ASSERT_NE(box, 0u);
    EXPECT_TRUE(pressUntilGone(box, help, "Return")) << "Return presses the box's one button";
    screen.watchProperties(window);
    EXPECT_TRUE(screen.waitForTitleChange()) << "the viewer runs on after the box";
    EXPECT_EQ(errors(), "");
    quitWithEscape();
}

TEST_F(EndToEnd, LoadModelLoadsTheTypedPathAndCancelKeepsTheModel) {
    // Started with an untextured model (white) in place of the first sample; the
    // dialog then loads a textured one (red).
    TestModel untextured;
    untextured.withTexture = false;
    start({writeTestModel(folder.path(), "plain", untextured)});
    ASSERT_TRUE(waitForColour(kRedQuarter, kWhite));
    std::filesystem::create_directory(folder.path() + "elsewhere");
    const std::string path = writeTestModel(folder.path() + "elsewhere", "textured");
    const std::regex dialogTitle("Load Animesh\\.\\.\\.");

    // On a busy machine GTK's location entry has been seen to keep refusing
    // Return after a typed path, the dialog open for 95 s: such a dialog is
    // cancelled and the path typed again into a new one, twice at the most.
    for (int attempt = 1;; ++attempt) {
        chooseMain(kLoadModelValue);
        const Window dialog = screen.waitForWindow(dialogTitle);
        ASSERT_NE(dialog, 0u);
        focus(dialog);
        // Ctrl+L opens the dialog's location entry, which takes the typed path.
        xdotool("key ctrl+l");
        xdotool("type --delay 5 '" + path + "'");
        if (pressUntilGone(dialog, dialogTitle, "Return", milliseconds(24000))) {
            break;
        }
        ASSERT_LT(attempt, 3) << "the dialog never took the typed path";
        ASSERT_TRUE(pressUntilGone(dialog, dialogTitle, "Escape"));
    }
    EXPECT_TRUE(waitForColour(kRedQuarter, kRed));

    chooseMain(kLoadModelValue);
    const Window dialog = screen.waitForWindow(dialogTitle);
    ASSERT_NE(dialog, 0u);
    EXPECT_TRUE(pressUntilGone(dialog, dialogTitle, "Escape"));
    screen.watchProperties(window);
    EXPECT_TRUE(screen.waitForTitleChange());
    EXPECT_EQ(colourAt(kRedQuarter), kRed) << "cancelling keeps the model";
    // The untextured model's missing texture, and nothing from the dialogs.
    EXPECT_EQ(errors(), "Failed to open \"" + folder.path() + "plain.png\"\n\n");
    quitWithEscape();
}

TEST_F(EndToEnd, EmptyAnimationMenuOpensAndTheViewerQuits) {
    // Without Models/ the first sample cannot be read: no animations from the start.
    std::filesystem::remove_all(folder.path() + "Models");
    start();
    // Hover "Select Animation", then pick its one entry, the hint, which does nothing.
    chooseFromMenu({1, 0}, {8, 1});
    screen.watchProperties(window);
    EXPECT_TRUE(screen.waitForTitleChange()) << "frames go on after the menu";
    EXPECT_EQ(errors(), std::string("Failed to open \"") + kSampleModels[0].path + "\"\n\n");
    quitWithEscape();
}

TEST_F(EndToEnd, MouseMovesTheCameraAndFiveResetsIt) {
    start();
    ASSERT_TRUE(waitForColour(kRedQuarter, kRed));
    const std::vector<uint8_t> resetView = shown();
    ASSERT_FALSE(resetView.empty());
    struct Gesture {
        const char* name;
        // The xdotool buttons: 1 left, 2 middle, 4 and 5 the wheel.
        std::string xdotool;
        int button;  // as the viewer sees it
        bool shift;
        // Starts at (x, y), each row elsewhere: xdotool waits in vain for a move
        // to where the pointer already is.
        int x, y;
        int dx, dy;  // 0, 0 for wheel notches
        int notches;
    };
    const auto drag = [](int button, int dx, int dy) {
        return "mousedown " + std::to_string(button) + " mousemove_relative --sync -- " +
               std::to_string(dx) + " " + std::to_string(dy) + " mouseup " + std::to_string(button);
    };
    const Gesture gestures[] = {
        {"left drag orbits", drag(1, 40, -25), kLeftButton, false, 320, 300, 40, -25, 1},
        {"shift + left drag moves across the view",
         "keydown shift " + drag(1, 40, -25) + " keyup shift", kLeftButton, true, 300, 300, 40, -25,
         1},
        {"middle drag moves across the view", drag(2, 40, -25), kMiddleButton, false, 320, 300, 40,
         -25, 1},
        {"wheel zooms in", "click 4", kWheelIn, false, 300, 300, 0, 0, 1},
        {"wheel zooms out", "click 5 click 5", kWheelOut, false, 320, 300, 0, 0, 2},
    };
    for (const Gesture& gesture : gestures) {
        SCOPED_TRACE(gesture.name);
        camera.reset();
        const auto before = onScreen(kRedQuarter);
        MouseCamera expected;
        for (int notch = 0; notch < gesture.notches; ++notch) {
            expected.press(camera, gesture.button, gesture.shift, gesture.x, gesture.y);
            expected.drag(camera, gesture.x + gesture.dx, gesture.y + gesture.dy, kWidth, kHeight);
            expected.release(gesture.button);
        }
        mouse(gesture.x, gesture.y, gesture.xdotool);
        EXPECT_NE(onScreen(kRedQuarter), before);
        // Two opposite corners, each a few pixels inside the square, are where the
        // camera's own arithmetic puts them: a picture left as it was, or moved
        // otherwise, puts one of them outside.
        EXPECT_TRUE(waitForColour(kRedCorner, kRed));
        EXPECT_TRUE(waitForColour(kYellowCorner, kYellow));
        press("5");
        EXPECT_TRUE(waitUntil([&] { return shown() == resetView; }))
            << "5 restores the reset view pixel for pixel";
    }
    EXPECT_EQ(errors(), "");
    quitWithEscape();
}

TEST_F(EndToEnd, F12SavesWhatTheWindowShowsUnderAFreeName) {
    folder.write("schoolgirl-1.png", "kept");
    start();
    ASSERT_TRUE(waitForColour(kRedQuarter, kRed));
    press("b");
    EXPECT_TRUE(waitUntil([&] { return whiteNear(kBoneMiddle); }));
    const std::vector<uint8_t> window = shown();
    press("F12");
    ASSERT_TRUE(waitUntil([&] { return output("stdout") == "schoolgirl-2.png\n"; }))
        << output("stdout");
    const auto picture = decodePng(readFile(folder.path() + "schoolgirl-2.png"));
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->width, static_cast<uint32_t>(kWidth));
    ASSERT_EQ(picture->height, static_cast<uint32_t>(kHeight));
    ASSERT_EQ(picture->channels, 3u);
    EXPECT_TRUE(picture->pixels == window) << "the file holds the window's pixels";

    press("F12");
    EXPECT_TRUE(
        waitUntil([&] { return output("stdout") == "schoolgirl-2.png\nschoolgirl-3.png\n"; }));
    EXPECT_EQ(readFile(folder.path() + "schoolgirl-1.png"), "kept");
    EXPECT_EQ(errors(), "");
    quitWithEscape();
}

// Small and odd-sized textures, seen at a slant: the file holds exactly the
// pixels that the window shows, all of them.
TEST_F(EndToEnd, F12SavesTheWindowPixelForPixelWhateverTheTexture) {
    const struct Row {
        const char* name;
        uint32_t width, height;
    } rows[] = {{"8 x 8 stripes", 8, 8}, {"5 x 3", 5, 3}, {"1 x 1", 1, 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestModel striped;
        Image& texture = striped.texture.emplace();
        texture.width = row.width;
        texture.height = row.height;
        texture.channels = 3;
        for (uint32_t y = 0; y < row.height; ++y) {
            for (uint32_t x = 0; x < row.width; ++x) {
                const bool white = x % 2 == 0;
                texture.pixels.insert(texture.pixels.end(),
                                      {static_cast<uint8_t>(white ? 255 : 40 * y),
                                       static_cast<uint8_t>(white ? 255 : 0), 160});
            }
        }
        const std::string stem =
            "striped" + std::to_string(row.width) + "x" + std::to_string(row.height);
        start({writeTestModel(folder.path(), stem, striped)});
        press("0 0 9");
        ASSERT_TRUE(waitUntil([&] { return colourAt({0, 20, 0}) != kBlack; }));
        press("F12");
        ASSERT_TRUE(waitUntil([&] { return output("stdout") == stem + "-1.png\n"; }))
            << output("stdout");
        const auto saved = decodePng(readFile(folder.path() + stem + "-1.png"));
        ASSERT_TRUE(saved);
        const std::vector<uint8_t>& file = saved->pixels;
        const std::vector<uint8_t> shownPixels = shown();
        ASSERT_EQ(file.size(), shownPixels.size());
        int differing = 0;
        for (std::size_t at = 0; at < file.size(); at += 3) {
            differing += !std::equal(&file[at], &file[at] + 3, &shownPixels[at]);
        }
        EXPECT_EQ(differing, 0) << "pixels that differ between the file and the window";
        EXPECT_EQ(errors(), "");
        quitWithEscape();
    }
}

TEST_F(EndToEnd, DroppedFileOpensAndOtherDropsChangeNothing) {
    // Started with a grey model; the dropped one is red and lies in a folder
    // whose name must be escaped in its URI.
    TestModel grey;
    grey.textureChannels = 1;
    start({writeTestModel(folder.path(), "grey", grey)});
    ASSERT_TRUE(waitForColour(kRedQuarter, kGrey));
    std::filesystem::create_directory(folder.path() + "dropped here");
    const std::string dropped = fileUri(writeTestModel(folder.path() + "dropped here", "textured"));

    DropSource source;
    ASSERT_EQ(source.awareVersion(window), 5);
    const struct Row {
        const char* name;
        std::vector<std::string> types;
        std::string uriList;
        DropSource::Outcome expected;
        Colour shown;
    } rows[] = {
        {"no URI list offered", {"text/plain"}, dropped + "\r\n", {false, true, false}, kGrey},
        {"no file in the list",
         {"text/plain", "text/uri-list"},
         "http://example.com/textured.animesh\r\n",
         {true, true, false},
         kGrey},
        {"a file", {"text/uri-list"}, dropped + "\r\n", {true, true, true}, kRed},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const DropSource::Outcome outcome =
            source.drop(window, row.types, row.uriList, origin.x + 300, origin.y + 150);
        EXPECT_EQ(outcome.accepted, row.expected.accepted);
        EXPECT_EQ(outcome.finished, row.expected.finished);
        EXPECT_EQ(outcome.succeeded, row.expected.succeeded);
        if (row.expected.succeeded) {
            EXPECT_TRUE(waitForColour(kRedQuarter, row.shown));
            continue;
        }
        // A frame drawn after the drop sets the title the second time, so the
        // frame before it, on the screen, was drawn after the drop too.
        screen.watchProperties(window);
        EXPECT_TRUE(screen.waitForTitleChange());
        EXPECT_TRUE(screen.waitForTitleChange());
        EXPECT_EQ(colourAt(kRedQuarter), row.shown);
    }
    EXPECT_EQ(errors(), "");
    quitWithEscape();
}

// freeglut ends the program when a menu changes while one is shown: a model
// dropped then opens once the menu has closed, with its animations listed.
TEST_F(EndToEnd, AModelDroppedWhileTheMenuIsShownOpensOnceItCloses) {
    start();
    ASSERT_TRUE(waitForColour(kRedQuarter, kRed));
    TestModel grey;
    grey.textureChannels = 1;
    grey.motionNames = {"grey-idle", "grey-walk", "grey-run"};
    const std::string dropped = writeTestModel(folder.path(), "grey", grey);
    // Away from the square, so that the window shows it beside the menu.
    openMenu(520, 30);
    const Window menu = waitForMenu({});
    ASSERT_NE(menu, 0u);
    DropSource source;
    const DropSource::Outcome outcome = source.drop(
        window, {"text/uri-list"}, fileUri(dropped) + "\r\n", origin.x + 100, origin.y + 400);
    EXPECT_TRUE(outcome.finished && outcome.succeeded) << "the drop is taken";
    waitForASecondOfFrames();
    EXPECT_FALSE(screen.visibleWindows(kMenuTitle).empty());
    EXPECT_EQ(colourAt(kRedQuarter), kRed) << "the model waits for the menu to close";

    mouse(100, 400, "click 1");
    ASSERT_TRUE(screen.waitUntilGone(kMenuTitle));
    EXPECT_TRUE(waitForColour(kRedQuarter, kGrey));
    // "Select Animation" lists the dropped model's three animations.
    openMenu(520, 30);
    const Window main = waitForMenu({});
    ASSERT_NE(main, 0u);
    pointAtEntry(main, 1, 8);
    const Window animations = waitForMenu({main});
    ASSERT_NE(animations, 0u);
    EXPECT_EQ(screen.geometry(animations).height - 4, 3 * menuEntryHeight(main, 8));
    mouse(100, 400, "click 1");
    ASSERT_TRUE(screen.waitUntilGone(kMenuTitle));
    EXPECT_EQ(errors(), "");
    quitWithEscape();
}

// A glTF converts while the window goes on drawing and then shows; random bytes
// named .fbx cost one line naming the file and leave the empty model.
TEST_F(EndToEnd, OtherFormatsOpenAndSayWhatWentWrongOnceInTheWindowToo) {
    GltfFixture figure = columnFixture(2);
    figure.materials[0].png = fixturePng(2, 2, [](uint32_t, uint32_t) {
        return std::array<uint8_t, 3>{255, 0, 0};
    });
    const std::string gltf = folder.path() + "column.gltf";
    ASSERT_TRUE(writeFile(gltf, figure.text()));
    // Whether the message line says line, as far as the window's width goes.
    const auto says = [&](const std::string& line) {
        const std::string read = messageLine(0, 1);
        return !read.empty() && line.compare(0, read.size(), read) == 0 &&
               read.size() >= std::min<std::size_t>(line.size() - 1, 100);
    };
    start({gltf});
    EXPECT_TRUE(waitForColour({0, 20, 0}, kRed));
    // The conversion's warning, on standard error and in the window.
    const std::string warning =
        gltf +
        ": warning: the file holds no animation; one frame of its rest pose was written "
        "instead\n";
    EXPECT_EQ(errors(), warning);
    EXPECT_TRUE(waitUntil([&] { return says(warning); })) << messageLine(0, 1);
    // A file named on the command line goes to the desktop's recent files.
    EXPECT_NE(output("data/recently-used.xbel").find("column.gltf"), std::string::npos);
    quitWithEscape();

    const std::string noise = folder.path() + "noise.fbx";
    ASSERT_TRUE(writeFile(noise, std::string(4096, '\x17')));
    start({noise});
    EXPECT_TRUE(waitUntil([&] { return !errors().empty(); })) << "no word of the failure";
    const std::string line = errors();
    EXPECT_EQ(line.rfind(noise + ": ", 0), 0u) << line;
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
    // The window says it too, and goes on saying it after a key, as long as it
    // shows nothing else.
    EXPECT_TRUE(waitUntil([&] { return says(line); })) << messageLine(0, 1);
    press("x");
    EXPECT_TRUE(says(line)) << messageLine(0, 1);
    quitWithEscape();
}

TEST_F(EndToEnd, HelpOptionAndBadArguments) {
    launch({"--help"});
    EXPECT_EQ(exitStatus(), 0);
    EXPECT_EQ(output("stdout").rfind("usage: velmora", 0), 0u);
    EXPECT_NE(output("stdout").find(helpBoxText()), std::string::npos) << "all the controls";
    EXPECT_EQ(errors(), "");
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"--fullscreen"}, {"a.animesh", "b.animesh"}, {""}}) {
        launch(arguments);
        EXPECT_EQ(exitStatus(), 2);
        EXPECT_EQ(errors().rfind("usage: velmora", 0), 0u);
        EXPECT_EQ(output("stdout"), "");
    }
    EXPECT_TRUE(screen.visibleWindows(kViewerTitle).empty());
}

// A test figure that turns a little further at every key, so that each key and
// each blend shows a picture of its own.
TestModel turningFigure(int keys, int rate) {
    TestModel figure;
    figure.keyCount = keys;
    figure.turnPerKey = 6;
    figure.playbackRate = rate;
    return figure;
}

Animation withKeys(int keys) {
    Animation animation;
    animation.frameCount = static_cast<uint32_t>(keys);
    return animation;
}

TEST_F(EndToEnd, PauseHoldsThePictureAndStepsShowKeysAsVelmoraRenderDoes) {
    // 30 keys at 1 key a second, so that the pause falls on a key of its own.
    const Animation keys = withKeys(30);
    const std::string model = writeTestModel(folder.path(), "figure", turningFigure(30, 1));
    start({model});
    press("p i");
    ASSERT_TRUE(waitForOverlayLine(7, "Paused")) << overlayLine(7);
    const int64_t paused = overlayTime();
    press("i");
    ASSERT_TRUE(waitForOverlayLine(0, ""));
    const std::vector<uint8_t> first = shown();
    const auto firstTaken = SteadyClock::now();
    waitForASecondOfFrames();
    EXPECT_GE(SteadyClock::now() - firstTaken, milliseconds(1000));
    EXPECT_TRUE(shown() == first) << "the picture holds while paused";
    EXPECT_TRUE(first == rendered(model, paused)) << "velmora-render --at " << paused;

    const auto keyStart = [&](uint32_t key) { return keyStartMilliseconds(keys, 1, key); };
    const uint32_t next = (selectFrames(keys, 1, paused).currentFrame + 1) % keys.frameCount;
    press("bracketright");
    EXPECT_TRUE(waitForPicture(rendered(model, keyStart(next)))) << "] shows key " << next;
    press("Home bracketleft");
    EXPECT_TRUE(waitForPicture(rendered(model, keyStart(29)))) << "[ from the first key wraps";
    press("p");
    EXPECT_TRUE(waitUntil([&] { return shown() != rendered(model, keyStart(29)); }))
        << "p plays on";
    EXPECT_EQ(errors(), "");
    quitWithEscape();
}

TEST_F(EndToEnd, OverlayShowsTextAndTimelineAndTheTimelineScrubs) {
    const std::string model = writeTestModel(folder.path(), "figure", turningFigure(4, 10));
    start({model});
    press("Home");
    const std::vector<uint8_t> atStart = rendered(model, 0);
    ASSERT_TRUE(waitForPicture(atStart));
    press("i");
    const std::string lines[] = {"File: figure.animesh", "", "Key: 1/4 blend 0.00", "Time: 0 ms",
                                 "Rate: 10 keys/s"};
    for (int line : {0, 2, 3, 4}) {
        EXPECT_TRUE(waitForOverlayLine(line, lines[line])) << overlayLine(line);
    }
    // The label follows the hyphen of the motion file's own name.
    EXPECT_TRUE(std::regex_match(overlayLine(1), std::regex("Animation: 1/2 .*idle")));
    EXPECT_TRUE(std::regex_match(overlayLine(5), std::regex("Frame rate: ([0-9]+ fps|-)")));
    EXPECT_EQ(overlayLine(6), "Bones: 2 Vertices: 4 Faces: 2");
    // The timeline's marker stands at its left end.
    const TimelineBox box = timelineBox(kWidth, kHeight);
    const int middle = (box.top + box.bottom) / 2;
    EXPECT_EQ(screen.pixel(window, box.left, middle), kYellow);
    EXPECT_NE(screen.pixel(window, box.right, middle), kYellow);
    press("F12");
    ASSERT_TRUE(waitUntil([&] { return output("stdout") == "figure-1.png\n"; }));
    const auto saved = decodePng(readFile(folder.path() + "figure-1.png"));
    ASSERT_TRUE(saved);
    EXPECT_TRUE(withoutFrameRate(saved->pixels) == withoutFrameRate(shown()))
        << "F12 saves the overlay too";

    // A click, then a drag, on the timeline: each pauses at the moment under
    // the pointer, and the camera stays where it was.
    Animation keys = withKeys(4);
    for (const auto& [x, drag] : {std::pair{box.left + 200, ""}, {box.left + 100, " 150"}}) {
        SCOPED_TRACE(drag);
        const int to = x + (*drag ? 150 : 0);
        PlaybackClock expected;
        expected.scrub(keys, 10, timelineFraction(box, to));
        mouse(x, middle,
              *drag ? "mousedown 1 mousemove_relative --sync -- 150 0 mouseup 1" : "click 1");
        EXPECT_TRUE(waitForOverlayLine(3, "Time: " + std::to_string(expected.reading()) + " ms"))
            << overlayLine(3);
        EXPECT_EQ(screen.pixel(window, to, middle), kYellow) << "the marker follows";
        press("i");
        EXPECT_TRUE(waitForPicture(rendered(model, expected.reading())))
            << "without the overlay, velmora-render's picture";
        press("i");
        EXPECT_TRUE(waitForOverlayLine(0, lines[0]));
    }
    press("i");
    EXPECT_TRUE(waitForOverlayLine(0, "")) << "i hides the overlay";
    EXPECT_EQ(errors(), "");
    quitWithEscape();
}

TEST_F(EndToEnd, FFramesAModelOffToTheSide) {
    TestModel aside;
    aside.offset = Vector3(300, 0, 0);
    start({writeTestModel(folder.path(), "aside", aside)});
    EXPECT_TRUE(waitForBlackWindow()) << "out of sight at the reset view";
    // f frames what the last frame drew: the overlay tells that a frame with
    // the model has been drawn.
    press("i");
    ASSERT_TRUE(waitForOverlayLine(0, "File: aside.animesh"));
    press("i f");
    // The camera of the viewer, framed on the square's four corners.
    const Vector3 offset = aside.offset;
    frameCamera(camera,
                {Vector3(kSquareLeft, kSquareBottom, 0) + offset,
                 Vector3(kSquareRight, kSquareBottom, 0) + offset,
                 Vector3(kSquareRight, kSquareTop, 0) + offset,
                 Vector3(kSquareLeft, kSquareTop, 0) + offset},
                kWidth, kHeight);
    EXPECT_TRUE(waitForColour(kRedCorner + offset, kRed));
    EXPECT_TRUE(waitForColour(kYellowCorner + offset, kYellow));
    // Everything shown lies within the margins, and fills the window's height
    // or width.
    const std::vector<uint8_t> picture = shown();
    int left = kWidth, right = 0, top = kHeight, bottom = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const std::size_t at = (static_cast<std::size_t>(y) * kWidth + x) * 3;
            if (picture[at] || picture[at + 1] || picture[at + 2]) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    const int marginX = static_cast<int>(kFramingMargin * kWidth) - 1;
    const int marginY = static_cast<int>(kFramingMargin * kHeight) - 1;
    EXPECT_GE(left, marginX);
    EXPECT_LE(right, kWidth - 1 - marginX);
    EXPECT_GE(top, marginY);
    EXPECT_LE(bottom, kHeight - 1 - marginY);
    EXPECT_TRUE(right - left > 0.85 * kWidth || bottom - top > 0.85 * kHeight)
        << left << " " << right << " " << top << " " << bottom;
    press("5");
    EXPECT_TRUE(waitForBlackWindow()) << "5 resets";
    EXPECT_EQ(errors(), "");
    quitWithEscape();
}

TEST_F(EndToEnd, NamesAndOnionSkinChangeThePictureOnlyWithBones) {
    const std::string model = writeTestModel(folder.path(), "figure", turningFigure(4, 10));
    start({model});
    press("Home");
    const std::vector<uint8_t> mesh = rendered(model, 0);
    ASSERT_TRUE(waitForPicture(mesh));
    press("n o");
    waitForASecondOfFrames();
    EXPECT_TRUE(shown() == mesh) << "without bones, n and o change nothing";
    press("n o b");
    const std::vector<uint8_t> bones = rendered(model, 0, "--bones");
    ASSERT_TRUE(waitForPicture(bones)) << "n and o again turn both off";
    for (const char* key : {"n", "o"}) {
        SCOPED_TRACE(key);
        press(key);
        EXPECT_TRUE(waitUntil([&] { return shown() != bones; }));
        press(key);
        EXPECT_TRUE(waitForPicture(bones)) << "restored exactly";
    }
    EXPECT_EQ(errors(), "");
    quitWithEscape();
}

// velmora A --compare B draws B's bones in cyan and its mesh as a cyan ghost;
// 'c' takes both away, leaving exactly A's picture; the overlay names the bone
// that differs most.
TEST_F(EndToEnd, CompareDrawsTheSecondCharacterInCyanAndCSwitchesIt) {
    const std::string a = writeTestModel(folder.path(), "A", turningFigure(4, 10));
    TestModel moved = turningFigure(4, 10);
    moved.offset = {20, 0, 0};
    moved.motionNames = {"B-idle", "B-walk"};
    const std::string b = writeTestModel(folder.path(), "B", moved);
    start({a, "--compare", b});
    press("Home");
    const auto cyanShown = [&] {
        const std::vector<uint8_t> pixels = shown();
        for (std::size_t i = 0; i + 2 < pixels.size(); i += 3) {
            if (pixels[i] == 0 && pixels[i + 1] == 255 && pixels[i + 2] == 255) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(waitUntil(cyanShown)) << "B's bones";
    press("c");
    EXPECT_TRUE(waitForPicture(rendered(a, 0)));
    press("c i");
    EXPECT_TRUE(waitForOverlayLine(6, "Differs most: bone 0: 0.00 deg, 20.0000 units"));
    EXPECT_TRUE(cyanShown());
    EXPECT_EQ(errors(), "");
    quitWithEscape();
}

}  // namespace
