#include "tools/import/import_options.h"

#include "command_line/values.h"
#include "files/model.h"

namespace velmora {
inline namespace importer {

const char* const kImportUsage =
    "usage: velmora-import <input> [-o <folder>] [--name <name>] [--rate <fps>]\n"
    "                      [--height <units>] [--animations <list>] [--keep-facing]\n"
    "                      [--clip-files <list>] [--force]\n"
    "  Converts a skinned, animated model (glTF/GLB, FBX, COLLADA, DirectX .x,\n"
    "  Blitz3D, MD5, SMD, IQM, ...) into <folder>/<name>.animesh, <name>.png and one\n"
    "  motion file <name>-<animation> per animation.\n"
    "  -o <folder>         where to write (default ./<name>/)\n"
    "  --name <name>       base name of the files (default: the input file's name)\n"
    "  --rate <fps>        frames per second of the resampled animations (default 30)\n"
    "  --height <units>    height of the bind pose, standing just inside the bottom\n"
    "                      edge of the viewer's reset view (default 75; 0 keeps the\n"
    "                      file's own size and place)\n"
    "  --animations <list> comma-separated names of the animations to convert\n"
    "  --clip-files <list> comma-separated files in the input's folder whose\n"
    "                      animations of the same skeleton (bones matched by name)\n"
    "                      are added, as are those of its clip files beside it\n"
    "                      (other .md5anim files, or <name>_<clip>.<extension>)\n"
    "  --keep-facing       keep the file's facing instead of turning the character\n"
    "                      towards the viewer's reset camera\n"
    "  --force             replace the files of a character already in the folder\n";

namespace {

constexpr double kMaxHeight = 1e6;

}  // namespace

Arguments::Program importProgram(ImportOptions& options) {
    using Arguments::Refusal;
    Arguments::Program program;
    program.name = "velmora-import";
    program.usage = kImportUsage;
    program.options = {
        {"-o", true,
         [&options](const std::string& value) -> Refusal {
             options.request.outputFolder = value;
             return value.empty() ? "-o needs a folder" : "";
         }},
        {"--name", true,
         [&options](const std::string& value) -> Refusal {
             options.request.name = value;
             return value.empty() || value.find('/') != std::string::npos
                        ? "--name needs a file name without '/', got \"" + value + "\""
                        : "";
         }},
        {"--rate", true,
         [&options](const std::string& value) -> Refusal {
             const auto rate = Arguments::positiveInteger(value, kMaxPlaybackRate);
             if (!rate) {
                 return "--rate needs a whole number of frames per second from 1 to " +
                        std::to_string(kMaxPlaybackRate) + ", got \"" + value + "\"";
             }
             options.request.rate = static_cast<int32_t>(*rate);
             return {};
         }},
        {"--height", true,
         [&options](const std::string& value) -> Refusal {
             const auto height = Arguments::numberInRange(value, 0, kMaxHeight);
             if (!height) {
                 return "--height needs a number from 0 to 1000000, got \"" + value + "\"";
             }
             options.request.height = *height;
             return {};
         }},
        {"--animations", true,
         [&options](const std::string& value) -> Refusal {
             options.request.animations = Arguments::commaSeparated(value);
             return options.request.animations.empty() ? "--animations needs at least one name"
                                                       : "";
         }},
        {"--clip-files", true,
         [&options](const std::string& value) -> Refusal {
             options.request.clipFiles = Arguments::commaSeparated(value);
             return options.request.clipFiles.empty() ? "--clip-files needs at least one file" : "";
         }},
        {"--force", false,
         [&options](const std::string&) -> Refusal {
             options.force = true;
             return {};
         }},
        {"--keep-facing", false,
         [&options](const std::string&) -> Refusal {
             options.request.keepFacing = true;
             return {};
         }},
    };
    program.takeOperand = [&options](const std::string& argument) -> Refusal {
        if (!options.request.inputPath.empty()) {
            return "more than one input file (\"" + options.request.inputPath + "\" and \"" +
                   argument + "\")";
        }
        options.request.inputPath = argument;
        return {};
    };
    program.check = [&options]() -> Refusal {
        return options.request.inputPath.empty() ? "no input file" : "";
    };
    return program;
}

}  // namespace importer
}  // namespace velmora
