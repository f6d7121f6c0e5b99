#pragma once
// A loaded model written as glTF 2.0 through the Open Asset Import Library's
// exporter, so that the import library can be measured and checked on the
// stress model in the forms users bring.
//
//   bones       -> a node hierarchy (one node per bone, named "bone<index>")
//   influences  -> one skinned mesh: a vertex per corner (vertex and mapping
//                  coordinate), bone weights as stored, inverse bind matrices
//   texture     -> the PNG, embedded
//   animations  -> one animation each, named by its label, a key per frame at
//                  the playback rate
//
// A model has no rest pose of its own: its offsets are where the vertex lies in
// each bone's frame. The bind pose is recovered from them, which requires the
// bones' frames to share one orientation in the pose the offsets were taken in
// (as in the samples, whose offsets are rest position minus joint).

#include <string>

#include "files/model.h"

namespace velmora {
inline namespace benchmarks {

// Writes model to path: a .gltf text with a .bin beside it (the exporter names
// it after path), or, when binary, one GLB file. Returns why it could not be
// written, empty on success.
std::string exportGltf(const Model& model, const std::string& path, bool binary);

}  // namespace benchmarks
}  // namespace velmora
