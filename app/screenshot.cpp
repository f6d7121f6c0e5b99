#include "app/screenshot.h"

#include <sys/stat.h>

#include <filesystem>

#include "files/safe_file.h"

namespace velmora {
inline namespace app {

std::string screenshotStem(const std::string& modelPath) {
    const std::string stem = std::filesystem::path(modelPath).stem().string();
    return stem.empty() ? "velmora" : stem;
}

SavedFile saveNumbered(const std::string& stem, const std::string& bytes) {
    for (unsigned long number = 1;; ++number) {
        const std::string path = stem + "-" + std::to_string(number) + ".png";
        struct stat existing;
        if (lstat(path.c_str(), &existing) == 0) {
            continue;
        }
        const WriteResult written = writeNewFile(path, bytes);
        if (written) {
            return {path, ""};
        }
        // Taken since the look above: the next number.
        if (!written.existed) {
            return {"", written.problem};
        }
    }
}

}  // namespace app
}  // namespace velmora
