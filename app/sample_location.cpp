#include "app/sample_location.h"

#include <filesystem>

namespace velmora {
inline namespace app {

std::string locateSampleModel(const std::string& relativePath) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::exists(relativePath, error)) {
        return relativePath;
    }
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        return relativePath;
    }
    // VELMORA_INSTALLED_DATA: the installed data folder relative to the
    // installed programs' folder, e.g. "../share/velmora".
    const fs::path installed =
        (executable.parent_path() / VELMORA_INSTALLED_DATA / relativePath).lexically_normal();
    return fs::exists(installed, error) ? installed.string() : relativePath;
}

}  // namespace app
}  // namespace velmora
