#pragma once
// The reference reader of the load benchmark: the model and motion file rules
// read with std::istream extraction (std::ifstream for the files, a reused
// std::istringstream for the values of one line), the way a straightforward
// reader does it. It fills the same Model as loadModelFile for a well-formed
// file; it checks only what it needs to end, and throws LoadError (without a
// line number) when its input runs out or a value cannot be read.

#include <string>

#include "files/model.h"

namespace velmora {
inline namespace benchmarks {

// Reads the model file at path, its texture and its motion files into model, a
// Model straight after construction.
void loadWithIstream(Model& model, const std::string& path);

}  // namespace benchmarks
}  // namespace velmora
