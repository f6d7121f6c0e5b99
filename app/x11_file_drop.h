#pragma once
// Files dropped onto the viewer's window, served on the X connection of the
// GLUT window (see file_drop.h for what is accepted).

#include <functional>
#include <string>

#include "app/native_window.h"

namespace velmora {
inline namespace app {

// Marks window, on the display of the current OpenGL context, as a drop target
// and from then on takes the drag and drop events for it off that connection as
// they are read, before GLUT can see (and drop) them. open is given each dropped
// file's path and says whether it took it. wake is called, from within
// whichever Xlib call read it and without making Xlib calls, each time such an
// event is taken, so that the main loop calls serveFileDrops soon. Once per
// process; window 0 does nothing.
void acceptFileDrops(NativeWindow window, std::function<bool(const std::string&)> open,
                     std::function<void()> wake);

// Answers the drag and drop events taken since the last call; cheap when there
// are none. The main loop calls it after a wake, with the window's OpenGL
// context current, since open may load a model.
void serveFileDrops();

}  // namespace app
}  // namespace velmora
