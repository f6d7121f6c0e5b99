// When the viewer reloads: after a change, once no other has come for the
// settling time (a fake watcher and clock); and what the kernel's watcher
// reports for files watched by name and for folders watched whole.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <utility>

#include "app/file_watch.h"
#include "files/safe_file.h"
#include "tests/app/fakes.h"
#include "tests/support/test_support.h"

using namespace velmora;

namespace {

class FakeWatcher : public FileWatcher {
  public:
    void watch(const WatchedFiles& watched) override {
        ++watches;
        last = watched;
    }
    bool changed() override { return std::exchange(change, false); }

    bool change = false;
    int watches = 0;
    WatchedFiles last;
};

TEST(ReloadTrigger, FiresOnceWhenWritesHaveSettled) {
    struct Step {
        const char* name;
        int64_t now;
        bool change;
        bool due;
    } steps[] = {
        {"nothing changed", 0, false, false},
        {"a write", 100, true, false},
        {"still settling", 399, false, false},
        {"another write restarts the wait", 350, true, false},
        {"settled", 650, false, true},
        {"only once", 2000, false, false},
        {"a later write", 2100, true, false},
        {"settled again", 2400, false, true},
    };
    FakeWatcher watcher;
    FakeClock clock;
    ReloadTrigger trigger(watcher, clock);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        clock.now = step.now;
        watcher.change = step.change;
        EXPECT_EQ(trigger.due(), step.due);
    }
}

TEST(ReloadTrigger, ANewSetIsWatchedOnceAndDropsAPendingChange) {
    FakeWatcher watcher;
    FakeClock clock;
    ReloadTrigger trigger(watcher, clock);
    const WatchedFiles a{{"a.animesh"}, {}};
    trigger.watch(a);
    trigger.watch(a);
    EXPECT_EQ(watcher.watches, 1);
    watcher.change = true;
    EXPECT_FALSE(trigger.due());
    trigger.watch({{"b.animesh"}, {}});
    EXPECT_EQ(watcher.watches, 2);
    clock.now = 1000;
    EXPECT_FALSE(trigger.due());
}

TEST(InotifyWatcher, SeesWatchedNamesAndWholeFolders) {
    TemporaryFolder folder;
    const std::string dir = folder.path();
    folder.write("model.animesh", "1");
    folder.write("other.txt", "1");
    std::filesystem::create_directory(dir + "source");
    struct Row {
        const char* name;
        std::function<void()> act;
        bool seen;
    } rows[] = {
        {"nothing yet", [] {}, false},
        {"the file rewritten", [&] { folder.write("model.animesh", "2"); }, true},
        {"another file beside it", [&] { folder.write("other.txt", "2"); }, false},
        {"replaced by a rename", [&] { writeFile(dir + "model.animesh", "3"); }, true},
        {"any file in a folder watched whole", [&] { folder.write("source/a.bin", "1"); }, true},
        {"removed", [&] { std::remove((dir + "model.animesh").c_str()); }, true},
    };
    InotifyWatcher watcher;
    watcher.watch({{dir + "model.animesh"}, {dir + "source"}});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.act();
        // The kernel queues the events before the call that caused them returns.
        EXPECT_EQ(watcher.changed(), row.seen);
    }
    watcher.watch({});
    folder.write("source/a.bin", "2");
    EXPECT_FALSE(watcher.changed()) << "nothing watched";
}

}  // namespace
