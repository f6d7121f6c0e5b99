#pragma once
// The viewer's command line: nothing or one model file.

#include <optional>
#include <string>

#include "command_line/command_line.h"

namespace velmora {
inline namespace app {

struct CommandLine {
    // Loaded at start-up instead of the first sample model.
    std::optional<std::string> modelPath;
};

// The viewer's table, taking into commandLine. A model path is any argument that
// does not start with '-' and is short enough for the file dialog; a second one,
// an empty one or any option is a usage error, which prints the usage alone.
Arguments::Program viewerProgram(CommandLine& commandLine);

}  // namespace app
}  // namespace velmora
