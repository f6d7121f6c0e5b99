#pragma once
// Driving a program under an X server as a user would, and watching it: real
// key and mouse events (xdotool), windows found by title, their pixels and
// title changes read back (Xlib), and files dropped as a file manager drops
// them (XDND). Every wait is for a condition, with a deadline. Include it
// last: Xlib defines macros such as None that clash with names elsewhere.

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/colour.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace x_driver {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

// Generous for a sanitizer build on a busy machine; a passing test never waits
// this long. A quiet machine shows a started viewer's first overlay within about
// a second (Mesa compiles its shaders on the first frames); with two CPU hogs,
// ctest -j4 and compilers on two cores that took more than 15 s.
inline constexpr milliseconds kPatience(60000);

// Polls condition until it holds or the deadline passes.
inline bool waitUntil(const std::function<bool()>& condition, milliseconds patience = kPatience) {
    const auto deadline = SteadyClock::now() + patience;
    while (!condition()) {
        if (SteadyClock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
    return true;
}

inline void xdotool(const std::string& arguments) {
    const std::string command = "xdotool " + arguments;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

struct Geometry2D {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// A connection of the test's own to the X server, for looking only.
class Screen {
  public:
    // xdotool holds each key down for a moment, which on a busy machine may
    // outlast the server's delay before a held key repeats: a repeated p or i
    // toggles twice. So keys do not repeat while the test runs.
    Screen() : display_(XOpenDisplay(nullptr)) {
        XSetErrorHandler(recordError);
        if (display_) {
            XKeyboardState keyboard;
            XGetKeyboardControl(display_, &keyboard);
            repeated_ = keyboard.global_auto_repeat == AutoRepeatModeOn;
            XAutoRepeatOff(display_);
            XSync(display_, False);
        }
    }
    ~Screen() {
        if (display_) {
            if (repeated_) {
                XAutoRepeatOn(display_);
            }
            XCloseDisplay(display_);
        }
    }
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    explicit operator bool() const { return display_ != nullptr; }

    // Top-level windows on screen whose title matches.
    std::vector<Window> visibleWindows(const std::regex& title) {
        std::vector<Window> found;
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        XSync(display_, False);
        if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count)) {
            return found;
        }
        for (unsigned int i = 0; i < count; ++i) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display_, children[i], &attributes) &&
                attributes.map_state == IsViewable &&
                std::regex_match(titleOf(children[i]), title)) {
                found.push_back(children[i]);
            }
        }
        if (children) {
            XFree(children);
        }
        return found;
    }

    Window waitForWindow(const std::regex& title) {
        Window window = 0;
        waitUntil([&] {
            const auto found = visibleWindows(title);
            window = found.empty() ? 0 : found.front();
            return window != 0;
        });
        return window;
    }

    bool waitUntilGone(const std::regex& title, milliseconds patience = kPatience) {
        return waitUntil([&] { return visibleWindows(title).empty(); }, patience);
    }

    std::string titleOf(Window window) {
        char* name = nullptr;
        std::string title;
        if (XFetchName(display_, window, &name) && name) {
            title = name;
            XFree(name);
        }
        return title;
    }

    // Position on the screen and size.
    Geometry2D geometry(Window window) {
        XWindowAttributes attributes;
        XGetWindowAttributes(display_, window, &attributes);
        Window child = 0;
        Geometry2D result{0, 0, attributes.width, attributes.height};
        XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &result.x,
                              &result.y, &child);
        return result;
    }

    // The colour shown at (x, y) of window, counted from its top-left corner;
    // {-1, -1, -1} where there is none to read.
    Colour pixel(Window window, int x, int y) {
        const Geometry2D size = geometry(window);
        if (x < 0 || x >= size.width || y < 0 || y >= size.height) {
            ADD_FAILURE() << x << ", " << y << " is outside the window";
            return {-1, -1, -1};
        }
        XImage* image = XGetImage(display_, window, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image) {
            return {-1, -1, -1};
        }
        const unsigned long value = XGetPixel(image, 0, 0);
        const auto channel = [value](unsigned long mask) {
            int shift = 0;
            while (mask && !(mask & 1)) {
                mask >>= 1;
                ++shift;
            }
            return static_cast<int>((value >> shift) & mask);
        };
        const Colour colour{channel(image->red_mask), channel(image->green_mask),
                            channel(image->blue_mask)};
        XDestroyImage(image);
        return colour;
    }

    // The RGB bytes shown in area of window (counted from its top-left
    // corner), row by row; empty when they cannot be read.
    std::vector<uint8_t> capture(Window window, const Geometry2D& area) {
        std::vector<uint8_t> bytes;
        XImage* image =
            XGetImage(display_, window, area.x, area.y, static_cast<unsigned>(area.width),
                      static_cast<unsigned>(area.height), AllPlanes, ZPixmap);
        if (!image) {
            return bytes;
        }
        const auto channel = [](unsigned long value, unsigned long mask) {
            while (mask && !(mask & 1)) {
                mask >>= 1;
                value >>= 1;
            }
            return static_cast<uint8_t>(value & mask);
        };
        for (int y = 0; y < area.height; ++y) {
            for (int x = 0; x < area.width; ++x) {
                const unsigned long value = XGetPixel(image, x, y);
                bytes.push_back(channel(value, image->red_mask));
                bytes.push_back(channel(value, image->green_mask));
                bytes.push_back(channel(value, image->blue_mask));
            }
        }
        XDestroyImage(image);
        return bytes;
    }

    // Watches window's title for changes.
    void watchProperties(Window window) {
        XSelectInput(display_, window, PropertyChangeMask);
        XSync(display_, True);
    }

    // Whether the title of a watched window is set again within the deadline.
    bool waitForTitleChange() {
        const Atom wmName = XInternAtom(display_, "WM_NAME", False);
        return waitUntil([&] {
            while (XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == PropertyNotify && event.xproperty.atom == wmName) {
                    return true;
                }
            }
            return false;
        });
    }

  private:
    // A window that goes away while the test looks at it is an answer, not the
    // end of the test program.
    static int recordError(Display*, XErrorEvent*) { return 0; }

    Display* display_;
    bool repeated_ = false;
};

// A drag and drop source of the test's own, on its own connection, that drops a
// list of URIs as a file manager does: it owns the drag's selection, offers the
// types given, moves over the target, drops and hands over the list when asked.
class DropSource {
  public:
    DropSource() : display_(XOpenDisplay(nullptr)) {
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
    }
    ~DropSource() {
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
    DropSource(const DropSource&) = delete;
    DropSource& operator=(const DropSource&) = delete;

    // The protocol version target says it serves; 0 when it takes no drops.
    long awareVersion(Window target) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        long version = 0;
        if (XGetWindowProperty(display_, target, atom("XdndAware"), 0, 1, False, XA_ATOM, &type,
                               &format, &count, &after, &data) == Success &&
            data) {
            if (count == 1 && format == 32) {
                version = *reinterpret_cast<long*>(data);
            }
            XFree(data);
        }
        return version;
    }

    struct Outcome {
        // The target's answers: it would take the drop; it finished, successfully.
        bool accepted = false;
        bool finished = false;
        bool succeeded = false;
    };

    // Drags an offer of types over target at (x, y) on the screen and drops it
    // there; uriList is what the selection holds as text/uri-list.
    Outcome drop(Window target, const std::vector<std::string>& types, const std::string& uriList,
                 int x, int y) {
        Outcome outcome;
        XSetSelectionOwner(display_, atom("XdndSelection"), window_, CurrentTime);
        std::array<long, 3> offered{};
        for (std::size_t i = 0; i < types.size() && i < offered.size(); ++i) {
            offered[i] = static_cast<long>(atom(types[i].c_str()));
        }
        send(target, "XdndEnter", {long(window_), 5L << 24, offered[0], offered[1], offered[2]});
        send(target, "XdndPosition",
             {long(window_), 0, (long(x) << 16) | y, CurrentTime, long(atom("XdndActionCopy"))});
        const bool answered = waitForEvent([&](const XEvent& event) {
            if (!isMessage(event, "XdndStatus", target)) {
                return false;
            }
            outcome.accepted = event.xclient.data.l[1] & 1;
            return true;
        });
        EXPECT_TRUE(answered) << "no status for the position";
        send(target, "XdndDrop", {long(window_), 0, CurrentTime, 0, 0});
        outcome.finished = waitForEvent([&](const XEvent& event) {
            if (event.type == SelectionRequest) {
                handOver(event.xselectionrequest, uriList);
                return false;
            }
            if (!isMessage(event, "XdndFinished", target)) {
                return false;
            }
            outcome.succeeded = event.xclient.data.l[1] & 1;
            return true;
        });
        return outcome;
    }

  private:
    Atom atom(const char* name) { return XInternAtom(display_, name, False); }

    void send(Window target, const char* type, const std::array<long, 5>& data) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = target;
        event.xclient.message_type = atom(type);
        event.xclient.format = 32;
        std::copy(data.begin(), data.end(), event.xclient.data.l);
        XSendEvent(display_, target, False, NoEventMask, &event);
        XFlush(display_);
    }

    bool isMessage(const XEvent& event, const char* type, Window target) {
        return event.type == ClientMessage && event.xclient.message_type == atom(type) &&
               static_cast<Window>(event.xclient.data.l[0]) == target;
    }

    bool waitForEvent(const std::function<bool(const XEvent&)>& wanted) {
        return waitUntil([&] {
            while (XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                if (wanted(event)) {
                    return true;
                }
            }
            return false;
        });
    }

    // Answers a request for the selection: the list for text/uri-list, nothing
    // for any other type.
    void handOver(const XSelectionRequestEvent& request, const std::string& uriList) {
        XEvent answer{};
        answer.xselection.type = SelectionNotify;
        answer.xselection.requestor = request.requestor;
        answer.xselection.selection = request.selection;
        answer.xselection.target = request.target;
        answer.xselection.time = request.time;
        answer.xselection.property = None;
        if (request.target == atom("text/uri-list")) {
            XChangeProperty(display_, request.requestor, request.property, request.target, 8,
                            PropModeReplace, reinterpret_cast<const unsigned char*>(uriList.data()),
                            static_cast<int>(uriList.size()));
            answer.xselection.property = request.property;
        }
        XSendEvent(display_, request.requestor, False, NoEventMask, &answer);
        XFlush(display_);
    }

    Display* display_;
    Window window_ = 0;
};

// path as a file: URI, with every byte but unreserved ones and '/' escaped.
inline std::string fileUri(const std::string& path) {
    std::string uri = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("/-._~", c)) {
            uri += static_cast<char>(c);
        } else {
            char escape[4];
            std::snprintf(escape, sizeof(escape), "%%%02X", c);
            uri += escape;
        }
    }
    return uri;
}

}  // namespace x_driver
