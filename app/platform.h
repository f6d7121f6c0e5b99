#pragma once
// What the viewer asks of its platform, each in a small interface, so that the
// viewer's logic runs against fakes in tests, without a display. The GLUT, GTK
// and Xlib implementations live in main_window.cpp, gtk_dialogs.cpp and
// native_window.cpp.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/png_image.h"

namespace velmora {
inline namespace app {

// The callback a menu reports its choices to.
enum class MenuKind { Main, Model, Animation };

// Pop-up menus as GLUT keeps them: identifiers, one current menu that entries are
// added to and removed from, entries carrying the value passed to the callback.
class MenuBackend {
  public:
    virtual ~MenuBackend() = default;
    // Creates an empty menu reporting to kind's callback, makes it current and
    // returns its identifier.
    virtual int createMenu(MenuKind kind) = 0;
    virtual void setCurrentMenu(int menu) = 0;
    virtual void addEntry(const std::string& label, int value) = 0;
    virtual void addSubmenu(const std::string& label, int menu) = 0;
    // Removes the entry at the one-based position of the current menu.
    virtual void removeEntry(int position) = 0;
    // Pops the current menu up on the right mouse button.
    virtual void attachToRightButton() = 0;
};

// A file-chooser filter: its name and the patterns of the files it shows.
struct FileFilter {
    std::string name;
    std::vector<std::string> patterns;
};

// Modal dialogs: both return only once the user has closed them.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // An open-file dialog titled title, showing folder (an absolute path; when
    // empty, the dialog's own choice), offering filters in order, the first
    // chosen, starting without a file name. The chosen file's full path, or
    // nothing when the user cancelled or the dialog failed.
    virtual std::optional<std::string> chooseFile(const std::string& title,
                                                  const std::string& folder,
                                                  const std::vector<FileFilter>& filters) = 0;
    // A message box with the caption title, the text as given and one OK button.
    virtual void showMessage(const std::string& title, const std::string& text) = 0;
    // Adds a file the user opened (an absolute path) to the desktop's recently
    // used files, which other programs' file choosers show.
    virtual void addRecentFile(const std::string& path) = 0;
};

// Where model textures go to be drawn: OpenGL in the window.
class TextureStore {
  public:
    virtual ~TextureStore() = default;
    // The longest side of an image that upload takes.
    virtual uint32_t maxSide() const = 0;
    // The name of a texture made from image; 0 when it cannot be made.
    virtual uint32_t upload(const Image& image) = 0;
    // Deletes a texture that upload made.
    virtual void release(uint32_t texture) = 0;
};

class WindowTitle {
  public:
    virtual ~WindowTitle() = default;
    virtual void setTitle(const std::string& title) = 0;
};

}  // namespace app
}  // namespace velmora
