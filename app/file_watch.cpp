#include "app/file_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace velmora {
inline namespace app {

namespace {

constexpr uint32_t kEvents =
    IN_CLOSE_WRITE | IN_MODIFY | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB;

}  // namespace

InotifyWatcher::InotifyWatcher() = default;

InotifyWatcher::~InotifyWatcher() {
    close();
}

void InotifyWatcher::close() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = -1;
    folders_.clear();
}

void InotifyWatcher::watch(const WatchedFiles& watched) {
    // A fresh descriptor drops the previous watches and their events at once.
    close();
    if (watched.files.empty() && watched.folders.empty()) {
        return;
    }
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) {
        return;
    }
    const auto add = [this](const std::string& folder) -> Folder* {
        const int wd =
            inotify_add_watch(fd_, folder.empty() ? "." : folder.c_str(), kEvents | IN_ONLYDIR);
        // Two names of one folder share its watch.
        return wd < 0 ? nullptr : &folders_[wd];
    };
    for (const std::string& file : watched.files) {
        const std::filesystem::path path(file);
        if (Folder* folder = add(path.parent_path().string())) {
            folder->names.insert(path.filename().string());
        }
    }
    for (const std::string& name : watched.folders) {
        if (Folder* folder = add(name)) {
            folder->whole = true;
        }
    }
}

bool InotifyWatcher::changed() {
    bool seen = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = fd_ < 0 ? -1 : read(fd_, buffer, sizeof buffer);
        if (n <= 0) {
            // EAGAIN: nothing more for now.
            return seen;
        }
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                seen = true;
                continue;
            }
            const auto folder = folders_.find(event->wd);
            if (folder != folders_.end() &&
                (folder->second.whole ||
                 (event->len > 0 && folder->second.names.count(event->name) > 0))) {
                seen = true;
            }
        }
    }
}

void ReloadTrigger::watch(const WatchedFiles& watched) {
    if (watched == watched_) {
        return;
    }
    watched_ = watched;
    watcher_.watch(watched);
    pending_ = false;
}

bool ReloadTrigger::due() {
    const int64_t now = clock_.milliseconds();
    if (watcher_.changed()) {
        pending_ = true;
        lastChange_ = now;
    }
    if (pending_ && now - lastChange_ >= kSettleMilliseconds) {
        pending_ = false;
        return true;
    }
    return false;
}

}  // namespace app
}  // namespace velmora
