#pragma once
// Files dropped onto the viewer's window by other programs, in the X drag and
// drop protocol (XDND, version 5): the decisions only. The X11 layer
// (x11_file_drop.h) hands over the protocol's client messages and the dropped
// data, and carries out what this unit asks of it; this unit makes no X call.
//
// Only a drag offering "text/uri-list" is accepted; of the dropped list the
// first local file (a file:// URI on this host) is opened, anything else is
// refused.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora {
inline namespace app {

// An X resource id: a window or an atom; 0 for none.
using XId = unsigned long;

// The 32-bit data of a client message, as Xlib holds it.
using MessageData = std::array<long, 5>;

// The protocol's atoms as the X server numbers them.
struct DropAtoms {
    XId enter = 0;
    XId position = 0;
    XId status = 0;
    XId leave = 0;
    XId drop = 0;
    XId finished = 0;
    XId uriList = 0;
    XId actionCopy = 0;
};

// The highest protocol version served, advertised on the window.
constexpr long kDropProtocolVersion = 5;

// What the unit asks of the X server.
class DropConnection {
  public:
    virtual ~DropConnection() = default;
    // The types a source offers when it offers more than three: its
    // XdndTypeList property; empty when it cannot be read.
    virtual std::vector<XId> offeredTypes(XId source) = 0;
    // Sends a client message of type to the source window.
    virtual void send(XId source, XId type, const MessageData& data) = 0;
    // Asks the owner of the drag's selection for it as a URI list; the answer
    // comes back through FileDropTarget::onUriList.
    virtual void requestUriList(XId time) = 0;
};

// The first local file of a text/uri-list: lines end in CR LF (a lone LF is
// taken too), lines starting with '#' are comments. A local file is a file: URI
// with an empty host, "localhost" or hostName, and an absolute path whose
// percent escapes decode to no NUL byte. Nothing when there is none.
std::optional<std::string> firstLocalFile(const std::string& uriList, const std::string& hostName);

// One drag at a time, from Enter to Finished. Messages of a drag other than the
// current one are ignored, except that an Enter starts a new drag.
class FileDropTarget {
  public:
    // window: ours, named in every reply. open is given a dropped file's path
    // and says whether it took it.
    FileDropTarget(XId window, const DropAtoms& atoms, DropConnection& connection,
                   std::string hostName, std::function<bool(const std::string&)> open);

    // A client message sent to our window; messages of other types are ignored.
    void onMessage(XId type, const MessageData& data);
    // The selection converted after a drop: the URI list, or nothing when the
    // source could not give one.
    void onUriList(const std::optional<std::string>& uriList);

  private:
    void finish(XId source, bool success);

    XId window_;
    DropAtoms atoms_;
    DropConnection& connection_;
    std::string hostName_;
    std::function<bool(const std::string&)> open_;

    // The current drag's source window; 0 for none.
    XId source_ = 0;
    long version_ = 0;
    bool offersUriList_ = false;
    // Dropped, and waiting for the selection.
    bool awaitingData_ = false;
};

}  // namespace app
}  // namespace velmora
