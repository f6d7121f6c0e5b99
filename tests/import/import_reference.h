#pragma once
// What the scene itself says about a pose, computed straight from the imported
// data with the textbook formulas and nothing of the converter's own sampling:
// node transforms from the channels (linear between positions and scalings,
// spherical between rotations, the nearest key outside them), and every skinned
// vertex as sum of weight * global(bone) * inverse bind * position.

#include <assimp/scene.h>

#include <string>
#include <vector>

#include "files/model.h"

using namespace velmora;

// Positions of every vertex of the scene's meshes, in the order the converter
// merges them, `seconds` into animation (or in the rest pose for -1).
std::vector<aiVector3D> referencePose(const aiScene& scene, int animation, double seconds);

// The positions the viewer's own pipeline gives for the model at clock reading
// milliseconds, animation index animation.
std::vector<Geometry::Vector3> viewerPose(const Model& model, int animation, int64_t milliseconds);

// The largest distance between corresponding points.
double largestDistance(const std::vector<aiVector3D>& expected,
                       const std::vector<Geometry::Vector3>& actual);
