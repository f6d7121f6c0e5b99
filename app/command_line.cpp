#include "app/command_line.h"

#include "app/viewer.h"

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine commandLine;
    for (const std::string& argument : arguments) {
        if (argument == "--help") {
            return CommandLine{CommandLine::Action::ShowUsage, std::nullopt};
        }
        if (argument.empty() || argument[0] == '-' || commandLine.modelPath ||
            argument.size() > kMaxChosenPathBytes) {
            commandLine.action = CommandLine::Action::UsageError;
        } else {
            commandLine.modelPath = argument;
        }
    }
    if (commandLine.action == CommandLine::Action::UsageError) {
        commandLine.modelPath.reset();
    }
    return commandLine;
}

std::string usageText() {
    return std::string(
               "usage: velmora [model.animesh]\n"
               "  Plays the animations of a skinned character model: the file given, or\n"
               "  ") +
           kSampleModels[0].path +
           " under the working directory.\n"
           "  The right mouse button opens the menu. Keys:\n"
           "ESC: Quit. \n" +
           helpBoxText();
}
