#pragma once
// One sample character as the generator describes it, and how it becomes the
// files the viewer reads.

#include <string>
#include <vector>

#include "tools/samples/motion.h"
#include "tools/samples/rig.h"
#include "tools/samples/surface_mesh.h"

// Parts, painter and clips refer to the rig by reference: a Character stays
// where it was made.
struct Character {
    // Folder and file stem, e.g. "cowboy": Models/cowboy/cowboy.animesh.
    std::string name;
    Rig rig;
    std::vector<Part> parts;
    Painter paint;
    std::vector<Clip> clips;

    Character() = default;
    Character(const Character&) = delete;
    Character& operator=(const Character&) = delete;
};

// Side of the square texture of every character.
constexpr int kTextureSide = 512;

void describeSchoolGirl(Character& character);
void describeTomboy(Character& character);
void describeGreaser(Character& character);
void describeCowboy(Character& character);
// The benchmark model: about 100,000 triangles, all 105 bones, four influences
// on every vertex, four animations.
void describeStressModel(Character& character);

// Writes character into folder (made when missing): <name>.animesh, <name>.png
// and one motion file <name>-<clip> per clip, all of them or, when one cannot be
// written, none (the files there before are then left as they were). Throws
// std::runtime_error naming the file that could not be written.
void writeCharacter(const Character& character, const std::string& folder);
