#include "tools/import/import_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

const char* const kImportUsage =
    "usage: velmora-import <input> [-o <folder>] [--name <name>] [--rate <fps>]\n"
    "                      [--height <units>] [--animations <list>] [--force]\n"
    "  Converts a skinned, animated model (glTF/GLB, FBX, COLLADA, DirectX .x,\n"
    "  Blitz3D, MD5, SMD, ...) into <folder>/<name>.animesh, <name>.png and one\n"
    "  motion file <name>-<animation> per animation.\n"
    "  -o <folder>         where to write (default ./<name>/)\n"
    "  --name <name>       base name of the files (default: the input file's name)\n"
    "  --rate <fps>        frames per second of the resampled animations (default 30)\n"
    "  --height <units>    height of the bind pose, standing on y = -20 (default 75;\n"
    "                      0 keeps the file's own size and place)\n"
    "  --animations <list> comma-separated names of the animations to convert\n"
    "  --force             replace the files of a character already in the folder\n";

namespace {

// Above this the motion files would hold more keys than anyone can watch.
constexpr long kMaxRate = 1000;
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

std::optional<ImportOptions> parseImportArguments(int argc, const char* const* argv,
                                                  std::string& error) {
    ImportOptions options;
    bool inputGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool takesValue = argument == "-o" || argument == "--name" || argument == "--rate" ||
                                argument == "--height" || argument == "--animations";
        if (takesValue && i + 1 >= argc) {
            error = argument + " needs a value";
            return std::nullopt;
        }
        const std::string value = takesValue ? argv[++i] : "";
        if (argument == "-o") {
            if (value.empty()) {
                error = "-o needs a folder";
                return std::nullopt;
            }
            options.outputFolder = value;
        } else if (argument == "--name") {
            if (value.empty() || value.find('/') != std::string::npos) {
                error = "--name needs a file name without '/', got \"" + value + "\"";
                return std::nullopt;
            }
            options.name = value;
        } else if (argument == "--rate") {
            const auto rate = wholeNumber(value);
            if (!rate || *rate < 1 || *rate > kMaxRate) {
                error = "--rate needs a whole number of frames per second from 1 to " +
                        std::to_string(kMaxRate) + ", got \"" + value + "\"";
                return std::nullopt;
            }
            options.rate = static_cast<int32_t>(*rate);
        } else if (argument == "--height") {
            const auto height = realNumber(value);
            if (!height || *height < 0 || *height > kMaxHeight) {
                error = "--height needs a number from 0 to 1000000, got \"" + value + "\"";
                return std::nullopt;
            }
            options.height = *height;
        } else if (argument == "--animations") {
            options.animations = commaSeparated(value);
            if (options.animations.empty()) {
                error = "--animations needs at least one name";
                return std::nullopt;
            }
        } else if (argument == "--force") {
            options.force = true;
        } else if (!argument.empty() && argument[0] == '-') {
            error = "unknown option \"" + argument + "\"";
            return std::nullopt;
        } else if (inputGiven) {
            error =
                "more than one input file (\"" + options.inputPath + "\" and \"" + argument + "\")";
            return std::nullopt;
        } else {
            options.inputPath = argument;
            inputGiven = true;
        }
    }
    if (!inputGiven || options.inputPath.empty()) {
        error = "no input file";
        return std::nullopt;
    }
    return options;
}
