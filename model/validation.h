#pragma once
// The invariants of a loaded Model (files/model.h), checked: what the readers
// promise and the per-frame steps rely on. The readers' tests, the fuzz harness
// and velmora-info use it.

#include <string>
#include <vector>

#include "files/model.h"

namespace velmora {
inline namespace model {

// Every invariant that model breaks, as a readable sentence; empty when it keeps
// them all.
std::vector<std::string> validateModel(const Model& model);

}  // namespace model
}  // namespace velmora
