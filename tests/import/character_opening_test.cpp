// Opening other formats directly: converted by the converter program, labelled
// with the file's own animation names, its bones with the file's node names,
// kept in the cache and rebuilt when damaged;
// a file that cannot be converted is one problem naming it.

#include "import/character_opening.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "files/model_binary.h"
#include "tests/import/gltf_fixture.h"
#include "tests/support/test_support.h"

using namespace velmora;

namespace fs = std::filesystem;

namespace {

// Two animations, one named with a hyphen of its own.
std::string writeCharacter(const TemporaryFolder& folder, const std::string& name) {
    GltfFixture fixture = columnFixture(2);
    fixture.animations.push_back({"Walk-Slow", {{1, "translation", {0, 1}, {0, 1, 0, 0, 2, 0}}}});
    fixture.animations.push_back({"Wave", {{1, "translation", {0, 1}, {0, 1, 0, 1, 1, 0}}}});
    return folder.write(name, fixture.text());
}

std::vector<std::string> labelsOf(const Model& model) {
    std::vector<std::string> labels;
    for (const Animation& animation : model.animations) {
        labels.push_back(animationLabel(animation.name));
    }
    return labels;
}

// The names of the occupied bone slots, in slot order.
std::vector<std::string> namesOf(const Model& model) {
    std::vector<std::string> names;
    for (const auto& bone : model.bones) {
        if (bone) {
            names.push_back(bone->name);
        }
    }
    return names;
}

std::size_t entriesIn(const std::string& folder) {
    std::error_code ignored;
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder, ignored), fs::directory_iterator()));
}

}  // namespace

TEST(CharacterOpening, ConvertsOnceThenOpensFromTheCacheAndRebuildsADamagedEntry) {
    TemporaryFolder folder;
    // A hyphen in the cache's path must not cut the labels.
    const std::string cacheFolder = folder.path() + "user-cache/velmora";
    const CharacterCache cache(cacheFolder);
    const std::string source = writeCharacter(folder, "knight.gltf");
    const auto open = [&](bool expectConversion) {
        CharacterOpening opening(source, cache);
        EXPECT_EQ(opening.converting(), expectConversion);
        while (!opening.poll(std::chrono::milliseconds(100), [](const std::string&) {})) {
        }
        return opening.load({});
    };
    const struct {
        const char* what;
        std::function<void()> before;
        bool converts;
        std::size_t entries;
    } steps[] = {
        {"first open", [] {}, true, 1},
        {"second open", [] {}, false, 1},
        {"damaged entry",
         [&] {
             for (const auto& entry : fs::recursive_directory_iterator(cacheFolder)) {
                 if (entry.path().extension() == kModelBinaryExtension) {
                     fs::resize_file(entry.path(), 10);
                 }
             }
         },
         true, 1},
        {"rebuilt entry", [] {}, false, 1},
        {"a buffer beside it changed", [&] { folder.write("knight.bin", "newer"); }, true, 2},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.before();
        const LoadResult result = open(step.converts);
        ASSERT_TRUE(result.modelRead) << reportText(result.problems);
        EXPECT_EQ(reportText(result.problems), "");
        EXPECT_EQ(labelsOf(result.model), (std::vector<std::string>{"Walk-Slow", "Wave"}));
        EXPECT_EQ(namesOf(result.model), (std::vector<std::string>{"joint0", "joint1"}));
        EXPECT_EQ(entriesIn(cacheFolder), step.entries);
    }
    EXPECT_EQ(entriesIn(folder.path()), 3u) << "nothing is written beside the user's file";
}

// The conversion is a program of its own, not a copy of its caller: the
// process's name (which stays readable until it is reaped, as it is here only
// by the poll) is the converter's.
TEST(ConversionJob, RunsTheConverterProgram) {
    TemporaryFolder folder;
    ImportOptions options;
    options.inputPath = writeCharacter(folder, "knight.gltf");
    ConversionJob job(options, defaultContainmentLimits(), ConvertedForm::Model);
    std::istringstream status(readFile("/proc/" + std::to_string(job.processId()) + "/stat"));
    std::string pid;
    std::string name;
    status >> pid >> name;
    EXPECT_EQ(name, "(" + fs::path(converterProgram()).filename().string() + ")");
    EXPECT_EQ(fs::path(converterProgram()).filename(), "velmora-convert");
    while (!job.poll(std::chrono::milliseconds(100), [](const std::string&) {})) {
    }
    const ContainedConversion conversion = job.result();
    EXPECT_EQ(conversion.status, ContainedConversion::Status::Converted) << conversion.problem;
    EXPECT_TRUE(loadConverted(conversion.character, {}).modelRead);
}

TEST(CharacterOpening, ModelFilesLoadDirectlyAndUnconvertibleFilesAreOneProblem) {
    TemporaryFolder folder;
    const CharacterCache cache(folder.path() + "cache");
    std::map<std::string, std::string> figure;
    const std::string model = addFigure(figure, folder.path());
    for (const auto& [path, text] : figure) {
        folder.write(fs::path(path).filename().string(), text);
    }
    folder.write(kFigureTexture, smallPng());
    const std::string noise = folder.write("noise.fbx", std::string(4096, '\x17'));
    const struct {
        std::string path;
        bool read;
        std::string problem;
    } rows[] = {
        {model, true, ""},
        {noise, false, noise + ": "},
        {folder.path() + "absent.glb", false, "Failed to open \"" + folder.path() + "absent.glb"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        const LoadResult result = openCharacterFile(row.path, {}, cache, [](const std::string&) {});
        EXPECT_EQ(result.modelRead, row.read);
        if (!row.read) {
            ASSERT_EQ(result.problems.size(), 1u);
            EXPECT_EQ(result.problems[0].message.rfind(row.problem, 0), 0u)
                << result.problems[0].message;
        }
    }
    EXPECT_EQ(entriesIn(folder.path() + "cache"), 0u);
}

TEST(CharacterCache, KeepsWithinItsBoundByDroppingTheOldest) {
    TemporaryFolder folder;
    const CharacterCache cache(folder.path() + "cache", 2500);
    ConvertedCharacter character;
    character.modelFile = "c.animesh";
    character.files = {{"c.animesh", std::string(1000, 'x')}};
    for (const char* key : {"a", "b", "c"}) {
        EXPECT_EQ(cache.store(key, character), "");
    }
    EXPECT_FALSE(cache.find("a"));
    EXPECT_TRUE(cache.find("b"));
    EXPECT_TRUE(cache.find("c"));
}
