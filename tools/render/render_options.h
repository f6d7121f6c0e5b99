#pragma once
// The command line of velmora-render: which model, where the PNG goes, and what
// the viewer would be showing (animation, clock reading, window size, camera,
// display switches), or a sheet of several clock readings.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "command_line/command_line.h"
#include "model/vertex_colouring.h"

namespace velmora {
inline namespace render {

// Limits of the arguments. A tile is at most kMaxTileSide on a side; a sheet
// holds at most kMaxSheetSide tiles across and down, and the whole picture is at
// most kMaxPictureSide on a side, which keeps it within 200 MB of memory.
constexpr int kMaxTileSide = 4096;
constexpr int kMaxSheetSide = 16;
constexpr int kMaxPictureSide = 8192;
// Clock readings run from 0 to the largest 32-bit millisecond count (24 days).
constexpr int64_t kMaxClockReading = 2147483647;

struct RenderOptions {
    std::string modelPath;
    std::string outputPath;
    // Counted from 1, as in the animation menu.
    int animationNumber = 1;
    // Milliseconds on the playback clock of the (first) frame.
    int64_t at = 0;
    // The window the viewer would draw into; a sheet has one such tile per frame.
    int width = 640;
    int height = 480;
    // Degrees on the orbit and horizontal distance from the look-at point; the
    // reset camera's values when not given.
    std::optional<double> angle;
    std::optional<double> zoom;
    bool showBones = false;
    // Frames the first picture's pose as the viewer's f key does.
    bool frame = false;
    bool showMesh = true;
    // Read only files inside the model's folder: for models nobody chose, such
    // as a file manager's thumbnails.
    bool untrusted = false;
    // A sheet: columns x rows tiles, each labelled with its clock reading, the
    // readings step milliseconds apart, left to right, then top to bottom.
    // Without it, one unlabelled picture.
    bool sheet = false;
    int columns = 1;
    int rows = 1;
    int64_t step = 0;
    bool sizeGiven = false;
    // The mesh's colouring, as the viewer's 'w' cycles it, and the bone whose
    // weights it shows (given only with Weights).
    MeshColouring colouring = MeshColouring::Texture;
    int bone = 0;
    bool boneGiven = false;
    // A square picture for a file manager, whose output file may have any name
    // (it passes a temporary file without an extension, made empty beforehand).
    bool thumbnail = false;
    // Instead of one picture: a video (videoPath, its format from its
    // extension) or numbered PNGs in framesFolder, of the clock readings from
    // `from` up to `to` (default: the animation's loop length), fps a second;
    // frame k shows the reading from + k * 1000 / fps, rounded down to the
    // millisecond. With turntable the camera turns as the viewer's turntable
    // turns it, from the start of the export.
    std::string videoPath;
    std::string framesFolder;
    int64_t from = 0;
    std::optional<int64_t> to;
    int fps = 30;
    bool turntable = false;

    bool exportsFrames() const { return !videoPath.empty() || !framesFolder.empty(); }
};

// The frame rates a video may have.
constexpr int kMaxFps = 120;

enum class VideoFormat { Mp4, WebM, Gif };

// The format named by path's extension (.mp4, .webm, .gif, any case); none for
// any other.
std::optional<VideoFormat> videoFormatOf(const std::string& path);

// Whether path names a .png file (any case), the only output a picture may
// replace unless it is an empty thumbnail file.
bool endsWithPng(const std::string& path);

// The table of velmora-render's command line, taking into options.
Arguments::Program renderProgram(RenderOptions& options);

std::string renderUsageText();

}  // namespace render
}  // namespace velmora
