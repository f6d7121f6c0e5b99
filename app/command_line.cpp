#include "app/command_line.h"

#include "app/viewer.h"
#include "command_line/values.h"

namespace velmora {
inline namespace app {

namespace {

std::string usageText() {
    return std::string(
               "usage: velmora [--unpaced] [--compare <file B>] [model.animesh|character file\n"
               "               [--animations <clip file>[,<clip file>...]]]\n"
               "  Plays the animations of a skinned character model: the file given, or\n"
               "  ") +
           kSampleModels[0].path + " under the working directory.\n" + kOpenedFormatsText +
           "  --unpaced: draw frames back to back, as fast as they come, instead of at\n"
           "  the display's rate and only while something changes.\n"
           "  --compare: draws a second character with the same skeleton over the\n"
           "  first, in sync: its bones in cyan, its mesh as a translucent ghost, and\n"
           "  the overlay names the bone that differs most (Shift+C opens one, C\n"
           "  switches it).\n"
           "  --animations: add the animations of these files (of the character's\n"
           "  skeleton, bones matched by name, in its folder), as dropping a clip\n"
           "  file such as an .md5anim on the window adds its own.\n"
           "  The right mouse button opens the menu. Keys:\n"
           "ESC: Quit. \n" +
           helpBoxText();
}

}  // namespace

Arguments::Program viewerProgram(CommandLine& commandLine) {
    Arguments::Program program;
    program.name = "velmora";
    program.usage = usageText();
    program.namesReason = false;
    program.options.push_back({"--unpaced", false, [&commandLine](const std::string&) {
                                   commandLine.unpaced = true;
                                   return Arguments::Refusal();
                               }});
    program.options.push_back(
        {"--compare", true, [&commandLine](const std::string& path) -> Arguments::Refusal {
             if (path.empty() || path.size() > kMaxChosenPathBytes) {
                 return "no usable path to compare with";
             }
             commandLine.comparePath = path;
             return {};
         }});
    program.options.push_back(
        {"--animations", true, [&commandLine](const std::string& list) -> Arguments::Refusal {
             commandLine.clipFiles = Arguments::commaSeparated(list);
             return commandLine.clipFiles.empty() ? "--animations needs a clip file" : "";
         }});
    program.takeOperand = [&commandLine](const std::string& path) -> Arguments::Refusal {
        if (commandLine.modelPath) {
            return "more than one model file given";
        }
        if (path.empty() || path.size() > kMaxChosenPathBytes) {
            return "no usable model path";
        }
        commandLine.modelPath = path;
        return {};
    };
    return program;
}

}  // namespace app
}  // namespace velmora
