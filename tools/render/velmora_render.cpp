// velmora-render: draws a model as the viewer shows it, without a window, and
// writes the picture as a PNG; with --sheet, a grid of frames at several clock
// readings.

#include <iostream>

#include "files/png_image.h"
#include "files/safe_file.h"
#include "tools/render/model_picture.h"
#include "tools/render/render_options.h"

int main(int argc, char** argv) {
    const RenderCommand command =
        parseRenderCommand(std::vector<std::string>(argv + 1, argv + argc));
    switch (command.action) {
        case RenderCommand::Action::ShowUsage:
            std::cout << renderUsageText();
            return 0;
        case RenderCommand::Action::UsageError:
            std::cerr << "velmora-render: " << command.error << "\n" << renderUsageText();
            return 2;
        case RenderCommand::Action::Render:
            break;
    }
    const RenderOptions& options = command.options;
    try {
        const Image picture = renderPicture(options);
        if (const WriteResult written = writeFile(options.outputPath, encodePng(picture));
            !written) {
            std::cerr << "velmora-render: " << written.problem << "\n";
            return 1;
        }
    } catch (const RenderFailure& failure) {
        std::cerr << "velmora-render: " << failure.what() << "\n";
        return 1;
    }
    return 0;
}
