// Writes replace files whole or not at all, never through a planted link, and
// say what really failed.

#include "files/safe_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "tests/support/test_support.h"

using namespace velmora;

namespace {

namespace fs = std::filesystem;

// Everything under folder: each file's content, each link's target, each
// folder as "<folder>".
std::map<std::string, std::string> snapshot(const std::string& folder) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).string();
        entries[name] = entry.is_symlink()     ? "-> " + fs::read_symlink(entry.path()).string()
                        : entry.is_directory() ? "<folder>"
                                               : readFile(entry.path().string());
    }
    return entries;
}

struct Case {
    const char* name;
    // Prepares the scratch folder (path ends in '/').
    std::function<void(const std::string&)> prepare;
    // Empty when the write must succeed, else part of the problem.
    std::string problem;
};

void writeVictim(const std::string& folder) {
    std::ofstream(folder + "victim.motion") << "user's motion";
}

TEST(SafeFile, WriteFileReplacesWholeAndNeverThroughALink) {
    const Case cases[] = {
        {"new file", [](const std::string&) {}, ""},
        {"older file", [](const std::string& f) { std::ofstream(f + "out.png") << "old"; }, ""},
        {"planted link at the old temporary name",
         [](const std::string& f) {
             writeVictim(f);
             fs::create_symlink(f + "victim.motion", f + "out.png.partial");
         },
         ""},
        {"link at the name itself",
         [](const std::string& f) {
             writeVictim(f);
             fs::create_symlink(f + "victim.motion", f + "out.png");
         },
         ""},
        {"folder in the way", [](const std::string& f) { fs::create_directory(f + "out.png"); },
         "out.png: cannot put the file in place: Is a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder scratch;
        c.prepare(scratch.path());
        auto expected = snapshot(scratch.path());
        const WriteResult result = writeFile(scratch.path() + "out.png", "new bytes");
        if (c.problem.empty()) {
            EXPECT_TRUE(result) << result.problem;
            expected["out.png"] = "new bytes";
        } else {
            EXPECT_NE(result.problem.find(c.problem), std::string::npos) << result.problem;
        }
        EXPECT_EQ(snapshot(scratch.path()), expected);
    }
}

// A new file is written only where nothing has its name, links included, and
// leaves no temporary file behind either way.
TEST(SafeFile, WriteNewFileNeverReplacesAnything) {
    const Case cases[] = {
        {"new file", [](const std::string&) {}, ""},
        {"older file", [](const std::string& f) { std::ofstream(f + "out.png") << "old"; },
         "out.png: already exists"},
        {"link at the name",
         [](const std::string& f) {
             writeVictim(f);
             fs::create_symlink(f + "victim.motion", f + "out.png");
         },
         "out.png: already exists"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder scratch;
        c.prepare(scratch.path());
        auto expected = snapshot(scratch.path());
        const WriteResult result = writeNewFile(scratch.path() + "out.png", "new bytes");
        if (c.problem.empty()) {
            EXPECT_TRUE(result) << result.problem;
            expected["out.png"] = "new bytes";
        } else {
            EXPECT_TRUE(result.existed);
            EXPECT_NE(result.problem.find(c.problem), std::string::npos) << result.problem;
        }
        EXPECT_EQ(snapshot(scratch.path()), expected);
    }
}

TEST(SafeFile, WriteFileSetReplacesAllOrLeavesTheFolderAsItWas) {
    const std::vector<FileContent> set = {
        {"a.animesh", "model"}, {"a.png", "png"}, {"a-Walk", "walk"}};
    const auto olderSet = [](const std::string& f) {
        fs::create_directory(f + "out");
        std::ofstream(f + "out/a.animesh") << "older model";
        std::ofstream(f + "out/a-Walk") << "older walk";
        std::ofstream(f + "out/notes.txt") << "the user's";
    };
    struct SetCase {
        Case base;
        std::string folder;
        ExistingFiles existing;
    };
    const SetCase cases[] = {
        {{"new nested folder", [](const std::string&) {}, ""}, "new/out", ExistingFiles::Keep},
        {{"older set replaced", olderSet, ""}, "out", ExistingFiles::Replace},
        {{"older set kept", olderSet, "out/a.animesh: already exists"}, "out", ExistingFiles::Keep},
        {{"half blocked by a folder",
          [&](const std::string& f) {
              olderSet(f);
              fs::create_directory(f + "out/a.png");
          },
          "out/a.png: cannot put the file in place: Is a directory"},
         "out",
         ExistingFiles::Replace},
        {{"a file where the folder goes",
          [](const std::string& f) { std::ofstream(f + "blocker") << "x"; },
          "blocker/out: cannot create the folder: Not a directory"},
         "blocker/out",
         ExistingFiles::Replace},
    };
    for (const SetCase& c : cases) {
        SCOPED_TRACE(c.base.name);
        TemporaryFolder scratch;
        c.base.prepare(scratch.path());
        auto expected = snapshot(scratch.path());
        const WriteResult result = writeFileSet(scratch.path() + c.folder, set, c.existing);
        if (c.base.problem.empty()) {
            EXPECT_TRUE(result) << result.problem;
            for (fs::path p = c.folder; !p.empty(); p = p.parent_path()) {
                expected[p.string()] = "<folder>";
            }
            for (const FileContent& file : set) {
                expected[c.folder + "/" + file.name] = file.bytes;
            }
        } else {
            EXPECT_NE(result.problem.find(c.base.problem), std::string::npos) << result.problem;
        }
        EXPECT_EQ(snapshot(scratch.path()), expected);
    }
}

}  // namespace
