#include "tools/render/render_options.h"

#include <cctype>
#include <functional>

#include "command_line/values.h"
#include "import/character_opening.h"

namespace velmora {
inline namespace render {

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

namespace {

// Why options taken one by one do not fit together, or empty.
std::string inconsistency(const RenderOptions& options) {
    if (options.modelPath.empty()) {
        return "no model file given";
    }
    if (options.outputPath.empty()) {
        return "no output file given (-o <out.png>)";
    }
    if (!options.thumbnail && !endsWithPng(options.outputPath)) {
        return "-o needs a file name ending in .png, not \"" + options.outputPath + "\"";
    }
    if (options.thumbnail && (options.sizeGiven || options.sheet)) {
        return "--thumbnail goes without --size and --sheet";
    }
    if (options.sheet != (options.step > 0)) {
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

using Expected = std::optional<std::string>;

// An option taking a value: parse puts the value into the options, or returns
// what it expected instead.
Arguments::Option valued(const std::string& name,
                         std::function<Expected(const std::string&)> parse) {
    return {name, true, [name, parse](const std::string& value) -> Arguments::Refusal {
                const Expected expected = parse(value);
                return expected ? name + " needs " + *expected + ", not \"" + value + "\"" : "";
            }};
}

Arguments::Option flag(const std::string& name, bool& into, bool value) {
    return {name, false, [&into, value](const std::string&) {
                into = value;
                return Arguments::Refusal();
            }};
}

// Milliseconds within [minimum, kMaxClockReading] into into.
Expected takeMilliseconds(const std::string& value, int64_t minimum, int64_t& into) {
    const auto milliseconds = Arguments::milliseconds(value, minimum, kMaxClockReading);
    if (!milliseconds) {
        return "milliseconds from " + std::to_string(minimum) + " to " +
               std::to_string(kMaxClockReading);
    }
    into = *milliseconds;
    return std::nullopt;
}

}  // namespace

Arguments::Program renderProgram(RenderOptions& options) {
    Arguments::Program program;
    program.name = "velmora-render";
    program.usage = renderUsageText();
    program.helpAliases = {"-h"};
    program.options = {
        flag("--bones", options.showBones, true),
        flag("--no-mesh", options.showMesh, false),
        flag("--untrusted", options.untrusted, true),
        valued("-o",
               [&](const std::string& value) -> Expected {
                   options.outputPath = value;
                   return value.empty() ? Expected("a file name ending in .png") : std::nullopt;
               }),
        valued("--animation",
               [&](const std::string& value) -> Expected {
                   const auto number = Arguments::animationNumber(value);
                   if (!number) {
                       return "an animation number counted from 1";
                   }
                   options.animationNumber = *number;
                   return std::nullopt;
               }),
        valued("--at",
               [&](const std::string& value) { return takeMilliseconds(value, 0, options.at); }),
        valued("--step",
               [&](const std::string& value) { return takeMilliseconds(value, 1, options.step); }),
        valued("--size",
               [&](const std::string& value) -> Expected {
                   const auto size = Arguments::sizePair(value, kMaxTileSide);
                   if (!size) {
                       return "<width>x<height>, each 1 to " + std::to_string(kMaxTileSide);
                   }
                   options.width = size->first;
                   options.height = size->second;
                   options.sizeGiven = true;
                   return std::nullopt;
               }),
        valued("--thumbnail",
               [&](const std::string& value) -> Expected {
                   const auto side = Arguments::positiveInteger(value, kMaxTileSide);
                   if (!side) {
                       return "a side from 1 to " + std::to_string(kMaxTileSide) + " pixels";
                   }
                   options.width = options.height = static_cast<int>(*side);
                   options.thumbnail = true;
                   return std::nullopt;
               }),
        valued("--angle",
               [&](const std::string& value) -> Expected {
                   options.angle = Arguments::numberInRange(value, 0, 360);
                   return options.angle ? std::nullopt : Expected("degrees from 0 to 360");
               }),
        valued("--zoom",
               [&](const std::string& value) -> Expected {
                   options.zoom = Arguments::numberInRange(value, 1, 2000);
                   return options.zoom ? std::nullopt : Expected("a radius from 1 to 2000");
               }),
        valued("--sheet",
               [&](const std::string& value) -> Expected {
                   const auto layout = Arguments::sizePair(value, kMaxSheetSide);
                   if (!layout) {
                       return "<columns>x<rows>, each 1 to " + std::to_string(kMaxSheetSide);
                   }
                   options.sheet = true;
                   options.columns = layout->first;
                   options.rows = layout->second;
                   return std::nullopt;
               }),
    };
    program.takeOperand = [&options](const std::string& argument) -> Arguments::Refusal {
        if (!options.modelPath.empty()) {
            return "more than one model file given: \"" + argument + "\"";
        }
        options.modelPath = argument;
        return {};
    };
    program.check = [&options] { return inconsistency(options); };
    return program;
}

std::string renderUsageText() {
    return std::string(
               "usage: velmora-render <model.animesh|character file> -o <out.png> [--animation "
               "<i>]\n"
               "                      [--at <ms>] [--size <w>x<h>] [--angle <degrees>]\n"
               "                      [--zoom <radius>] [--bones] [--no-mesh]\n"
               "                      [--sheet <columns>x<rows> --step <ms>] [--untrusted]\n"
               "       velmora-render <model.animesh|character file> -o <out> --thumbnail <side>\n"
               "                      [--animation <i>] [--at <ms>] [--angle <degrees>]\n"
               "                      [--zoom <radius>] [--untrusted]\n"
               "  Draws the model as the viewer shows it in a window of the given size\n"
               "  (default 640x480), without opening a window, and writes a PNG.\n") +
           kOpenedFormatsText +
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
           "  --thumbnail  a square picture of that many pixels a side, for file\n"
           "               managers: the output may have any name, and a file already\n"
           "               there is replaced only when it is empty\n"
           "  --untrusted  reads only files inside the model's folder (for models that\n"
           "               nobody chose to open, such as a file manager's thumbnails)\n";
}

}  // namespace render
}  // namespace velmora
