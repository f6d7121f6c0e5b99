#pragma once
// The viewer's modal dialogs on GTK 3 (X11 backend), started on first use.

#include <functional>

#include "app/native_window.h"
#include "app/platform.h"

typedef struct _GtkWidget GtkWidget;

namespace velmora {
inline namespace app {

class GtkDialogs : public Dialogs {
  public:
    // owner is read each time the file dialog opens, which then stays above that
    // window; 0 opens it without one. redraw draws our window once more before a
    // dialog blocks the event loop, so that what the pop-up menu covered shows
    // again.
    GtkDialogs(const NativeWindow& owner, std::function<void()> redraw)
        : owner_(owner), redraw_(std::move(redraw)) {}

    std::optional<std::string> chooseFile(const std::string& title, const std::string& folder,
                                          const std::vector<FileFilter>& filters) override;
    void showMessage(const std::string& title, const std::string& text) override;
    void addRecentFile(const std::string& path) override;

  private:
    void prepare(GtkWidget* dialog);

    const NativeWindow& owner_;
    std::function<void()> redraw_;
};

}  // namespace app
}  // namespace velmora
