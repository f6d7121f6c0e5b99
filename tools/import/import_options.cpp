#include "import/import_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "files/model.h"

namespace velmora {
inline namespace importer {

const char* const kImportUsage =
    "usage: velmora-import <input> [-o <folder>] [--name <name>] [--rate <fps>]\n"
    "                      [--height <units>] [--animations <list>] [--keep-facing]\n"
    "                      [--force]\n"
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
    "  --keep-facing       keep the file's facing instead of turning the character\n"
    "                      towards the viewer's reset camera\n"
    "  --force             replace the files of a character already in the folder\n";

namespace {

constexpr double kMaxHeight = 1e6;

std::optional<long> wholeNumber(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || errno != 0 || *end != '\0') {
        return std::nullopt;
    }
    return value;
}

std::optional<double> realNumber(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || errno != 0 || *end != '\0' || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string> commaSeparated(const std::string& list) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        if (comma > start) {
            items.push_back(list.substr(start, comma - start));
        }
        start = comma + 1;
    }
    return items;
}

}  // namespace

Arguments::Program importProgram(ImportOptions& options) {
    using Arguments::Refusal;
    Arguments::Program program;
    program.name = "velmora-import";
    program.usage = kImportUsage;
    program.options = {
        {"-o", true,
         [&options](const std::string& value) -> Refusal {
             options.outputFolder = value;
             return value.empty() ? "-o needs a folder" : "";
         }},
        {"--name", true,
         [&options](const std::string& value) -> Refusal {
             options.name = value;
             return value.empty() || value.find('/') != std::string::npos
                        ? "--name needs a file name without '/', got \"" + value + "\""
                        : "";
         }},
        {"--rate", true,
         [&options](const std::string& value) -> Refusal {
             const auto rate = wholeNumber(value);
             if (!rate || *rate < 1 || *rate > kMaxPlaybackRate) {
                 return "--rate needs a whole number of frames per second from 1 to " +
                        std::to_string(kMaxPlaybackRate) + ", got \"" + value + "\"";
             }
             options.rate = static_cast<int32_t>(*rate);
             return {};
         }},
        {"--height", true,
         [&options](const std::string& value) -> Refusal {
             const auto height = realNumber(value);
             if (!height || *height < 0 || *height > kMaxHeight) {
                 return "--height needs a number from 0 to 1000000, got \"" + value + "\"";
             }
             options.height = *height;
             return {};
         }},
        {"--animations", true,
         [&options](const std::string& value) -> Refusal {
             options.animations = commaSeparated(value);
             return options.animations.empty() ? "--animations needs at least one name" : "";
         }},
        {"--force", false,
         [&options](const std::string&) -> Refusal {
             options.force = true;
             return {};
         }},
        {"--keep-facing", false,
         [&options](const std::string&) -> Refusal {
             options.keepFacing = true;
             return {};
         }},
    };
    program.takeOperand = [&options](const std::string& argument) -> Refusal {
        if (!options.inputPath.empty()) {
            return "more than one input file (\"" + options.inputPath + "\" and \"" + argument +
                   "\")";
        }
        options.inputPath = argument;
        return {};
    };
    program.check = [&options]() -> Refusal {
        return options.inputPath.empty() ? "no input file" : "";
    };
    return program;
}

}  // namespace importer
}  // namespace velmora
