#pragma once
// Readers of the .animesh model file and of its motion files. Both take the text
// as a TextInput, so files, tests and fuzzers share them; path names the file in
// error messages. They throw LoadError at the first fault: the end of the text
// before the last section, a value that is not a number or is out of range, a
// count that is negative or larger than the rest of the text could hold, or data
// that break the invariants listed in files/model.h.

#include <bitset>
#include <string>

#include "files/model.h"
#include "files/text_input.h"

namespace velmora {
inline namespace files {

// What the model reader asks for as it meets the names of other files, so that
// they are read in file order with the model text: the texture when its section
// is read, each motion file as its line is read.
class ReferencedFiles {
  public:
    virtual ~ReferencedFiles() = default;
    // Fills texture from the file the model calls name.
    virtual void loadTexture(Texture& texture, const std::string& name) = 0;
    // Fills animation, an empty Animation, from the motion file the model calls
    // motionFileName. requiredTracks are the bones that playback will pose. A
    // file that cannot be read leaves the animation with its name, no tracks and
    // a rejection; it does not stop the model.
    virtual void loadAnimation(Animation& animation, const std::string& motionFileName,
                               const std::bitset<kMaxBones>& requiredTracks) = 0;
};

// Reads a model file's body into model, a Model straight after init().
TextInput& readMeshData(TextInput& input, Model& model, const std::string& path,
                        ReferencedFiles& referencedFiles);

// Reads a motion file into animation, an empty Animation.
TextInput& readMotion(TextInput& input, Animation& animation, const std::string& path);

// Throws the LoadError of a motion file at path that lacks a track playback
// needs: one of requiredTracks without a track in animation.
void checkRequiredTracks(const Animation& animation, const std::bitset<kMaxBones>& requiredTracks,
                         const std::string& path, const TextInput& input);

}  // namespace files
}  // namespace velmora
