#pragma once
// The command line of velmora-import.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "command_line/command_line.h"

namespace velmora {
inline namespace importer {

struct ImportOptions {
    std::string inputPath;
    // Empty: ./<name>/.
    std::string outputFolder;
    // Empty: taken from the input file's name.
    std::string name;
    int32_t rate = 30;
    // 0 keeps the file's own size and place.
    double height = 75.0;
    // Empty: every animation of the file.
    std::vector<std::string> animations;
    // Replace a character already in the folder.
    bool force = false;
    // Leaves the character facing as the file has it instead of turning it
    // towards the viewer's reset camera (towards -z).
    bool keepFacing = false;
};

extern const char* const kImportUsage;

// The table of velmora-import's command line, taking into options.
Arguments::Program importProgram(ImportOptions& options);

}  // namespace importer
}  // namespace velmora
