#include "tools/samples/character.h"

#include <stdexcept>

#include "files/model_writer.h"
#include "files/png_image.h"

namespace {

void write(const std::string& path, const std::string& bytes) {
    if (!writeFile(path, bytes)) {
        throw std::runtime_error("cannot write " + path);
    }
}

}  // namespace

void writeCharacter(const SampleCharacter& character, const std::string& folder) {
    Model model;
    model.playbackRate = kFramesPerSecond;
    character.rig.fillSkeleton(model);
    const Image texture =
        buildSkin(character.parts, character.paint, character.rig, kTextureSide, model);
    const std::string stem = folder + "/" + character.name;
    write(stem + ".png", encodePng(texture));
    std::vector<std::string> motionNames;
    for (const Clip& clip : character.clips) {
        // The viewer labels an animation with what follows the first hyphen of
        // its path, so this name shows as the clip's name alone.
        const std::string motionName = character.name + "-" + clip.name;
        write(folder + "/" + motionName, motionText(makeAnimation(character.rig, clip)));
        motionNames.push_back(motionName);
    }
    write(stem + ".animesh", modelText(model, character.name + ".png", motionNames));
}
