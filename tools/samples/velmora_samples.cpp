// velmora-samples: writes the four sample characters that the viewer offers,
// or, on request, the benchmark model. The output is the same, byte for byte,
// on every run.

#include <functional>
#include <iostream>
#include <stdexcept>
#include <string>

#include "tools/samples/character.h"

namespace {

const char* const kUsage =
    "usage: velmora-samples <folder>\n"
    "       velmora-samples --stress <folder>\n"
    "  Writes the sample characters into <folder>/Models/<name>/ (schoolgirl,\n"
    "  tomboy, greaser, cowboy), or with --stress the benchmark model into\n"
    "  <folder>/stress.animesh with its texture and motion files.\n";

void writeInto(const std::function<void(Character&)>& describe, const std::string& folder) {
    Character character;
    describe(character);
    const std::string target = folder.empty() ? character.name : folder + "/" + character.name;
    writeCharacter(character, target);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string first = argc > 1 ? argv[1] : "";
    try {
        if (argc == 2 && first != "--help" && first != "--stress") {
            const std::string models = first + "/Models";
            for (const auto& describe :
                 {describeSchoolGirl, describeTomboy, describeGreaser, describeCowboy}) {
                writeInto(describe, models);
            }
            return 0;
        }
        if (argc == 3 && first == "--stress") {
            const std::string folder = argv[2];
            Character character;
            describeStressModel(character);
            writeCharacter(character, folder);
            return 0;
        }
    } catch (const std::exception& error) {
        std::cerr << "velmora-samples: " << error.what() << "\n";
        return 1;
    }
    (first == "--help" ? std::cout : std::cerr) << kUsage;
    return first == "--help" ? 0 : 2;
}
