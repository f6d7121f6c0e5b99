#include "tools/render/render_options.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <set>

namespace {

// A whole number written in decimal digits only, within [minimum, maximum].
std::optional<int64_t> parseCount(const std::string& text, int64_t minimum, int64_t maximum) {
    if (text.empty() || text.size() > 18 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const int64_t value = std::stoll(text);
    if (value < minimum || value > maximum) {
        return std::nullopt;
    }
    return value;
}

// A finite decimal number within [minimum, maximum].
std::optional<double> parseNumber(const std::string& text, double minimum, double maximum) {
    if (text.empty() || text.find_first_not_of("0123456789.+-eE") != std::string::npos) {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value) || value < minimum || value > maximum) {
        return std::nullopt;
    }
    return value;
}

// "<first>x<second>", both counts within [1, maximum].
std::optional<std::pair<int, int>> parsePair(const std::string& text, int maximum) {
    const auto separator = text.find('x');
    if (separator == std::string::npos) {
        return std::nullopt;
    }
    const auto first = parseCount(text.substr(0, separator), 1, maximum);
    const auto second = parseCount(text.substr(separator + 1), 1, maximum);
    if (!first || !second) {
        return std::nullopt;
    }
    return std::make_pair(static_cast<int>(*first), static_cast<int>(*second));
}

bool endsWithPng(const std::string& path) {
    if (path.size() <= 4) {
        return false;
    }
    std::string extension = path.substr(path.size() - 4);
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension == ".png" && path[path.size() - 5] != '/';
}

RenderCommand usageError(const std::string& error) {
    RenderCommand command;
    command.action = RenderCommand::Action::UsageError;
    command.error = error;
    return command;
}

// Why options taken one by one do not fit together, or empty.
std::string inconsistency(const RenderOptions& options, const std::set<std::string>& given) {
    if (options.modelPath.empty()) {
        return "no model file given";
    }
    if (options.outputPath.empty()) {
        return "no output file given (-o <out.png>)";
    }
    if (given.count("--sheet") != given.count("--step")) {
        return "--sheet and --step go together";
    }
    if (options.width * options.columns > kMaxPictureSide ||
        options.height * options.rows > kMaxPictureSide) {
        return "the sheet would be wider or taller than " + std::to_string(kMaxPictureSide) +
               " pixels";
    }
    const int64_t lastTile = static_cast<int64_t>(options.columns) * options.rows - 1;
    if (options.at + lastTile * options.step > kMaxClockReading) {
        return "the last clock reading would exceed " + std::to_string(kMaxClockReading) + " ms";
    }
    return {};
}

}  // namespace

RenderCommand parseRenderCommand(const std::vector<std::string>& arguments) {
    RenderCommand command;
    RenderOptions& options = command.options;
    std::set<std::string> given;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            command.action = RenderCommand::Action::ShowUsage;
            return command;
        }
        if (argument.empty() || argument[0] != '-') {
            if (!options.modelPath.empty()) {
                return usageError("more than one model file given: \"" + argument + "\"");
            }
            options.modelPath = argument;
            continue;
        }
        if (!given.insert(argument).second) {
            return usageError(argument + " given twice");
        }
        if (argument == "--bones") {
            options.showBones = true;
            continue;
        }
        if (argument == "--no-mesh") {
            options.showMesh = false;
            continue;
        }
        if (argument == "--untrusted") {
            options.untrusted = true;
            continue;
        }
        static const std::set<std::string> withValue = {
            "-o", "--animation", "--at", "--size", "--angle", "--zoom", "--sheet", "--step"};
        if (!withValue.count(argument)) {
            return usageError("unknown option " + argument);
        }
        if (i + 1 == arguments.size()) {
            return usageError(argument + " needs a value");
        }
        const std::string& value = arguments[++i];
        const auto refuse = [&](const std::string& expected) {
            return usageError(argument + " needs " + expected + ", not \"" + value + "\"");
        };
        if (argument == "-o") {
            if (!endsWithPng(value)) {
                return refuse("a file name ending in .png");
            }
            options.outputPath = value;
        } else if (argument == "--animation") {
            const auto number = parseCount(value, 1, 1000000);
            if (!number) {
                return refuse("an animation number counted from 1");
            }
            options.animationNumber = static_cast<int>(*number);
        } else if (argument == "--at") {
            const auto at = parseCount(value, 0, kMaxClockReading);
            if (!at) {
                return refuse("milliseconds from 0 to " + std::to_string(kMaxClockReading));
            }
            options.at = *at;
        } else if (argument == "--size") {
            const auto size = parsePair(value, kMaxTileSide);
            if (!size) {
                return refuse("<width>x<height>, each 1 to " + std::to_string(kMaxTileSide));
            }
            options.width = size->first;
            options.height = size->second;
        } else if (argument == "--angle") {
            options.angle = parseNumber(value, 0, 360);
            if (!options.angle) {
                return refuse("degrees from 0 to 360");
            }
        } else if (argument == "--zoom") {
            options.zoom = parseNumber(value, 1, 2000);
            if (!options.zoom) {
                return refuse("a radius from 1 to 2000");
            }
        } else if (argument == "--sheet") {
            const auto layout = parsePair(value, kMaxSheetSide);
            if (!layout) {
                return refuse("<columns>x<rows>, each 1 to " + std::to_string(kMaxSheetSide));
            }
            options.sheet = true;
            options.columns = layout->first;
            options.rows = layout->second;
        } else if (argument == "--step") {
            const auto step = parseCount(value, 1, kMaxClockReading);
            if (!step) {
                return refuse("milliseconds from 1 to " + std::to_string(kMaxClockReading));
            }
            options.step = *step;
        }
    }
    const std::string error = inconsistency(options, given);
    return error.empty() ? command : usageError(error);
}

std::string renderUsageText() {
    return "usage: velmora-render <model.animesh> -o <out.png> [--animation <i>] [--at <ms>]\n"
           "                      [--size <w>x<h>] [--angle <degrees>] [--zoom <radius>]\n"
           "                      [--bones] [--no-mesh] [--sheet <columns>x<rows> --step <ms>]\n"
           "                      [--untrusted]\n"
           "  Draws the model as the viewer shows it in a window of the given size\n"
           "  (default 640x480), without opening a window, and writes a PNG.\n"
           "  --animation  the animation played, counted from 1 (default 1)\n"
           "  --at         the playback clock in milliseconds (default 0)\n"
           "  --angle      the camera's angle on its orbit, 0 to 360 (reset view: 180)\n"
           "  --zoom       the camera's distance from the look-at point, 1 to 2000\n"
           "               (reset view: 150)\n"
           "  --bones      draws the skeleton as white lines over the mesh\n"
           "  --no-mesh    leaves the mesh out\n"
           "  --sheet      tiles columns x rows frames, each of the given size and\n"
           "               labelled with its clock reading, starting at --at and\n"
           "               --step milliseconds apart, left to right, top to bottom\n"
           "  --untrusted  reads only files inside the model's folder (for models that\n"
           "               nobody chose to open, such as a file manager's thumbnails)\n";
}
