#include "app/native_window.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <X11/keysym.h>
// Xlibint.h defines min and max as macros.
#undef min
#undef max

#include <string>
#include <vector>

namespace velmora {
inline namespace app {

namespace {

// Windows of other programs may vanish while they are looked at; such errors
// mean "not this one" rather than the end of the process.
int ignoreError(Display*, XErrorEvent*) {
    return 0;
}

std::vector<Window> childrenOf(Display* display, Window parent) {
    Window root = 0;
    Window grandparent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, parent, &root, &grandparent, &children, &count) && children) {
        result.assign(children, children + count);
        XFree(children);
    }
    return result;
}

bool hasTitle(Display* display, Window window, const std::string& title) {
    char* name = nullptr;
    if (!XFetchName(display, window, &name) || !name) {
        return false;
    }
    const bool same = title == name;
    XFree(name);
    return same;
}

}  // namespace

NativeWindow findWindowByTitle(const std::string& title) {
    Display* display = glXGetCurrentDisplay();
    if (!display) {
        return 0;
    }
    XSync(display, False);
    const auto previousHandler = XSetErrorHandler(ignoreError);
    NativeWindow found = 0;
    const std::vector<Window> topLevel = childrenOf(display, DefaultRootWindow(display));
    for (Window window : topLevel) {
        if (hasTitle(display, window, title)) {
            found = window;
            break;
        }
    }
    for (std::size_t i = 0; found == 0 && i < topLevel.size(); ++i) {
        for (Window window : childrenOf(display, topLevel[i])) {
            if (hasTitle(display, window, title)) {
                found = window;
                break;
            }
        }
    }
    XSync(display, False);
    XSetErrorHandler(previousHandler);
    return found;
}

bool windowManagerRunning() {
    Display* display = glXGetCurrentDisplay();
    if (!display) {
        return false;
    }
    const std::string selection = "WM_S" + std::to_string(DefaultScreen(display));
    if (XGetSelectionOwner(display, XInternAtom(display, selection.c_str(), False)) != 0) {
        return true;
    }
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    const bool announced =
        XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW,
                           &type, &format, &count, &after, &data) == Success &&
        count == 1;
    if (data) {
        XFree(data);
    }
    return announced;
}

void flushWindowRequests() {
    if (Display* display = glXGetCurrentDisplay()) {
        XFlush(display);
    }
}

bool syncSwapsToDisplay() {
    Display* const display = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    if (!display || !drawable) {
        return false;
    }
    const char* const listed = glXQueryExtensionsString(display, DefaultScreen(display));
    const std::string extensions = listed ? std::string(" ") + listed + " " : std::string();
    const auto offered = [&extensions](const char* name) {
        return extensions.find(std::string(" ") + name + " ") != std::string::npos;
    };
    const auto function = [](const char* name) {
        return glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name));
    };
    if (offered("GLX_EXT_swap_control")) {
        if (const auto set = reinterpret_cast<void (*)(Display*, GLXDrawable, int)>(
                function("glXSwapIntervalEXT"))) {
            set(display, drawable, 1);
            return true;
        }
    }
    if (offered("GLX_MESA_swap_control")) {
        if (const auto set = reinterpret_cast<int (*)(unsigned)>(function("glXSwapIntervalMESA"))) {
            return set(1) == 0;
        }
    }
    if (offered("GLX_SGI_swap_control")) {
        if (const auto set = reinterpret_cast<int (*)(int)>(function("glXSwapIntervalSGI"))) {
            return set(1) == 0;
        }
    }
    return false;
}

namespace {

using WireToEvent = Bool (*)(Display*, XEvent*, xEvent*);
WireToEvent convertKeyPress = nullptr;
KeyCode tabKeycode = 0;
bool lastTabShifted = false;

// Runs inside the Xlib call that reads the event, with the display locked: no
// Xlib calls here.
Bool takeKeyPress(Display* display, XEvent* event, xEvent* wire) {
    const Bool converted = convertKeyPress(display, event, wire);
    if (converted && event->xkey.keycode == tabKeycode) {
        lastTabShifted = (event->xkey.state & ShiftMask) != 0;
        event->xkey.state &= ~static_cast<unsigned>(ShiftMask);
    }
    return converted;
}

}  // namespace

void deliverShiftTab() {
    Display* display = glXGetCurrentDisplay();
    if (convertKeyPress || !display) {
        return;
    }
    tabKeycode = XKeysymToKeycode(display, XK_Tab);
    if (tabKeycode != 0) {
        convertKeyPress = XESetWireToEvent(display, KeyPress, takeKeyPress);
    }
}

bool lastTabWasShifted() {
    return lastTabShifted;
}

}  // namespace app
}  // namespace velmora
