#pragma once
// The models that the benchmarks measure, as the build writes them into its
// Models/ folder, and a texture backend that makes every load alike.

#include <string>

#include "files/texture.h"

// Models/<name>/<name>.animesh of the build: "stress" or a sample such as
// "schoolgirl".
inline std::string sampleModelPath(const std::string& name) {
    return std::string(VELMORA_MODELS_FOLDER) + "/" + name + "/" + name + ".animesh";
}

// Names every texture 1 without reading it, so that two loads of one model
// record the same texture name.
class SameNameTextures : public TextureBackend {
  public:
    uint32_t load(const std::string&) override { return 1; }
    void release(uint32_t) override {}
};
