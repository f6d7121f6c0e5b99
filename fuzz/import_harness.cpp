#include "fuzz/import_harness.h"

#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "files/load_error.h"
#include "import/character_builder.h"
#include "import/conversion.h"

namespace velmora {
inline namespace fuzz {

namespace {

const char* const kExtensions[] = {".gltf", ".glb", ".x"};

// A fresh folder for the inputs of this process, so that a reference to another
// file finds nothing but the input itself.
const std::string& inputFolder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/velmora-fuzz-import-XXXXXX";
        return std::string(mkdtemp(pattern) ? pattern : "/tmp");
    }();
    return folder;
}

}  // namespace

RunResult runImportInput(std::string_view bytes) {
    RunResult result;
    if (bytes.empty()) {
        return result;
    }
    ConversionRequest options;
    options.inputPath =
        inputFolder() + "/input" + kExtensions[static_cast<unsigned char>(bytes[0]) % 3];
    options.outputFolder = "fuzz";
    std::ofstream(options.inputPath, std::ios::binary).write(bytes.data() + 1, bytes.size() - 1);
    std::ostringstream messages;
    ImportLog log(messages);
    try {
        const ConvertedCharacter character = convertCharacter(options, log);
        std::map<std::string, std::string> files;
        for (const FileContent& file : character.files) {
            files["fuzz/" + file.name] = file.bytes;
        }
        result = runModelFiles(files, "fuzz/" + character.modelFile);
        if (!result.modelRead ||
            result.playableAnimations != static_cast<int>(character.animationCount)) {
            result.faults.push_back(
                "the converted character loads with " + std::to_string(result.playableAnimations) +
                " of its " + std::to_string(character.animationCount) + " animations playable");
        }
    } catch (const LoadError&) {
    } catch (const ArgumentError&) {
    }
    std::remove(options.inputPath.c_str());
    return result;
}

}  // namespace fuzz
}  // namespace velmora
