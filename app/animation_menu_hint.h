#pragma once
// The animation menu is never empty on screen: freeglut sizes a menu that has
// never held an entry as 0 x 0, which the X server refuses, and the viewer then
// hangs for good as soon as the submenu is hovered. While the viewer's animation
// menu has no entries, it holds one inert hint entry instead.

#include <map>
#include <string>

#include "app/platform.h"

namespace velmora {
inline namespace app {

// Shown while the current model has no animations (or there is no model).
constexpr const char* kNoAnimationsHint = "(no animations)";
// The hint's value; the animation menu's own entries count from 1.
constexpr int kNoAnimationsHintValue = 0;

// Passes every call on to menus, adding the hint to an animation menu when it is
// created and whenever its last entry is removed, and taking the hint out when
// its first entry is added. Positions seen by the caller are those of its own
// entries: the hint is there only while the caller's menu is empty.
class AnimationMenuHint : public MenuBackend {
  public:
    explicit AnimationMenuHint(MenuBackend& menus) : menus_(menus) {}

    int createMenu(MenuKind kind) override;
    void setCurrentMenu(int menu) override;
    void addEntry(const std::string& label, int value) override;
    void addSubmenu(const std::string& label, int menu) override;
    void removeEntry(int position) override;
    void attachToRightButton() override;

  private:
    // Whether the current menu holds the hint alone, before an entry is added.
    bool holdsOnlyHint() const;
    // Called after an entry was added to the current menu.
    void entryAdded(bool hadOnlyHint);

    MenuBackend& menus_;
    int current_ = 0;
    // Entries of the caller's own, for the animation menus only.
    std::map<int, int> animationEntries_;
};

}  // namespace app
}  // namespace velmora
