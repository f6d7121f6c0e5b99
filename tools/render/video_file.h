#pragma once
// A video written through FFmpeg's libraries: H.264 in MP4, VP9 in WebM or a
// GIF, fed one RGB picture at a time and written through a temporary file
// beside its name (files/safe_file.h), renamed into place once complete.

#include <memory>
#include <string>

#include "files/png_image.h"
#include "tools/render/render_options.h"

namespace velmora {
inline namespace render {

class VideoFile {
  public:
    // A video of width x height pixels (both even for MP4 and WebM), fps
    // frames a second, to be written to path. Throws RenderFailure naming path
    // when the encoder is missing or no temporary file can be made.
    VideoFile(const std::string& path, VideoFormat format, int width, int height, int fps);
    // Without finish, the temporary file goes and nothing at path changes.
    ~VideoFile();
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;

    // Encodes the next frame: an RGB picture of the video's size.
    void add(const Image& picture);
    // Writes what the encoder still holds and the container's end, and puts
    // the file in place.
    void finish();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace render
}  // namespace velmora
