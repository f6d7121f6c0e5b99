// velmora-info end to end: the test figure written to a folder, the real program
// run on it, its output compared with what the figure must give; characters
// with planted faults, checked, against what was planted.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

#include "files/model_writer.h"
#include "files/png_image.h"
#include "tests/support/test_support.h"

using namespace velmora;

namespace {

// The figure in folder/figure/ with a 4 x 2 RGB texture; the program runs in
// folder, so every path it prints is relative and free of the folder's name.
class Info : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(folder_.path() + "figure");
        std::map<std::string, std::string> files;
        addFigure(files, "figure/");
        files["figure/skin.png"] = encodePng({4, 2, 3, std::vector<uint8_t>(24, 128)});
        for (const auto& [name, text] : files) {
            folder_.write(name, text);
        }
    }

    ProgramRun run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), VELMORA_INFO_PROGRAM);
        return runProgram(arguments, folder_.path());
    }

    void write(const std::string& name, const std::string& text) { folder_.write(name, text); }
    const std::string& folderPath() const { return folder_.path(); }

  private:
    TemporaryFolder folder_;
};

// The numbers after label on the output line that begins with it; words between
// them are passed over.
std::vector<double> numbers(const std::string& output, const std::string& label) {
    std::istringstream lines(output);
    std::vector<double> values;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(label, 0) == 0) {
            std::istringstream words(line.substr(label.size()));
            for (std::string word; words >> word;) {
                std::size_t used = 0;
                try {
                    const double value = std::stod(word, &used);
                    if (used == word.size()) {
                        values.push_back(value);
                    }
                } catch (const std::invalid_argument&) {
                }
            }
        }
    }
    return values;
}

void expectNumbers(const std::string& output, const std::string& label,
                   const std::vector<double>& expected) {
    const std::vector<double> actual = numbers(output, label);
    ASSERT_EQ(actual.size(), expected.size()) << label << "\n" << output;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(actual[i], expected[i], 1e-12) << label << " number " << i + 1;
    }
}

}  // namespace

TEST_F(Info, PrintsWhatWasRead) {
    const ProgramRun info = run({"figure/figure.animesh"});
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.errors, "");
    EXPECT_EQ(info.output,
              "file: figure/figure.animesh\n"
              "playback rate: 10\n"
              "vertices: 4\n"
              "influences: 5\n"
              "mapping coordinates: 4\n"
              "faces: 2\n"
              "bones: 3\n"
              "root bone: 0\n"
              "texture: figure/skin.png (4x2, 3 channels)\n"
              "animations: 2\n"
              "animation 1: walk.motion | frames 2 | tracks 3 | figure/figure-walk.motion\n"
              "animation 2: wave.motion | frames 1 | tracks 3 | figure/figure-wave.motion\n");
}

// The walk at 10 frames per second, 2 frames: 50 ms blends halfway from frame 0
// to 1, 150 ms holds the last frame. The wave has a single frame.
TEST_F(Info, RunsThePipelineAtTheClockReadingGiven) {
    const double h = std::sqrt(0.5);
    using Lines = std::vector<std::pair<std::string, std::vector<double>>>;
    const std::pair<std::vector<std::string>, Lines> cases[] = {
        {{"--at", "50"},
         {{"frames:", {0, 1, 0.5}},
          {"bone 0:", {1, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 0}},
          {"bone 1:", {h, -h, 0, 1, h, h, 0, 1, 0, 0, 1, 0}},
          {"vertex 1:", {1 + h, 1 + h, 0}},
          {"vertex 2:", {1 - 0.5 * h, 0.5 * (h - 1), 0}}}},
        {{"--at", "150"},
         {{"frames:", {1, 1, 0.5}},
          {"bone 0:", {1, 0, 0, 2, 0, 1, 0, 0, 0, 0, 1, 0}},
          {"bone 1:", {0, -1, 0, 2, 1, 0, 0, 1, 0, 0, 1, 0}},
          {"vertex 1:", {2, 2, 0}},
          {"vertex 2:", {1.5, -0.5, 0}}}},
        {{"--at", "70", "--animation", "2"},
         {{"frames:", {0, 0, 0.7}},
          {"bone 2:", {1, 0, 0, 0, 0, 1, 0, -1, 0, 0, 1, 0}},
          {"vertex 3:", {1, 0, 0}}}},
    };
    for (const auto& [options, lines] : cases) {
        std::vector<std::string> arguments = {"figure/figure.animesh"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        SCOPED_TRACE(options[1] + " ms");
        const ProgramRun info = run(arguments);
        ASSERT_EQ(info.status, 0) << info.errors;
        for (const auto& [label, expected] : lines) {
            expectNumbers(info.output, label, expected);
        }
    }
}

TEST_F(Info, ReportsFilesItCannotUse) {
    write("figure/broken.animesh", replaceLine(kFigureModel, 23, "1 0 again"));
    write("figure/plain.animesh", replaceLine(kFigureModel, 31, "Texture: absent.png"));
    write("figure/bad-walk.animesh", replaceLine(kFigureModel, 34, "bad-walk.motion"));
    write("figure/bad-walk.motion", replaceLine(kFigureWalk, 11, "Frames: 3"));
    struct Case {
        std::vector<std::string> arguments;
        int status;
        const char* errors;  // the whole of standard error
        const char* output;  // a line of standard output, or nullptr: none at all
    };
    const Case cases[] = {
        {{"figure/broken.animesh"},
         1,
         "velmora-info: figure/broken.animesh:23: bone 1 is listed twice\n",
         nullptr},
        {{"absent.animesh"}, 1, "velmora-info: Failed to open \"absent.animesh\"\n", nullptr},
        {{"absent.gltf"}, 1, "velmora-info: Failed to open \"absent.gltf\"\n", nullptr},
        {{"figure/plain.animesh"},
         0,
         "velmora-info: Failed to open \"figure/absent.png\"\n",
         "texture: figure/absent.png (unreadable)\n"},
        {{"figure/bad-walk.animesh", "--at", "10"},
         1,
         "velmora-info: figure/bad-walk.motion:11: frame count 3 of bone 1 differs from the 2 "
         "frames of the blocks before\n"
         "velmora-info: animation 1 cannot be played: frame count 3 of bone 1 differs from the 2 "
         "frames of the blocks before\n",
         "animation 1: walk.motion | frames 0 | tracks 0 | figure/bad-walk.motion\n"},
        {{"figure/figure.animesh", "--at", "10", "--animation", "3"},
         1,
         "velmora-info: the model has no animation 3\n",
         "animations: 2\n"},
        {{"--check", "absent.animesh"},
         1,
         "velmora-info: Failed to open \"absent.animesh\"\n",
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[0]);
        const ProgramRun info = run(c.arguments);
        EXPECT_EQ(info.status, c.status);
        EXPECT_EQ(info.errors, c.errors);
        if (c.output) {
            EXPECT_NE(info.output.find(c.output), std::string::npos) << info.output;
        } else {
            EXPECT_EQ(info.output, "");
        }
    }
}

// Unknown options, missing values and their answers are the shared parser's
// (command_line_test); these are velmora-info's own refusals.
TEST_F(Info, RefusesArgumentsItDoesNotKnow) {
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"figure/figure.animesh", "--at", "soon"},
        {"figure/figure.animesh", "--at", "-5"},
        {"figure/figure.animesh", "--animation", "1"},
        {"figure/figure.animesh", "figure/figure.animesh"},
        {"--check", "--max-influences", "0", "figure/figure.animesh"},
        {"--check", "--max-influences", "many", "figure/figure.animesh"},
        {"--max-influences", "4", "figure/figure.animesh"},
        {"--json", "--at", "5", "figure/figure.animesh"},
    };
    for (const auto& arguments : wrong) {
        SCOPED_TRACE(::testing::PrintToString(arguments));
        const ProgramRun info = run(arguments);
        EXPECT_EQ(info.status, 2);
        EXPECT_EQ(info.errors.rfind("usage: velmora-info", 0), 0u) << info.errors;
        EXPECT_EQ(info.output, "");
    }
    const ProgramRun help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("usage: velmora-info", 0), 0u);
}

// Under a limit on the address space a gigabyte texture and a gigabyte motion
// file are refused from their sizes, with the rest of the model still read:
// no allocation failure ends the program.
TEST_F(Info, UnderAMemoryLimitOversizedFilesAreRefused) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit allows";
#endif
    std::string model = replaceLine(kFigureModel, 31, "Texture: huge.png");
    model = replaceLine(model, 35, "huge.motion");
    write("figure/huge.animesh", model);
    for (const char* name : {"figure/huge.png", "figure/huge.motion"}) {
        write(name, "");
        std::filesystem::resize_file(std::filesystem::path(folderPath()) / name, 1ull << 30);
    }
    const ProgramRun info = runProgram(
        {"/bin/sh", "-c",
         std::string("ulimit -v 1000000 && exec ") + VELMORA_INFO_PROGRAM + " figure/huge.animesh"},
        folderPath());
    EXPECT_EQ(info.status, 0) << info.errors;
    EXPECT_EQ(info.errors,
              "velmora-info: Failed to open \"figure/huge.png\"\n"
              "velmora-info: Failed to open \"huge.motion\"\n");
    EXPECT_NE(info.output.find("texture: figure/huge.png (its 1073741824 bytes are more than"),
              std::string::npos)
        << info.output;
}

TEST_F(Info, JsonHoldsWhatTheTextSaysWithTheBones) {
    const ProgramRun info = run({"--json", "figure/figure.animesh"});
    ASSERT_EQ(info.status, 0) << info.errors;
    EXPECT_EQ(nlohmann::json::parse(info.output), nlohmann::json::parse(R"({
        "file": "figure/figure.animesh", "playbackRate": 10, "vertices": 4, "influences": 5,
        "mappingCoordinates": 4, "faces": 2, "rootBone": 0,
        "texture": {"file": "figure/skin.png", "width": 4, "height": 2, "channels": 3},
        "animations": [
            {"label": "walk.motion", "keys": 2, "tracks": 3, "file": "figure/figure-walk.motion"},
            {"label": "wave.motion", "keys": 1, "tracks": 3, "file": "figure/figure-wave.motion"}],
        "bones": [{"index": 0, "parent": null, "name": null},
                  {"index": 1, "parent": 0, "name": null},
                  {"index": 2, "parent": 0, "name": null}]})"));
}

namespace {

constexpr int kKeys = 13;

Keyframe& key(Model& model, int bone, int k) {
    return model.animations[1].tracks[bone]->keys[k];
}

// degrees about z.
Geometry::Quaternion turn(double degrees) {
    const double half = Geometry::radians(degrees) / 2;
    return {std::cos(half), 0, 0, std::sin(half)};
}

// A stick ten units tall: bone 1 hangs from the root bone 0, two vertices
// on each, two faces, and two animations of kKeys keys (the second for faults
// to be planted in) in which bone 1 sways 4 degrees either way about z, a
// sine over the loop, in steps of at most about 2 degrees; the last key
// equals the first.
Model stick() {
    Model model;
    model.playbackRate = 30;
    model.bones[0] = std::make_unique<Bone>();
    model.bones[1] = std::make_unique<Bone>();
    model.bones[0]->children = {1};
    model.influenceCounts = {1, 1, 1, 1};
    model.influences = {
        {{0, 0, 0}, 0, 1}, {{1, 0, 0}, 0, 1}, {{0, 10, 0}, 1, 1}, {{1, 10, 0}, 1, 1}};
    model.mappingCoords = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    model.faces = {{{0, 1, 2}, {0, 1, 2}}, {{1, 3, 2}, {1, 3, 2}}};
    for (int a = 0; a < 2; ++a) {
        Animation& animation = model.animations.emplace_back();
        animation.frameCount = kKeys;
        for (const int bone : {0, 1}) {
            animation.tracks[bone] = std::make_unique<BoneTrack>();
            for (int k = 0; k < kKeys; ++k) {
                const double sway = bone * 4 * std::sin(2 * Geometry::kPi * k / (kKeys - 1));
                animation.tracks[bone]->keys.push_back({turn(sway), {}});
            }
        }
    }
    return model;
}

// The findings of one --check --json run against the expected ones: the same
// fields, each value within 0.01.
void expectFindings(const nlohmann::json& actual, const nlohmann::json& expected) {
    ASSERT_EQ(actual.size(), expected.size()) << actual.dump();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        nlohmann::json a = actual[i];
        nlohmann::json e = expected[i];
        if (e.contains("value")) {
            ASSERT_TRUE(a.contains("value") && a["value"].is_number()) << a.dump();
            EXPECT_NEAR(a["value"].get<double>(), e["value"].get<double>(), 0.01) << a.dump();
            a.erase("value");
            e.erase("value");
        }
        EXPECT_EQ(a, e);
    }
}

}  // namespace

TEST_F(Info, CheckFindsWhatWasPlantedAndNothingElse) {
    const auto steadily = [](int bone, double degrees, Geometry::Vector3 step) {
        return [=](Model& model) {
            for (int k = 0; k < kKeys; ++k) {
                key(model, bone, k) = {turn(degrees * k), double(k) * step};
            }
        };
    };
    const auto fiveInfluences = [](Model& model) {
        model.influenceCounts[3] = 5;
        model.influences.back().weight = 0.2;
        model.influences.insert(model.influences.end(), 4, model.influences.back());
    };
    const struct {
        const char* name;
        std::function<void(Model&)> plant;
        std::vector<std::string> options;
        const char* expected;
    } rows[] = {
        {"clean", [](Model&) {}, {}, "[]"},
        {"unweighted vertex",
         [](Model& m) {
             m.influenceCounts[2] = 0;
             m.influences.erase(m.influences.begin() + 2);
         },
         {},
         R"([{"kind": "unweighted-vertex", "vertex": 2}])"},
        {"weight sum",
         [](Model& m) { m.influences[1].weight = 0.5; },
         {},
         R"([{"kind": "weight-sum", "vertex": 1, "value": 0.5}])"},
        {"many influences",
         fiveInfluences,
         {},
         R"([{"kind": "many-influences", "vertex": 3, "value": 5}])"},
        {"five influences, five allowed", fiveInfluences, {"--max-influences", "5"}, "[]"},
        {"degenerate face",
         [](Model& m) { m.faces[1].vertexIndex[1] = 2; },
         {},
         R"([{"kind": "degenerate-face", "face": 1}])"},
        {"non-unit rotation",
         [](Model& m) { key(m, 1, 4).rotation = key(m, 1, 4).rotation * 1.5; },
         {},
         R"([{"kind": "non-unit-rotation", "animation": 2, "bone": 1, "key": 4, "value": 1.5}])"},
        {"steady fast turn, 30 degrees a key", steadily(1, 30, {}), {}, "[]"},
        // The sway is 2 degrees at key 5, 0 at 6 and -2 at 7.
        {"a key turned 90 degrees out of place",
         [](Model& m) { key(m, 1, 6).rotation = turn(90); },
         {},
         R"([{"kind": "rotation-jump", "animation": 2, "bone": 1, "key": 5, "value": 88},
             {"kind": "rotation-jump", "animation": 2, "bone": 1, "key": 6, "value": 92}])"},
        {"a key moved 3 units, the stick 10 tall",
         [](Model& m) {
             key(m, 1, 6).translation = {3, 0, 0};
         },
         {},
         R"([{"kind": "translation-jump", "animation": 2, "bone": 1, "key": 5, "value": 3},
             {"kind": "translation-jump", "animation": 2, "bone": 1, "key": 6, "value": 3}])"},
        {"turning 3 degrees a key, the loop does not close",
         steadily(1, 3, {}),
         {},
         R"([{"kind": "loop-seam", "animation": 2, "bone": 1, "key": 12, "value": 36}])"},
        {"moving 0.2 units a key, the loop does not close",
         steadily(0, 0, {0.2, 0, 0}),
         {},
         R"([{"kind": "loop-seam", "animation": 2, "bone": 0, "key": 12, "value": 2.4}])"},
    };
    std::filesystem::create_directory(folderPath() + "stick");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Model model = stick();
        row.plant(model);
        write("stick/stick.animesh", modelText(model, "skin.png", {"stick-1", "stick-2"}));
        write("stick/stick-1", motionText(model.animations[0]));
        write("stick/stick-2", motionText(model.animations[1]));
        write("stick/skin.png", smallPng());
        const nlohmann::json expected = nlohmann::json::parse(row.expected);
        std::vector<std::string> arguments = {"--check", "stick/stick.animesh"};
        arguments.insert(arguments.end(), row.options.begin(), row.options.end());
        const ProgramRun text = run(arguments);
        arguments.push_back("--json");
        const ProgramRun json = run(arguments);
        const int status = expected.empty() ? 0 : 3;
        EXPECT_EQ(text.status, status) << text.errors;
        ASSERT_EQ(json.status, status) << json.errors;
        expectFindings(nlohmann::json::parse(json.output).at("findings"), expected);
        std::istringstream lines(text.output);
        for (const auto& finding : expected) {
            std::string line;
            std::getline(lines, line);
            EXPECT_EQ(
                line.rfind("stick/stick.animesh: " + finding["kind"].get<std::string>() + ": ", 0),
                0u)
                << line;
        }
        std::string extra;
        EXPECT_FALSE(std::getline(lines, extra)) << text.output;
    }
}

TEST(InfoCheck, TheSamplesHaveNoFindings) {
    for (const std::string name : {"schoolgirl", "tomboy", "greaser", "cowboy"}) {
        const ProgramRun check = runProgram(
            {VELMORA_INFO_PROGRAM, "--check", "Models/" + name + "/" + name + ".animesh"},
            VELMORA_SAMPLES_FOLDER);
        EXPECT_EQ(check.status, 0) << name << "\n" << check.output << check.errors;
    }
}

TEST_F(Info, DiffFindsWhatWasPlantedWithItsExitStatus) {
    std::filesystem::create_directory(folderPath() + "stick");
    write("stick/skin.png", smallPng());
    const auto writeStick = [this](const std::string& name, const Model& model) {
        write("stick/" + name + ".animesh",
              modelText(model, "skin.png", {name + "-1", name + "-2"}));
        write("stick/" + name + "-1", motionText(model.animations[0]));
        write("stick/" + name + "-2", motionText(model.animations[1]));
    };
    writeStick("a", stick());
    writeStick("same", stick());
    Model turned = stick();
    key(turned, 1, 4).rotation = Geometry::Quaternion(std::cos(Geometry::radians(2.5)),
                                                      std::sin(Geometry::radians(2.5)), 0, 0) *
                                 key(turned, 1, 4).rotation;
    writeStick("turned", turned);
    Model more = stick();
    more.bones[2] = std::make_unique<Bone>();
    more.bones[1]->children = {2};
    for (Animation& animation : more.animations) {
        animation.tracks[2] = std::make_unique<BoneTrack>(*animation.tracks[1]);
    }
    writeStick("more", more);
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        int status;
        const char* output;  // the start of standard output
    } rows[] = {
        {"identical",
         {"stick/same.animesh"},
         0,
         "0 of 52 differences exceed 0.1 degrees or 0.01 units"},
        {"turned 5 degrees",
         {"stick/turned.animesh"},
         3,
         "animation 2, key 4, bone 1: 5 degrees, 0 units\n1 of 52 differences exceed"},
        {"turned, within 6 degrees",
         {"stick/turned.animesh", "--threshold", "6"},
         0,
         "0 of 52 differences exceed 6 degrees or 0.01 units; largest angle 5 degrees"},
        {"turned, the first animation only",
         {"stick/turned.animesh", "--animation", "1"},
         0,
         "0 of 26 differences exceed"},
        {"another bone",
         {"stick/more.animesh"},
         1,
         "skeletons differ: stick/a.animesh has 2 bones, stick/more.animesh has 3\n"},
        {"no animation 3", {"stick/same.animesh", "--animation", "3"}, 1, ""},
        {"B absent", {"stick/absent.animesh"}, 1, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> arguments = {"--diff", "stick/a.animesh"};
        arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
        const ProgramRun text = run(arguments);
        EXPECT_EQ(text.status, row.status) << text.errors;
        EXPECT_EQ(text.output.rfind(row.output, 0), 0u) << text.output;
        EXPECT_EQ(text.errors.empty(), row.status != 1 || *row.output) << text.errors;
    }
    const ProgramRun json = run({"--diff", "--json", "stick/a.animesh", "stick/turned.animesh"});
    ASSERT_EQ(json.status, 3) << json.errors;
    const nlohmann::json diff = nlohmann::json::parse(json.output);
    EXPECT_EQ(diff.at("compared"), 52);
    EXPECT_EQ(diff.at("exceeding"), 1);
    EXPECT_EQ(diff.at("uncompared"), nlohmann::json::array());
    EXPECT_NEAR(diff.at("thresholds").at("degrees").get<double>(), 0.1, 1e-12);
    EXPECT_NEAR(diff.at("thresholds").at("distance").get<double>(), 0.01, 1e-12);
    EXPECT_NEAR(diff.at("largestDegrees").get<double>(), 5, 1e-9);
    EXPECT_EQ(diff.at("largestDistance"), 0);
    ASSERT_EQ(diff.at("differences").size(), 52u);
    nlohmann::json first = diff["differences"][0];
    EXPECT_NEAR(first.at("degrees").get<double>(), 5, 1e-9);
    first.erase("degrees");
    EXPECT_EQ(first,
              nlohmann::json::parse(
                  R"({"animation": 2, "key": 4, "bone": 1, "distance": 0, "exceeds": true})"));
    for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
             {"--diff", "stick/a.animesh"},
             {"--diff", "--threshold", "-1", "stick/a.animesh", "stick/same.animesh"},
             {"--diff", "--animation", "0", "stick/a.animesh", "stick/same.animesh"},
             {"--diff", "--check", "stick/a.animesh", "stick/same.animesh"},
             {"--distance", "1", "stick/a.animesh"},
         }) {
        EXPECT_EQ(run(wrong).status, 2) << ::testing::PrintToString(wrong);
    }
}
