// velmora-render: draws a model as the viewer shows it, without a window, and
// writes the picture as a PNG; with --sheet, a grid of frames at several clock
// readings; with --video or --frames, a stretch of the animation.

#include <filesystem>
#include <fstream>
#include <iostream>

#include "files/png_image.h"
#include "files/safe_file.h"
#include "tools/render/frame_export.h"
#include "tools/render/model_picture.h"
#include "tools/render/render_options.h"

using namespace velmora;

namespace {

bool isEmptyFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) &&
           std::filesystem::file_size(path, error) == 0 && !error;
}

// A file manager names a thumbnail's file itself, not always with .png, and
// makes it empty beforehand; some read the picture back through the handle they
// opened, so it is written into that same file, not renamed over it.
WriteResult writeThumbnail(const std::string& path, const std::string& bytes) {
    if (!isEmptyFile(path)) {
        return writeFile(path, bytes);
    }
    std::ofstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    if (file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) && file.flush()) {
        return {};
    }
    return {path + ": cannot write the thumbnail", false};
}

}  // namespace

int main(int argc, char** argv) {
    ignoreFileSizeSignal();
    RenderOptions options;
    if (const auto status = Arguments::handle(renderProgram(options), argc, argv)) {
        return *status;
    }
    // A file without .png that is not empty may be one of a model's own.
    if (options.thumbnail && !endsWithPng(options.outputPath) && !isEmptyFile(options.outputPath) &&
        std::filesystem::exists(options.outputPath)) {
        std::cerr << "velmora-render: \"" << options.outputPath
                  << "\" is not empty and does not end in .png\n";
        return 1;
    }
    try {
        if (options.exportsFrames()) {
            exportFrames(options);
            return 0;
        }
        const Image picture = renderPicture(options);
        const std::string bytes = encodePng(picture);
        const WriteResult written = options.thumbnail ? writeThumbnail(options.outputPath, bytes)
                                                      : writeFile(options.outputPath, bytes);
        if (!written) {
            std::cerr << "velmora-render: " << written.problem << "\n";
            return 1;
        }
    } catch (const RenderFailure& failure) {
        std::cerr << "velmora-render: " << failure.what() << "\n";
        return 1;
    }
    return 0;
}
