// velmora-samples: writes the four sample characters that the viewer offers,
// or, on request, the benchmark model. The output is the same, byte for byte,
// on every run.

#include <functional>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>

#include "command_line/command_line.h"
#include "files/safe_file.h"
#include "tools/samples/character.h"

using namespace velmora;

namespace {

const char* const kUsage =
    "usage: velmora-samples <folder>\n"
    "       velmora-samples --stress <folder>\n"
    "  Writes the sample characters into <folder>/Models/<name>/ (schoolgirl,\n"
    "  tomboy, greaser, cowboy), or with --stress the benchmark model into\n"
    "  <folder>/stress.animesh with its texture and motion files.\n";

void writeInto(const std::function<void(SampleCharacter&)>& describe, const std::string& folder) {
    SampleCharacter character;
    describe(character);
    const std::string target = folder.empty() ? character.name : folder + "/" + character.name;
    writeCharacter(character, target);
}

}  // namespace

int main(int argc, char** argv) {
    ignoreFileSizeSignal();
    std::optional<std::string> folder;
    bool stress = false;
    Arguments::Program program;
    program.name = "velmora-samples";
    program.usage = kUsage;
    program.namesReason = false;
    program.options = {{"--stress", false, [&stress](const std::string&) {
                            stress = true;
                            return Arguments::Refusal();
                        }}};
    program.takeOperand = [&folder](const std::string& argument) -> Arguments::Refusal {
        if (folder) {
            return "more than one folder given";
        }
        if (argument.empty()) {
            return "an empty folder name";
        }
        folder = argument;
        return {};
    };
    program.check = [&folder]() -> Arguments::Refusal { return folder ? "" : "no folder given"; };
    if (const auto status = Arguments::handle(program, argc, argv)) {
        return *status;
    }
    try {
        if (stress) {
            SampleCharacter character;
            describeStressModel(character);
            writeCharacter(character, *folder);
            return 0;
        }
        const std::string models = *folder + "/Models";
        for (const auto& describe :
             {describeSchoolGirl, describeTomboy, describeGreaser, describeCowboy}) {
            writeInto(describe, models);
        }
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "velmora-samples: " << error.what() << "\n";
        return 1;
    }
}
