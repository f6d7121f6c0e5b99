#pragma once
// The viewer's command line: nothing, one model file, or --help.

#include <optional>
#include <string>
#include <vector>

struct CommandLine {
    enum class Action { Run, ShowUsage, UsageError };
    Action action = Action::Run;
    // Loaded at start-up instead of the first sample model.
    std::optional<std::string> modelPath;
};

// arguments without the program name. A model path is any argument that does
// not start with '-' and is short enough for the file dialog; a second one, an
// empty one or any other option is a usage error.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// What --help prints, with the keys.
std::string usageText();
