#pragma once
// The viewer's command line: --unpaced, --compare and one model file, all
// optional.

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
    // The character to compare the model with (Viewer::openComparison).
    std::optional<std::string> comparePath;
    // Files whose animations of the same skeleton are added to the character's.
    std::vector<std::string> clipFiles;
};

// The viewer's table, taking into commandLine. A model path is any argument that
// does not start with '-' and is short enough for the file dialog, as is the
// value of --compare; a second one, an empty one or any other option is a
// usage error, which prints the usage alone.
Arguments::Program viewerProgram(CommandLine& commandLine);

}  // namespace app
}  // namespace velmora
