#include "tools/render/render_options.h"

#include <cctype>
#include <functional>

#include "command_line/values.h"
#include "import/character_opening.h"

namespace velmora {
inline namespace render {

namespace {

// Whether path is a file name ending in extension (lower case), in any case.
bool endsWith(const std::string& path, const std::string& extension) {
    if (path.size() <= extension.size()) {
        return false;
    }
    std::string ending = path.substr(path.size() - extension.size());
    for (char& c : ending) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return ending == extension && path[path.size() - extension.size() - 1] != '/';
}

}  // namespace

bool endsWithPng(const std::string& path) {
    return endsWith(path, ".png");
}

std::optional<VideoFormat> videoFormatOf(const std::string& path) {
    const std::pair<const char*, VideoFormat> formats[] = {
        {".mp4", VideoFormat::Mp4}, {".webm", VideoFormat::WebM}, {".gif", VideoFormat::Gif}};
    for (const auto& [extension, format] : formats) {
        if (endsWith(path, extension)) {
            return format;
        }
    }
    return std::nullopt;
}

namespace {

// Why the options of a video or frames export do not fit together, or empty.
std::string exportInconsistency(const RenderOptions& options) {
    const bool video = !options.videoPath.empty();
    if (!options.exportsFrames()) {
        return options.turntable || options.to || options.from > 0 || options.fps != 30
                   ? "--from, --to, --fps and --turntable go with --video or --frames"
                   : "";
    }
    if (video + !options.framesFolder.empty() + !options.outputPath.empty() > 1) {
        return "give one of -o, --video and --frames";
    }
    if (options.sheet || options.thumbnail || options.at > 0) {
        return "--video and --frames go without --at, --sheet and --thumbnail";
    }
    if (video && !videoFormatOf(options.videoPath)) {
        return "--video needs a file name ending in .mp4, .webm or .gif, not \"" +
               options.videoPath + "\"";
    }
    // 4:2:0 colour halves both sides.
    if (video && videoFormatOf(options.videoPath) != VideoFormat::Gif &&
        (options.width % 2 != 0 || options.height % 2 != 0)) {
        return "an .mp4 or .webm video needs an even width and height";
    }
    if (options.to && *options.to <= options.from) {
        return "--to must come after --from";
    }
    return {};
}

// Why options taken one by one do not fit together, or empty.
std::string inconsistency(const RenderOptions& options) {
    if (options.modelPath.empty()) {
        return "no model file given";
    }
    if (const std::string problem = exportInconsistency(options); !problem.empty()) {
        return problem;
    }
    if (options.exportsFrames()) {
        return {};
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
    if (options.boneGiven && options.colouring != MeshColouring::Weights) {
        return "--bone goes with --colour weights";
    }
    if (options.frame && options.zoom) {
        return "--frame and --zoom both choose the camera's distance";
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
        flag("--frame", options.frame, true),
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
        valued("--colour",
               [&](const std::string& value) -> Expected {
                   const std::pair<const char*, MeshColouring> names[] = {
                       {"texture", MeshColouring::Texture},
                       {"weights", MeshColouring::Weights},
                       {"influences", MeshColouring::Influences}};
                   for (const auto& [name, colouring] : names) {
                       if (value == name) {
                           options.colouring = colouring;
                           return std::nullopt;
                       }
                   }
                   return "texture, weights or influences";
               }),
        valued("--bone",
               [&](const std::string& value) -> Expected {
                   const auto bone = Arguments::wholeNumber(value, 0, kMaxBones - 1);
                   if (!bone) {
                       return "a bone index from 0 to " + std::to_string(kMaxBones - 1);
                   }
                   options.bone = static_cast<int>(*bone);
                   options.boneGiven = true;
                   return std::nullopt;
               }),
        flag("--turntable", options.turntable, true),
        valued("--video",
               [&](const std::string& value) -> Expected {
                   options.videoPath = value;
                   return value.empty() ? Expected("a file name") : std::nullopt;
               }),
        valued("--frames",
               [&](const std::string& value) -> Expected {
                   options.framesFolder = value;
                   return value.empty() ? Expected("a folder") : std::nullopt;
               }),
        valued("--from",
               [&](const std::string& value) { return takeMilliseconds(value, 0, options.from); }),
        valued("--to",
               [&](const std::string& value) {
                   int64_t to = 0;
                   const Expected expected = takeMilliseconds(value, 1, to);
                   options.to = to;
                   return expected;
               }),
        valued("--fps",
               [&](const std::string& value) -> Expected {
                   const auto fps = Arguments::wholeNumber(value, 1, kMaxFps);
                   if (!fps) {
                       return "frames a second from 1 to " + std::to_string(kMaxFps);
                   }
                   options.fps = static_cast<int>(*fps);
                   return std::nullopt;
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
               "                      [--zoom <radius> | --frame] [--bones] [--no-mesh]\n"
               "                      [--colour texture|weights|influences] [--bone <index>]\n"
               "                      [--sheet <columns>x<rows> --step <ms>] [--untrusted]\n"
               "       velmora-render <model.animesh|character file> -o <out> --thumbnail <side>\n"
               "                      [--animation <i>] [--at <ms>] [--angle <degrees>]\n"
               "                      [--zoom <radius> | --frame] [--untrusted]\n"
               "       velmora-render <model.animesh|character file>\n"
               "                      (--video <out.mp4|out.webm|out.gif> | --frames <folder>)\n"
               "                      [--from <ms>] [--to <ms>] [--fps <n>] [--turntable]\n"
               "                      [--animation <i>] [--size <w>x<h>] [--angle <degrees>]\n"
               "                      [--zoom <radius>] [--bones] [--no-mesh] [--untrusted]\n"
               "  Draws the model as the viewer shows it in a window of the given size\n"
               "  (default 640x480), without opening a window, and writes a PNG, or a\n"
               "  video or numbered PNGs of a stretch of the animation.\n") +
           kOpenedFormatsText +
           "  --animation  the animation played, counted from 1 (default 1)\n"
           "  --at         the playback clock in milliseconds (default 0)\n"
           "  --angle      the camera's angle on its orbit, 0 to 360 (reset view: 180)\n"
           "  --zoom       the camera's distance from the look-at point, 1 to 2000\n"
           "               (reset view: 150)\n"
           "  --frame      frames the pose at --at as the viewer's f key does: the\n"
           "               camera moved, at its angle and slope, so that what is drawn\n"
           "               fills the picture with a margin\n"
           "  --bones      draws the skeleton as white lines over the mesh\n"
           "  --no-mesh    leaves the mesh out\n"
           "  --colour     colours the mesh as the viewer's w key does, with its legend:\n"
           "               texture (default); weights, the weights of one bone, blue\n"
           "               (0) through green to red (1), grey where it has none,\n"
           "               magenta where a vertex's weights sum above 1; influences,\n"
           "               the number of bones moving each vertex (0 magenta, 1 blue,\n"
           "               2 cyan, 3 green, 4 yellow, 5 or more red), vertices with\n"
           "               faulty weights dotted white\n"
           "  --bone       the bone whose weights --colour weights shows, by its index\n"
           "               in the skeleton (default 0)\n"
           "  --sheet      tiles columns x rows frames, each of the given size and\n"
           "               labelled with its clock reading, starting at --at and\n"
           "               --step milliseconds apart, left to right, top to bottom\n"
           "  --thumbnail  a square picture of that many pixels a side, for file\n"
           "               managers: the output may have any name, and a file already\n"
           "               there is replaced only when it is empty\n"
           "  --untrusted  reads only files inside the model's folder (for models that\n"
           "               nobody chose to open, such as a file manager's thumbnails)\n"
           "  --video      writes a video of the frames: H.264 (.mp4), VP9 (.webm) or\n"
           "               GIF (.gif), chosen by the extension; .mp4 and .webm need an\n"
           "               even width and height\n"
           "  --frames     writes the frames as frame-0001.png, frame-0002.png, ...\n"
           "               into the folder (made when missing)\n"
           "  --from       the first frame's clock reading in milliseconds (default 0)\n"
           "  --to         the clock reading the frames stop before (default: the\n"
           "               animation's loop length, so that it plays once)\n"
           "  --fps        frames a second, 1 to 120 (default 30): frame k shows the\n"
           "               reading from + k * 1000 / fps, rounded down, as --at does\n"
           "  --turntable  turns the camera one turn every 10 seconds, as the viewer's\n"
           "               t key does\n";
}

}  // namespace render
}  // namespace velmora
