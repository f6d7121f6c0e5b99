#pragma once
// Fake platform back ends for the viewer's logic: menus kept the way GLUT keeps
// them, dialogs that answer from a script, a window title that remembers, and one
// shared log of what happened, in order.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/clock.h"
#include "app/platform.h"

using namespace velmora;

struct EventLog {
    std::vector<std::string> events;
    void add(const std::string& event) { events.push_back(event); }
};

struct MenuEntry {
    std::string label;
    int value = 0;
    // The submenu's identifier, 0 for a plain entry.
    int submenu = 0;
};

class FakeMenus : public MenuBackend {
  public:
    explicit FakeMenus(EventLog& log) : log_(log) {}

    int createMenu(MenuKind kind) override;
    void setCurrentMenu(int menu) override;
    void addEntry(const std::string& label, int value) override;
    void addSubmenu(const std::string& label, int menu) override;
    void removeEntry(int position) override;
    void attachToRightButton() override;

    // Set while a menu is on screen: then, as in freeglut, changing a menu
    // (anything but choosing the current one) is a fault that ends the program.
    bool shown = false;
    std::map<int, MenuKind> kinds;
    std::map<int, std::vector<MenuEntry>> entries;
    int current = 0;
    int attached = 0;

    // The labels of menu's entries, in order.
    std::vector<std::string> labels(int menu) const;
    // The values of menu's entries, in order.
    std::vector<int> values(int menu) const;

  private:
    void refuseWhileShown() const;

    EventLog& log_;
    int lastMenu_ = 0;
};

class FakeDialogs : public Dialogs {
  public:
    explicit FakeDialogs(EventLog& log) : log_(log) {}

    std::optional<std::string> chooseFile(const std::string& title, const std::string& folder,
                                          const std::vector<FileFilter>& filters) override;
    void showMessage(const std::string& title, const std::string& text) override;
    void addRecentFile(const std::string& path) override { recentFiles.push_back(path); }

    // What the next chooseFile returns.
    std::optional<std::string> nextChoice;
    struct Request {
        std::string title;
        std::string folder;
        std::vector<FileFilter> filters;
    };
    std::vector<Request> fileRequests;
    std::vector<std::pair<std::string, std::string>> messages;
    std::vector<std::string> recentFiles;

  private:
    EventLog& log_;
};

// Reads whatever now is set to.
class FakeClock : public Clock {
  public:
    int64_t milliseconds() const override { return now; }
    int64_t now = 0;
};

class FakeWindowTitle : public WindowTitle {
  public:
    void setTitle(const std::string& title) override { titles.push_back(title); }
    std::vector<std::string> titles;
};

// Hands out texture names without a display and logs uploads and releases.
class LoggingTextureStore : public TextureStore {
  public:
    explicit LoggingTextureStore(EventLog& log) : log_(log) {}
    uint32_t maxSide() const override { return maxSideTaken; }
    // Refuses a larger image, as OpenGL does.
    uint32_t upload(const Image& image) override;

    uint32_t maxSideTaken = 16384;
    void release(uint32_t texture) override;

  private:
    EventLog& log_;
    uint32_t lastName_ = 0;
};
