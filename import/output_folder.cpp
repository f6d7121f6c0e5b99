#include "import/output_folder.h"

#include <cctype>
#include <filesystem>
#include <set>
#include <system_error>

namespace velmora {
inline namespace importer {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxNameLength = 80;

}  // namespace

std::string safeFileName(const std::string& text, bool allowHyphens) {
    std::string safe;
    for (char c : text) {
        const bool kept = std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' ||
                          (allowHyphens && c == '-');
        safe += kept ? c : '_';
        if (safe.size() == kMaxNameLength) {
            break;
        }
    }
    if (!safe.empty() && safe[0] == '.') {
        safe[0] = '_';
    }
    return safe;
}

OutputPlan planOutput(const ConversionRequest& options,
                      const std::vector<std::string>& animationNames, ImportLog& log) {
    const std::string given =
        options.name.empty() ? fs::path(options.inputPath).stem().string() : options.name;
    std::string name = safeFileName(given, false);
    if (name.empty()) {
        name = "model";
    }
    if (!options.name.empty() && name != options.name) {
        log.warn("the name \"" + options.name + "\" is written as \"" + name +
                 "\" (letters, digits, '_' and '.' only; a hyphen would cut the animation labels)");
    }
    OutputPlan plan;
    plan.folder = options.outputFolder.empty() ? name : options.outputFolder;
    plan.modelFile = name + ".animesh";
    plan.textureFile = name + ".png";
    std::set<std::string> used;
    for (const std::string& animation : animationNames) {
        std::string label = safeFileName(animation, true);
        if (label.empty()) {
            label = "Animation";
        }
        std::string unique = label;
        for (int n = 2; !used.insert(unique).second; ++n) {
            unique = label + "_" + std::to_string(n);
        }
        plan.motionFiles.push_back(name + "-" + unique);
    }
    return plan;
}

}  // namespace importer
}  // namespace velmora
