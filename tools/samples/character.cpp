#include "tools/samples/character.h"

#include <stdexcept>

#include "files/model_writer.h"
#include "files/png_image.h"
#include "files/safe_file.h"

namespace velmora {
inline namespace samples {

void writeCharacter(const SampleCharacter& character, const std::string& folder) {
    Model model;
    model.playbackRate = kFramesPerSecond;
    character.rig.fillSkeleton(model);
    const Image texture =
        buildSkin(character.parts, character.paint, character.rig, kTextureSide, model);
    std::vector<FileContent> files{{character.name + ".png", encodePng(texture)}};
    std::vector<std::string> motionNames;
    for (const Clip& clip : character.clips) {
        // The viewer labels an animation with what follows the first hyphen of
        // its file's name, so this name shows as the clip's name alone.
        const std::string motionName = character.name + "-" + clip.name;
        files.push_back({motionName, motionText(makeAnimation(character.rig, clip))});
        motionNames.push_back(motionName);
    }
    files.push_back(
        {character.name + ".animesh", modelText(model, character.name + ".png", motionNames)});
    if (const WriteResult written = writeFileSet(folder, files, ExistingFiles::Replace); !written) {
        throw std::runtime_error(written.problem);
    }
}

}  // namespace samples
}  // namespace velmora
