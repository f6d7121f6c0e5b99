// Replays every committed seed and corpus file through the fuzz harness, so that
// each input the fuzzers once found interesting is read again by every build
// (the sanitizer build included), with the same checks as during fuzzing.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "fuzz/harness.h"
#include "fuzz/import_harness.h"
#include "tests/support/test_support.h"

using namespace velmora;

// The import library leaks on some damaged files (its GLB reader, on an
// exception); that is not this program's to fix, so the leak check of
// sanitizer builds leaves allocations made inside it alone.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libassimp.so";
}

namespace {

namespace fs = std::filesystem;

using Run = RunResult (*)(std::string_view);

std::vector<fs::path> filesIn(const std::string& folder) {
    std::vector<fs::path> files;
    const fs::path path = fs::path(VELMORA_FUZZ_FOLDER) / folder;
    if (fs::is_directory(path)) {
        for (const auto& entry : fs::directory_iterator(path)) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool startsWith(const fs::path& path, const std::string& prefix) {
    return path.filename().string().compare(0, prefix.size(), prefix) == 0;
}

// Runs every file of folder and expects no fault; returns the results by file name.
std::map<std::string, RunResult> replay(const std::string& folder, Run run) {
    std::map<std::string, RunResult> results;
    const std::vector<fs::path> files = filesIn(folder);
    EXPECT_FALSE(files.empty()) << folder << " holds no files";
    for (const fs::path& file : files) {
        const RunResult result = run(readFile(file.string()));
        EXPECT_TRUE(result.faults.empty()) << file << "\n"
                                           << ::testing::PrintToString(result.faults);
        results[file.filename().string()] = result;
    }
    return results;
}

TEST(CorpusReplay, ModelCorpusKeepsEveryPromise) {
    replay("corpus/model", runModelFile);
}

TEST(CorpusReplay, MotionCorpusKeepsEveryPromise) {
    replay("corpus/motion", runMotionFile);
}

TEST(CorpusReplay, ImportCorpusAndSeedsKeepEveryPromise) {
    replay("corpus/import", runImportInput);
    // Each seed converts, so that the fuzzer starts from characters.
    for (const auto& [file, result] : replay("seeds/import", runImportInput)) {
        EXPECT_TRUE(result.modelRead) << file;
    }
}

// The good and sample seeds must load and play what the fixed files allow, or
// the fuzzers would start from nothing but rejections; each bad seed must be
// rejected.
TEST(CorpusReplay, ModelSeedsLoadOrAreRejected) {
    struct Expected {
        const char* file;
        int playableAnimations;
    };
    const Expected goodSeeds[] = {
        {"good-small.animesh", 2},       // wave and walk both cover bones 0 to 2
        {"good-variants.animesh", 1},    // walk; a missing file and the model itself fail
        {"good-long-chain.animesh", 2},  // walk twice; wave lacks bones 3 to 104
        {"good-empty-mesh.animesh", 0},  // no animations
        // trimmed sample characters of 21 bones: walk plays; wave lacks bones,
        // and the character's own motion file is not served
        {"sample-cowboy.animesh", 1},
        {"sample-schoolgirl.animesh", 1},
    };
    const auto results = replay("seeds/model", runModelFile);
    for (const Expected& expected : goodSeeds) {
        SCOPED_TRACE(expected.file);
        ASSERT_EQ(results.count(expected.file), 1u);
        const RunResult& result = results.at(expected.file);
        EXPECT_TRUE(result.modelRead);
        EXPECT_EQ(result.playableAnimations, expected.playableAnimations);
    }
    for (const auto& [file, result] : results) {
        EXPECT_EQ(result.modelRead, !startsWith(file, "bad-")) << file;
    }
}

TEST(CorpusReplay, MotionSeedsPlayOrAreRejected) {
    const auto results = replay("seeds/motion", runMotionFile);
    int playing = 0;
    for (const auto& [file, result] : results) {
        ASSERT_TRUE(result.modelRead) << file << ": the fixed model must always load";
        const int expected = startsWith(file, "bad-") ? 0 : 1;
        EXPECT_EQ(result.playableAnimations, expected) << file;
        playing += expected;
    }
    EXPECT_GE(playing, 4);
}

}  // namespace
