#pragma once
// The application object: the one GLUT window and the callbacks that run the
// viewer in it.

#include <optional>
#include <string>
#include <vector>

#include "app/native_window.h"

namespace velmora {
inline namespace app {

struct MainWindow {
    // Our window as the X server knows it; 0 until start-up has found it.
    NativeWindow handle = 0;

    static MainWindow& instance();

    // Opens the 640 x 480 window titled kWindowTitle with its fixed state,
    // callbacks and menus, resets the camera and loads modelPath, or the first
    // sample model without one. Frames are paced unless unpaced (see
    // main_window.cpp). glutInit must have run; glutMainLoop follows.
    // clipFiles: files whose animations are added to the character's. With
    // comparePath, opens it as the character to compare with.
    void startup(const std::optional<std::string>& modelPath, bool unpaced,
                 const std::vector<std::string>& clipFiles = {},
                 const std::optional<std::string>& comparePath = std::nullopt);
};

}  // namespace app
}  // namespace velmora
