#pragma once
// The viewer's modal dialogs on GTK 3 (X11 backend), started on first use.

#include "app/native_window.h"
#include "app/platform.h"

class GtkDialogs : public Dialogs {
  public:
    // owner is read each time the file dialog opens, which then stays above that
    // window; 0 opens it without one.
    explicit GtkDialogs(const NativeWindow& owner) : owner_(owner) {}

    std::optional<std::string> chooseFile(const std::string& title, const std::string& filterName,
                                          const std::string& pattern) override;
    void showMessage(const std::string& title, const std::string& text) override;

  private:
    const NativeWindow& owner_;
};
