// velmora-info end to end: the test figure written to a folder, the real program
// run on it, its output compared with what the figure must give.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <stdexcept>

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
