#pragma once
// Writers of the model and motion formats: what readMeshData and readMotion read
// back into an equal Model. Numbers are written in their shortest form that reads
// back to the same double, so a write and a read lose nothing.

#include <string>
#include <vector>

#include "files/model.h"

namespace velmora {
inline namespace files {

// The .animesh text of model. Skeleton rows list each parent before its children
// (children in list order), so the reader rebuilds the same tree. textureName and motionFileNames
// are written as given (names relative to the model file's folder).
std::string modelText(const Model& model, const std::string& textureName,
                      const std::vector<std::string>& motionFileNames);

// The motion file text of animation: one block per occupied track, in slot order.
std::string motionText(const Animation& animation);

}  // namespace files
}  // namespace velmora
