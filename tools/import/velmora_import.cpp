// velmora-import: converts a skinned, animated character from any format the
// Open Asset Import Library reads into the viewer's model, texture and motion
// files. The conversion runs in the converter program (velmora-convert), with
// limits on memory and time and confined to reading the input's folder, so that
// a crash or hang of the library on a hostile file is one message.
// Exit status 0 on success, 1 when the input cannot be converted or the output
// cannot be written (nothing is written then), 2 on bad arguments.

#include <iostream>

#include "files/safe_file.h"
#include "import/conversion.h"
#include "import/import_log.h"
#include "tools/import/import_options.h"

using namespace velmora;

int main(int argc, char** argv) {
    ignoreFileSizeSignal();
    ImportOptions options;
    if (const auto status = Arguments::handle(importProgram(options), argc, argv)) {
        return *status;
    }
    const ContainedConversion conversion =
        convertContained(options.request, defaultContainmentLimits(),
                         [](const std::string& line) { std::cerr << line << std::endl; });
    switch (conversion.status) {
        case ContainedConversion::Status::BadArguments:
            std::cerr << "velmora-import: " << conversion.problem << std::endl;
            return 2;
        case ContainedConversion::Status::BadInput:
            std::cerr << "velmora-import: " << conversion.problem << std::endl;
            return 1;
        case ContainedConversion::Status::Converted:
            break;
    }
    const ConvertedCharacter& character = conversion.character;
    const WriteResult written =
        writeFileSet(character.folder, character.files,
                     options.force ? ExistingFiles::Replace : ExistingFiles::Keep);
    if (!written) {
        std::cerr << "velmora-import: " << written.problem
                  << (written.existed ? "; --force replaces the character there" : "") << std::endl;
        return 1;
    }
    std::cerr << "velmora-import: wrote " << character.folder << "/" << character.modelFile << " ("
              << counted(character.animationCount, "animation", "animations") << ")" << std::endl;
    return 0;
}
