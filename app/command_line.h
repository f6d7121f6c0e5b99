#pragma once
// The viewer's command line: --unpaced and one model file, both optional.

#include <optional>
#include <string>
#include <vector>

#include "command_line/command_line.h"

namespace velmora {
inline namespace app {

struct CommandLine {
    // Loaded at start-up instead of the first sample model.
    std::optional<std::string> modelPath;
    // Draw frames back to back, as fast as they come, rather than paced to the
    // display and only while something changes (for measurements).
    bool unpaced = false;
    // Files whose animations of the same skeleton are added to the character's.
    std::vector<std::string> clipFiles;
};

// The viewer's table, taking into commandLine. A model path is any argument that
// does not start with '-' and is short enough for the file dialog; a second one,
// an empty one or any option but --unpaced is a usage error, which prints the
// usage alone.
Arguments::Program viewerProgram(CommandLine& commandLine);

}  // namespace app
}  // namespace velmora
