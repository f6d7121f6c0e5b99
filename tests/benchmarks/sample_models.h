#pragma once
// The models that the benchmarks measure, as the build writes them into its
// Models/ folder.

#include <string>


// Models/<name>/<name>.animesh of the build: "stress" or a sample such as
// "schoolgirl".
inline std::string sampleModelPath(const std::string& name) {
    return std::string(VELMORA_MODELS_FOLDER) + "/" + name + "/" + name + ".animesh";
}
