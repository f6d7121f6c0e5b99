#pragma once
// A stretch of the animation exported frame by frame, each frame the picture
// --at draws for its clock reading: as a video (tools/render/video_file.h) or
// as numbered PNGs in a folder.

#include <cstdint>
#include <string>

#include "tools/render/render_options.h"

namespace velmora {
inline namespace render {

// How many frames the readings from options.from up to `to` make at
// options.fps, and frame k's reading.
int64_t frameCount(const RenderOptions& options, int64_t to);
int64_t frameTime(const RenderOptions& options, int64_t k);

// The file of frame k (counted from 0) of count: "frame-0001.png" on, with as
// many digits as the last frame's number needs, at least 4.
std::string frameFileName(int64_t k, int64_t count);

// Draws the frames and writes them where options say, with a progress bar on
// standard error while it is a terminal. Throws RenderFailure as
// ModelDrawing does, and naming the file that cannot be written; nothing is
// left behind then.
void exportFrames(const RenderOptions& options);

}  // namespace render
}  // namespace velmora
