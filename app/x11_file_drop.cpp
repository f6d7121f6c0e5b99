#include "app/x11_file_drop.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <unistd.h>

#include <memory>
#include <new>
#include <vector>

#include "app/file_drop.h"

namespace velmora {
inline namespace app {

namespace {

// Longest URI list read, in 32-bit units; a longer one is cut at its last whole
// line.
constexpr long kMaxUriListLongs = 1 << 18;
// Most types read from a source's XdndTypeList.
constexpr long kMaxOfferedTypes = 1024;
// Most drop events kept between two rounds of the main loop; a source sends one
// and waits for the answer, so more come only from a broken one and are dropped.
constexpr std::size_t kMaxTakenEvents = 64;

using WireToEvent = Bool (*)(Display*, XEvent*, xEvent*);

// A source's window may vanish during a drag; what fails then is no reason to
// end the viewer.
int ignoreError(Display*, XErrorEvent*) {
    return 0;
}

class X11DropConnection : public DropConnection {
  public:
    X11DropConnection(Display* display, Window window, Atom selection, Atom uriList)
        : display_(display), window_(window), selection_(selection), uriList_(uriList) {}

    std::vector<XId> offeredTypes(XId source) override {
        const Atom typeList = XInternAtom(display_, "XdndTypeList", False);
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        std::vector<XId> types;
        if (XGetWindowProperty(display_, source, typeList, 0, kMaxOfferedTypes, False, XA_ATOM,
                               &type, &format, &count, &after, &data) == Success &&
            data) {
            if (type == XA_ATOM && format == 32) {
                const auto* atoms = reinterpret_cast<const unsigned long*>(data);
                types.assign(atoms, atoms + count);
            }
            XFree(data);
        }
        return types;
    }

    void send(XId source, XId type, const MessageData& data) override {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.display = display_;
        event.xclient.window = source;
        event.xclient.message_type = type;
        event.xclient.format = 32;
        std::copy(data.begin(), data.end(), event.xclient.data.l);
        XSendEvent(display_, source, False, NoEventMask, &event);
    }

    void requestUriList(XId time) override {
        // The selection's own atom names the property the answer is put in.
        XConvertSelection(display_, selection_, uriList_, selection_, window_, time);
    }

    // The URI list an answer put on our window, taken off it; nothing when the
    // conversion failed or came in pieces (INCR), which lists of files need not.
    std::optional<std::string> takeUriList(const XSelectionEvent& answer) {
        if (answer.property == None) {
            return std::nullopt;
        }
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display_, window_, answer.property, 0, kMaxUriListLongs, True,
                               AnyPropertyType, &type, &format, &count, &after, &data) != Success ||
            !data) {
            return std::nullopt;
        }
        std::optional<std::string> text;
        if (format == 8 && type != XInternAtom(display_, "INCR", False)) {
            text.emplace(reinterpret_cast<const char*>(data), count);
            if (after > 0) {
                text->erase(text->rfind('\n') + 1);
            }
        }
        XFree(data);
        return text;
    }

  private:
    Display* display_;
    Window window_;
    Atom selection_;
    Atom uriList_;
};

// The one window served, and the events taken for it.
struct Served {
    Display* display = nullptr;
    Window window = 0;
    Atom selection = 0;
    DropAtoms atoms;
    WireToEvent convertClientMessage = nullptr;
    WireToEvent convertSelectionNotify = nullptr;
    // Both hold kMaxTakenEvents, so that taking an event never allocates.
    std::vector<XEvent> taken;
    std::vector<XEvent> handling;
    std::unique_ptr<X11DropConnection> connection;
    std::unique_ptr<FileDropTarget> target;
    // Told when an event has been taken, so that the main loop serves it soon
    // even when it would otherwise sleep.
    std::function<void()> wake;
};

// Never destroyed: the hooks run for as long as the connection is read.
Served* served = nullptr;

void take(const XEvent& event) {
    if (served->taken.size() < served->taken.capacity()) {
        served->taken.push_back(event);
    }
    served->wake();
}

// Xlib calls these for every event of their kind it reads, from whichever call
// reads the connection, before the event is queued; returning False keeps it
// out of the queue. No Xlib call may be made here.
Bool takeClientMessage(Display* display, XEvent* event, xEvent* wire) {
    if (!served->convertClientMessage(display, event, wire)) {
        return False;
    }
    const XClientMessageEvent& message = event->xclient;
    const DropAtoms& atoms = served->atoms;
    const Atom type = message.message_type;
    if (message.window == served->window && message.format == 32 &&
        (type == atoms.enter || type == atoms.position || type == atoms.leave ||
         type == atoms.drop)) {
        take(*event);
        return False;
    }
    return True;
}

Bool takeSelectionNotify(Display* display, XEvent* event, xEvent* wire) {
    if (!served->convertSelectionNotify(display, event, wire)) {
        return False;
    }
    if (event->xselection.requestor == served->window &&
        event->xselection.selection == served->selection) {
        take(*event);
        return False;
    }
    return True;
}

std::string hostName() {
    char name[256] = {};
    if (gethostname(name, sizeof(name) - 1) != 0) {
        return "";
    }
    return name;
}

void serve(const XEvent& event) {
    if (event.type == ClientMessage) {
        MessageData data;
        std::copy(event.xclient.data.l, event.xclient.data.l + data.size(), data.begin());
        served->target->onMessage(event.xclient.message_type, data);
    } else {
        served->target->onUriList(served->connection->takeUriList(event.xselection));
    }
}

}  // namespace

void acceptFileDrops(NativeWindow window, std::function<bool(const std::string&)> open,
                     std::function<void()> wake) {
    Display* display = glXGetCurrentDisplay();
    if (served || !display || window == 0) {
        return;
    }
    const auto atom = [display](const char* name) { return XInternAtom(display, name, False); };
    served = new Served();
    served->display = display;
    served->window = window;
    served->wake = std::move(wake);
    served->selection = atom("XdndSelection");
    served->atoms = {atom("XdndEnter"),     atom("XdndPosition"),  atom("XdndStatus"),
                     atom("XdndLeave"),     atom("XdndDrop"),      atom("XdndFinished"),
                     atom("text/uri-list"), atom("XdndActionCopy")};
    served->connection = std::make_unique<X11DropConnection>(display, window, served->selection,
                                                             served->atoms.uriList);
    served->taken.reserve(kMaxTakenEvents);
    served->handling.reserve(kMaxTakenEvents);
    served->target = std::make_unique<FileDropTarget>(window, served->atoms, *served->connection,
                                                      hostName(), std::move(open));
    // Hooked before the window says it takes drops, so that no drop event can
    // reach GLUT.
    served->convertClientMessage = XESetWireToEvent(display, ClientMessage, takeClientMessage);
    served->convertSelectionNotify =
        XESetWireToEvent(display, SelectionNotify, takeSelectionNotify);
    const long version = kDropProtocolVersion;
    XChangeProperty(display, window, atom("XdndAware"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&version), 1);
    XFlush(display);
}

void serveFileDrops() {
    if (!served || served->taken.empty()) {
        return;
    }
    Display* display = served->display;
    // Errors of GLUT's own requests stay with GLUT's handler.
    XSync(display, False);
    const auto previousHandler = XSetErrorHandler(ignoreError);
    // Reading a property may take more events; they are served in this call.
    while (!served->taken.empty()) {
        served->handling.clear();
        served->handling.swap(served->taken);
        for (const XEvent& event : served->handling) {
            // A drop whose list cannot be held in memory fails; the viewer goes on.
            try {
                serve(event);
            } catch (const std::bad_alloc&) {
                served->target->onUriList(std::nullopt);
            }
        }
    }
    XSync(display, False);
    XSetErrorHandler(previousHandler);
}

}  // namespace app
}  // namespace velmora
