#pragma once
// One sample character as the generator describes it, and how it becomes the
// files the viewer reads.

#include <string>
#include <vector>

#include "tools/samples/motion.h"
#include "tools/samples/rig.h"
#include "tools/samples/surface_mesh.h"

namespace velmora {
inline namespace samples {

// Parts, painter and clips refer to the rig by reference: a SampleCharacter stays
// where it was made.
struct SampleCharacter {
    // Folder and file stem, e.g. "cowboy": Models/cowboy/cowboy.animesh.
    std::string name;
    Rig rig;
    std::vector<Part> parts;
    Painter paint;
    std::vector<Clip> clips;

    SampleCharacter() = default;
    SampleCharacter(const SampleCharacter&) = delete;
    SampleCharacter& operator=(const SampleCharacter&) = delete;
};

// Side of the square texture of every character.
constexpr int kTextureSide = 512;

void describeSchoolGirl(SampleCharacter& character);
void describeTomboy(SampleCharacter& character);
void describeGreaser(SampleCharacter& character);
void describeCowboy(SampleCharacter& character);
// The benchmark model: about 100,000 triangles, all 105 bones, four influences
// on every vertex, four animations.
void describeStressModel(SampleCharacter& character);

// Writes character into folder (made when missing): <name>.animesh, <name>.png
// and one motion file <name>-<clip> per clip, all of them or, when one cannot be
// written, none (the files there before are then left as they were). Throws
// std::runtime_error naming the file that could not be written.
void writeCharacter(const SampleCharacter& character, const std::string& folder);

}  // namespace samples
}  // namespace velmora
