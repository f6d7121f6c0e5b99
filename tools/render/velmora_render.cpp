// velmora-render: draws a model as the viewer shows it, without a window, and
// writes the picture as a PNG; with --sheet, a grid of frames at several clock
// readings.

#include <filesystem>
#include <iostream>

#include "files/model_writer.h"
#include "files/png_image.h"
#include "tools/render/model_picture.h"
#include "tools/render/render_options.h"

namespace {

// A thumbnail's file is named by the file manager, without .png, and made empty
// beforehand; any other file without .png may be one of a model's own.
bool mayReplace(const std::string& path) {
    if (endsWithPng(path)) {
        return true;
    }
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? !std::filesystem::exists(path, error) : size == 0;
}

}  // namespace

int main(int argc, char** argv) {
    RenderOptions options;
    if (const auto status = Arguments::handle(renderProgram(options), argc, argv)) {
        return *status;
    }
    if (options.thumbnail && !mayReplace(options.outputPath)) {
        std::cerr << "velmora-render: \"" << options.outputPath
                  << "\" is not empty and does not end in .png\n";
        return 1;
    }
    try {
        const Image picture = renderPicture(options);
        if (!writeFile(options.outputPath, encodePng(picture))) {
            std::cerr << "velmora-render: cannot write \"" << options.outputPath << "\"\n";
            return 1;
        }
    } catch (const RenderFailure& failure) {
        std::cerr << "velmora-render: " << failure.what() << "\n";
        return 1;
    }
    return 0;
}
