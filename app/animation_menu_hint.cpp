#include "app/animation_menu_hint.h"

namespace velmora {
inline namespace app {

int AnimationMenuHint::createMenu(MenuKind kind) {
    current_ = menus_.createMenu(kind);
    if (kind == MenuKind::Animation) {
        animationEntries_[current_] = 0;
        menus_.addEntry(kNoAnimationsHint, kNoAnimationsHintValue);
    }
    return current_;
}

void AnimationMenuHint::setCurrentMenu(int menu) {
    current_ = menu;
    menus_.setCurrentMenu(menu);
}

bool AnimationMenuHint::holdsOnlyHint() const {
    const auto found = animationEntries_.find(current_);
    return found != animationEntries_.end() && found->second == 0;
}

// The entry goes in before the hint comes out, so the menu is never empty.
void AnimationMenuHint::entryAdded(bool hadOnlyHint) {
    const auto found = animationEntries_.find(current_);
    if (found == animationEntries_.end()) {
        return;
    }
    ++found->second;
    if (hadOnlyHint) {
        menus_.removeEntry(1);
    }
}

void AnimationMenuHint::addEntry(const std::string& label, int value) {
    const bool hadOnlyHint = holdsOnlyHint();
    menus_.addEntry(label, value);
    entryAdded(hadOnlyHint);
}

void AnimationMenuHint::addSubmenu(const std::string& label, int menu) {
    const bool hadOnlyHint = holdsOnlyHint();
    menus_.addSubmenu(label, menu);
    entryAdded(hadOnlyHint);
}

void AnimationMenuHint::removeEntry(int position) {
    const auto found = animationEntries_.find(current_);
    if (found == animationEntries_.end()) {
        menus_.removeEntry(position);
        return;
    }
    if (found->second == 1) {
        // The last entry: the hint goes in first and stays behind it.
        menus_.addEntry(kNoAnimationsHint, kNoAnimationsHintValue);
    }
    menus_.removeEntry(position);
    --found->second;
}

void AnimationMenuHint::attachToRightButton() {
    menus_.attachToRightButton();
}

}  // namespace app
}  // namespace velmora
