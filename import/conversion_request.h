#pragma once
// What one conversion is asked for: the file, the names and place of what it
// makes, and how it resamples and places the character. velmora-import fills it
// from its command line; the viewer and the tools ask with the defaults.

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {
inline namespace importer {

struct ConversionRequest {
    std::string inputPath;
    // Empty: ./<name>/.
    std::string outputFolder;
    // Empty: taken from the input file's name.
    std::string name;
    int32_t rate = 30;
    // 0 keeps the file's own size and place.
    double height = 75.0;
    // Empty: every animation of the file.
    std::vector<std::string> animations;
    // Leaves the character facing as the file has it instead of turning it
    // towards the viewer's reset camera (towards -z).
    bool keepFacing = false;
    // Files of the same skeleton whose animations are added (clip files),
    // besides those found beside the input.
    std::vector<std::string> clipFiles;
};

}  // namespace importer
}  // namespace velmora
