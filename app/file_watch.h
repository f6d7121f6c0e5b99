#pragma once
// Watching the files a model came from, so that the viewer loads it again once
// an exporter has finished writing them. The kernel's notifications sit behind
// FileWatcher, so that when to reload (ReloadTrigger) is tested with a fake
// watcher and a fake clock.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/clock.h"

namespace velmora {
inline namespace app {

// Files watched by name, and folders watched whole (any file in them).
struct WatchedFiles {
    std::vector<std::string> files;
    std::vector<std::string> folders;

    bool operator==(const WatchedFiles& other) const {
        return files == other.files && folders == other.folders;
    }
};

class FileWatcher {
  public:
    virtual ~FileWatcher() = default;
    // Watches what is given instead of what was watched; what cannot be
    // watched (a folder that is gone) is left out.
    virtual void watch(const WatchedFiles& watched) = 0;
    // Whether anything watched was written, made, removed or renamed since
    // the last call; never blocks.
    virtual bool changed() = 0;
};

// Linux's inotify, read without blocking. A file is watched through its
// folder, by name, so that one an exporter replaces by renaming a new file
// over it is still seen, as is the new file's content.
class InotifyWatcher : public FileWatcher {
  public:
    InotifyWatcher();
    ~InotifyWatcher() override;
    InotifyWatcher(const InotifyWatcher&) = delete;
    InotifyWatcher& operator=(const InotifyWatcher&) = delete;

    void watch(const WatchedFiles& watched) override;
    bool changed() override;

  private:
    struct Folder {
        bool whole = false;
        std::set<std::string> names;
    };
    void close();

    int fd_ = -1;
    // By watch descriptor.
    std::map<int, Folder> folders_;
};

// Writes are taken as finished when none has come for this long.
constexpr int64_t kSettleMilliseconds = 300;

class ReloadTrigger {
  public:
    ReloadTrigger(FileWatcher& watcher, const Clock& clock) : watcher_(watcher), clock_(clock) {}

    // Watches watched, unless it is what is watched already; a change not yet
    // settled is dropped with the previous set.
    void watch(const WatchedFiles& watched);
    // Polls the watcher: true once after a change, when no further change has
    // come for kSettleMilliseconds.
    bool due();

  private:
    FileWatcher& watcher_;
    const Clock& clock_;
    WatchedFiles watched_;
    bool pending_ = false;
    int64_t lastChange_ = 0;
};

}  // namespace app
}  // namespace velmora
