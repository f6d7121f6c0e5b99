#include "tests/app/fakes.h"

#include <stdexcept>

using namespace velmora;

void FakeMenus::refuseWhileShown() const {
    if (shown) {
        throw std::logic_error("menu manipulation while a menu is shown");
    }
}

int FakeMenus::createMenu(MenuKind kind) {
    refuseWhileShown();
    ++lastMenu_;
    kinds[lastMenu_] = kind;
    entries[lastMenu_];
    current = lastMenu_;
    log_.add("create menu " + std::to_string(lastMenu_));
    return lastMenu_;
}

void FakeMenus::setCurrentMenu(int menu) {
    if (!entries.count(menu)) {
        throw std::logic_error("no menu " + std::to_string(menu));
    }
    current = menu;
}

void FakeMenus::addEntry(const std::string& label, int value) {
    refuseWhileShown();
    entries.at(current).push_back(MenuEntry{label, value, 0});
    log_.add("add " + label + " to menu " + std::to_string(current));
}

void FakeMenus::addSubmenu(const std::string& label, int menu) {
    refuseWhileShown();
    entries.at(current).push_back(MenuEntry{label, 0, menu});
    log_.add("add submenu " + label + " to menu " + std::to_string(current));
}

void FakeMenus::removeEntry(int position) {
    refuseWhileShown();
    auto& list = entries.at(current);
    // GLUT positions are one-based; anything else is a fault of the caller.
    if (position < 1 || position > static_cast<int>(list.size())) {
        throw std::logic_error("no entry " + std::to_string(position));
    }
    log_.add("remove entry " + std::to_string(position) + " of menu " + std::to_string(current));
    list.erase(list.begin() + (position - 1));
}

void FakeMenus::attachToRightButton() {
    refuseWhileShown();
    attached = current;
    log_.add("attach menu " + std::to_string(current));
}

std::vector<std::string> FakeMenus::labels(int menu) const {
    std::vector<std::string> result;
    for (const MenuEntry& entry : entries.at(menu)) {
        result.push_back(entry.label);
    }
    return result;
}

std::vector<int> FakeMenus::values(int menu) const {
    std::vector<int> result;
    for (const MenuEntry& entry : entries.at(menu)) {
        result.push_back(entry.value);
    }
    return result;
}

std::optional<std::string> FakeDialogs::chooseFile(const std::string& title,
                                                   const std::string& folder,
                                                   const std::vector<FileFilter>& filters) {
    fileRequests.push_back(Request{title, folder, filters});
    log_.add("choose file");
    return nextChoice;
}

void FakeDialogs::showMessage(const std::string& title, const std::string& text) {
    messages.emplace_back(title, text);
    log_.add("message " + title);
}

uint32_t LoggingTextureStore::upload(const Image& image) {
    if (image.width > maxSideTaken || image.height > maxSideTaken) {
        log_.add("refuse texture");
        return 0;
    }
    log_.add("load texture " + std::to_string(++lastName_));
    return lastName_;
}

void LoggingTextureStore::release(uint32_t texture) {
    log_.add("release texture " + std::to_string(texture));
}
