// velmora-import: converts a skinned, animated character from any format the
// Open Asset Import Library reads into the viewer's model, texture and motion
// files. Exit status 0 on success, 1 when the input cannot be converted or the
// output cannot be written (nothing is written then), 2 on bad arguments.

#include <iostream>

#include "files/file_source.h"
#include "files/load_error.h"
#include "tools/import/character_builder.h"
#include "tools/import/import_log.h"
#include "tools/import/import_options.h"
#include "tools/import/output_folder.h"
#include "tools/import/scene_input.h"

int main(int argc, char** argv) {
    ImportOptions options;
    if (const auto status = Arguments::handle(importProgram(options), argc, argv)) {
        return *status;
    }
    ImportLog log(std::cerr);
    try {
        Assimp::Importer importer;
        const aiScene& scene = readScene(options.inputPath, importer, log);
        const ImportedCharacter character = buildCharacter(scene, options, log);
        const OutputPlan plan = planOutput(options, character.animationNames, log);
        log.stage("writing " + plan.folder);
        writeCharacter(plan, character);
        std::cerr << "velmora-import: wrote " << plan.folder << "/" << plan.modelFile << " ("
                  << counted(character.model->animations.size(), "animation", "animations") << ")"
                  << std::endl;
        return 0;
    } catch (const ArgumentError& error) {
        std::cerr << "velmora-import: " << error.what() << std::endl;
        return 2;
    } catch (const LoadError& error) {
        std::cerr << "velmora-import: " << error.what() << std::endl;
        return 1;
    } catch (const OutputError& error) {
        std::cerr << "velmora-import: " << error.what() << std::endl;
        return 1;
    }
}
