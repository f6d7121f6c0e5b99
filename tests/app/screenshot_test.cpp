// Screenshot names and the write that never replaces a file.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "app/screenshot.h"
#include "tests/app/test_model.h"
#include "tests/support/test_support.h"

namespace {

std::set<std::string> filesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

TEST(Screenshot, StemIsTheModelFileName) {
    const std::pair<std::string, std::string> rows[] = {
        {"Models/schoolgirl/schoolgirl.animesh", "schoolgirl"},
        {"/a/b.c/plain", "plain"},
        {"x.tar.animesh", "x.tar"},
        {"", "velmora"},
    };
    for (const auto& [path, stem] : rows) {
        EXPECT_EQ(screenshotStem(path), stem) << path;
    }
}

TEST(Screenshot, NewFileIsWrittenWholeOrNotAtAll) {
    TemporaryFolder folder;
    folder.write("taken.png", "kept");
    struct Row {
        const char* name;
        std::string path;
        NewFileOutcome outcome;
        std::string contents;  // of path afterwards, when it exists
    };
    const Row rows[] = {
        {"free name", folder.path() + "new.png", NewFileOutcome::Written, "picture"},
        {"taken name", folder.path() + "taken.png", NewFileOutcome::Exists, "kept"},
        {"missing folder", folder.path() + "none/new.png", NewFileOutcome::Failed, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string error;
        EXPECT_EQ(writeNewFile(row.path, "picture", error), row.outcome);
        EXPECT_EQ(error.empty(), row.outcome != NewFileOutcome::Failed) << error;
        if (!row.contents.empty()) {
            EXPECT_EQ(readFile(row.path), row.contents);
            const mode_t mask = umask(0);
            umask(mask);
            EXPECT_EQ(static_cast<mode_t>(std::filesystem::status(row.path).permissions()),
                      0666 & ~mask)
                << "a new file has the usual permissions, not the temporary file's";
        }
    }
    EXPECT_EQ(filesIn(folder.path()), (std::set<std::string>{"new.png", "taken.png"}))
        << "no temporary file is left behind";
}

TEST(Screenshot, NumbersSkipTakenNames) {
    TemporaryFolder folder;
    WorkingDirectory inFolder(folder.path());
    folder.write("shot-1.png", "kept");
    folder.write("shot-3.png", "kept");
    const std::string expected[] = {"shot-2.png", "shot-4.png"};
    for (const std::string& name : expected) {
        const SavedFile saved = saveNumbered("shot", "picture");
        EXPECT_EQ(saved.path, name);
        EXPECT_EQ(saved.error, "");
        EXPECT_EQ(readFile(name), "picture");
    }
    EXPECT_EQ(readFile("shot-1.png"), "kept");
    EXPECT_EQ(saveNumbered("none/shot", "picture")
                  .error.rfind("Failed to write \"none/shot-1.png\": ", 0),
              0u);
}

}  // namespace
