#pragma once
// Where the converted character goes and how its files are named:
//
//   <folder>/<name>.animesh         the model
//   <folder>/<name>.png             its texture
//   <folder>/<name>-<animation>     one motion file per animation
//
// The viewer labels an animation with what follows the first hyphen of its
// motion file's own name, so <name> holds no hyphen and the label is the
// animation's own name, whatever folder holds it.

#include <string>
#include <vector>

#include "import/conversion_request.h"
#include "import/import_log.h"

namespace velmora {
inline namespace importer {

struct OutputPlan {
    std::string folder;
    std::string modelFile;
    std::string textureFile;
    // File names within folder, one per animation.
    std::vector<std::string> motionFiles;
};

// text with every character that is not a letter, digit, '_' or '.' (or '-',
// when hyphens are allowed) replaced by '_', at most 80 characters, never
// starting with '.'.
std::string safeFileName(const std::string& text, bool allowHyphens);

OutputPlan planOutput(const ConversionRequest& options,
                      const std::vector<std::string>& animationNames, ImportLog& log);

}  // namespace importer
}  // namespace velmora
