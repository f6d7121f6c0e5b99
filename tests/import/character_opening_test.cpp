// Opening other formats directly: converted by the converter program,
// labelled with the file's own animation names, its bones with the file's node
// names, kept in the cache, converted again only when a file it read changes,
// and rebuilt in the same open when an entry is damaged or hostile; a file that
// cannot be converted is one problem naming it.

#include "import/character_opening.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "benchmarks/heap_counter.h"
#include "files/model_binary.h"
#include "import/file_stamp.h"
#include "tests/import/gltf_fixture.h"
#include "tests/support/test_support.h"

using namespace velmora;

namespace fs = std::filesystem;

namespace {

// Two animations, one named with a hyphen of its own; its buffer beside it in
// knight.bin when buffer is given, which receives its bytes.
std::string writeCharacter(const TemporaryFolder& folder, const std::string& name,
                           std::string* buffer = nullptr) {
    GltfFixture fixture = columnFixture(2);
    fixture.animations.push_back({"Walk-Slow", {{1, "translation", {0, 1}, {0, 1, 0, 0, 2, 0}}}});
    fixture.animations.push_back({"Wave", {{1, "translation", {0, 1}, {0, 1, 0, 1, 1, 0}}}});
    if (!buffer) {
        return folder.write(name, fixture.text());
    }
    const std::string text = fixture.text("knight.bin", buffer);
    folder.write("knight.bin", *buffer);
    return folder.write(name, text);
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

// Opens source through cache, waiting for it; converted says whether it was
// converted rather than taken from the cache.
LoadResult openWaiting(const std::string& source, const CharacterCache& cache, bool& converted) {
    CharacterOpening opening(source, cache);
    while (!opening.poll(std::chrono::milliseconds(100), [](const std::string&) {})) {
    }
    converted = opening.converting();
    return opening.load({});
}

// The one entry folder in cacheFolder.
fs::path entryIn(const std::string& cacheFolder) {
    for (const auto& entry : fs::directory_iterator(cacheFolder)) {
        return entry.path();
    }
    return {};
}

// manifest with its model file named name, of bytes' size and sum.
std::string withModelFile(const std::string& manifest, const std::string& name,
                          const std::string& bytes) {
    std::istringstream lines(manifest);
    std::string out;
    char sum[17];
    std::snprintf(sum, sizeof sum, "%016llx",
                  static_cast<unsigned long long>(velmora::checksum(bytes)));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("file ", 0) == 0) {
            line = "file " + std::to_string(bytes.size()) + " " + sum + " " + name;
        } else if (line.rfind("model ", 0) == 0) {
            line = "model " + name;
        }
        out += line;
        out += '\n';
    }
    return out;
}

}  // namespace

TEST(CharacterOpening, ConvertsOnceThenOpensFromTheCacheAndRebuildsADamagedEntry) {
    TemporaryFolder folder;
    // A hyphen in the cache's path must not cut the labels.
    const std::string cacheFolder = folder.path() + "user-cache/velmora";
    const CharacterCache cache(cacheFolder);
    std::string buffer;
    const std::string source = writeCharacter(folder, "knight.gltf", &buffer);
    const struct {
        const char* what;
        std::function<void()> before;
        bool converts;
    } steps[] = {
        {"first open", [] {}, true},
        {"second open", [] {}, false},
        {"damaged entry",
         [&] {
             for (const auto& entry : fs::recursive_directory_iterator(cacheFolder)) {
                 if (entry.path().extension() == kModelBinaryExtension) {
                     fs::resize_file(entry.path(), 10);
                 }
             }
         },
         true},
        {"rebuilt entry", [] {}, false},
        {"a note and a picture beside it",
         [&] {
             folder.write("notes.txt", "to do");
             folder.write("poster.png", smallPng());
         },
         false},
        {"its buffer changed",
         [&] {
             buffer[0] ^= 1;
             folder.write("knight.bin", buffer);
         },
         true},
        {"after the change", [] {}, false},
        {"a clip list appears", [&] { folder.write("knight.clips", "Walk-Slow 0 0\n"); }, true},
        {"after it", [] {}, false},
        {"the clip list changed", [&] { folder.write("knight.clips", "Walk-Slow  0 0\n"); }, true},
        {"the clip list gone", [&] { fs::remove(folder.path() + "knight.clips"); }, true},
        {"after it went", [] {}, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.before();
        bool converted = false;
        const LoadResult result = openWaiting(source, cache, converted);
        EXPECT_EQ(converted, step.converts);
        ASSERT_TRUE(result.modelRead) << reportText(result.problems);
        EXPECT_EQ(reportText(result.problems), "");
        EXPECT_EQ(labelsOf(result.model), (std::vector<std::string>{"Walk-Slow", "Wave"}));
        EXPECT_EQ(namesOf(result.model), (std::vector<std::string>{"joint0", "joint1"}));
        EXPECT_EQ(entriesIn(cacheFolder), 1u) << "a stale entry is replaced";
    }
    EXPECT_EQ(entriesIn(folder.path()), 5u) << "nothing is written beside the user's file";
}

// Entries a hostile hand planted: each is refused and converted again in the
// same open, never read through a link or outside the entry, never written
// through a link.
TEST(CharacterOpening, HostileCacheEntriesAreConvertedAgain) {
    TemporaryFolder folder;
    const std::string cacheFolder = folder.path() + "cache";
    const CharacterCache cache(cacheFolder);
    const std::string source = writeCharacter(folder, "knight.gltf");
    bool converted = false;
    ASSERT_TRUE(openWaiting(source, cache, converted).modelRead);
    const fs::path entry = entryIn(cacheFolder);
    std::string modelName;
    for (const auto& file : fs::directory_iterator(entry)) {
        if (file.path().extension() == kModelBinaryExtension) {
            modelName = file.path().filename().string();
        }
    }
    const std::string manifest = readFile((entry / "manifest").string());
    const std::string model = readFile((entry / modelName).string());
    // A sound copy of the entry's model outside the cache.
    const std::string outside = folder.write("outside.vmodel", model);
    const std::string victim = folder.path() + "victim/";
    fs::create_directory(victim);
    const auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream(entry / name, std::ios::binary | std::ios::trunc) << text;
    };
    const auto replaceWithLink = [&](const fs::path& path, const fs::path& target) {
        fs::remove_all(path);
        fs::create_symlink(target, path);
    };
    const struct {
        const char* what;
        std::function<void()> plant;
        bool needsRoot;
    } rows[] = {
        {"manifest names ../ out of the entry",
         [&] { write("manifest", withModelFile(manifest, "../../outside.vmodel", model)); }, false},
        {"manifest names an absolute path",
         [&] { write("manifest", withModelFile(manifest, outside, model)); }, false},
        {"manifest names a file in a folder",
         [&] {
             fs::create_directory(entry / "sub");
             write("sub/" + modelName, model);
             write("manifest", withModelFile(manifest, "sub/" + modelName, model));
         },
         false},
        {"manifest claims a size beyond any file",
         [&] {
             std::string huge = withModelFile(manifest, modelName, model);
             const std::string size = std::to_string(model.size());
             huge.replace(huge.find("file " + size) + 5, size.size(), "1099511627776");
             write("manifest", huge);
         },
         false},
        {"model file larger than the manifest says",
         [&] { write(modelName, model + std::string(1 << 20, '\0')); }, false},
        {"model fails its check, sums match",
         [&] {
             std::string broken = model;
             // The rate, just after the form's 8-byte mark.
             std::memset(broken.data() + 8, 0, 4);
             write(modelName, broken);
             write("manifest", withModelFile(manifest, modelName, broken));
         },
         false},
        {"manifest is a link",
         [&] { replaceWithLink(entry / "manifest", folder.write("manifest", manifest)); }, false},
        {"model file is a link", [&] { replaceWithLink(entry / modelName, outside); }, false},
        {"entry folder is a link to the user's folder",
         [&] {
             std::ofstream(victim + "manifest") << "precious";
             std::ofstream(victim + modelName) << "precious";
             replaceWithLink(entry, victim);
         },
         false},
        {"entry belongs to another user",
         [&] {
             constexpr uid_t kNobody = 65534;
             for (const auto& file : fs::directory_iterator(entry)) {
                 ASSERT_EQ(lchown(file.path().c_str(), kNobody, kNobody), 0);
             }
             ASSERT_EQ(lchown(entry.c_str(), kNobody, kNobody), 0);
         },
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.needsRoot && geteuid() != 0) {
            std::cout << "skipped (needs root to give files away): " << row.what << '\n';
            continue;
        }
        row.plant();
        const LoadResult result = openWaiting(source, cache, converted);
        EXPECT_TRUE(converted);
        ASSERT_TRUE(result.modelRead) << reportText(result.problems);
        EXPECT_EQ(labelsOf(result.model), (std::vector<std::string>{"Walk-Slow", "Wave"}));
        EXPECT_FALSE(fs::is_symlink(entry));
        EXPECT_TRUE(openWaiting(source, cache, converted).modelRead);
        EXPECT_FALSE(converted) << "the entry is whole again";
    }
    EXPECT_EQ(readFile(victim + "manifest"), "precious");
    EXPECT_EQ(readFile(victim + modelName), "precious");
    EXPECT_EQ(readFile(outside), model);
}

// The conversion is a program of its own, not a copy of its caller: the
// process's name (which stays readable until it is reaped, as it is here only
// by the poll) is the converter's.
TEST(ConversionJob, RunsTheConverterProgram) {
    TemporaryFolder folder;
    ConversionRequest options;
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
    EXPECT_FALSE(cache.find("a", ""));
    EXPECT_TRUE(cache.find("b", ""));
    EXPECT_TRUE(cache.find("c", ""));
}

// The source is checked in pieces: a large one costs no memory of its size,
// and a change to its content alone (size and time kept) makes the entry stale.
TEST(CharacterCache, ChecksTheSourceInPiecesAndByContent) {
    TemporaryFolder folder;
    const CharacterCache cache(folder.path() + "cache");
    constexpr std::size_t kSize = std::size_t{48} << 20;
    const std::string source = folder.write("large.glb", std::string(kSize, 'g'));
    ConvertedCharacter character;
    character.modelFile = "large.vmodel";
    character.files = {{"large.vmodel", "converted"}};
    const int fd = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    character.readFiles = {stampOf(fd).value()};
    close(fd);
    ASSERT_EQ(cache.store("k", character), "");
    resetHeapPeak();
    const std::size_t before = heapCounts().bytesInUse;
    EXPECT_TRUE(cache.find("k", source));
    EXPECT_LT(heapCounts().peakBytes - before, kSize / 16);
    struct stat status;
    ASSERT_EQ(stat(source.c_str(), &status), 0);
    {
        std::fstream file(source, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(kSize / 2);
        file.put('h');
    }
    const timespec times[2] = {status.st_atim, status.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, source.c_str(), times, 0), 0);
    EXPECT_FALSE(cache.find("k", source));
    EXPECT_EQ(entriesIn(folder.path() + "cache"), 0u) << "the stale entry is removed";
}
