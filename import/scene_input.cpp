#include "import/scene_input.h"

#include <assimp/postprocess.h>
#include <assimp/ProgressHandler.hpp>

#include <filesystem>
#include <memory>
#include <system_error>

#include "files/file_source.h"
#include "files/load_error.h"
#include "import/pose_sampler.h"

namespace velmora {
inline namespace importer {

const unsigned int kImportSteps = aiProcess_Triangulate | aiProcess_JoinIdenticalVertices |
                                  aiProcess_SortByPType | aiProcess_FlipUVs;

namespace {

class LogProgress : public Assimp::ProgressHandler {
  public:
    explicit LogProgress(ImportLog& log) : log_(log) {}
    bool Update(float percentage) override {
        if (percentage >= 0) {
            log_.progress(percentage);
        }
        return true;
    }

  private:
    ImportLog& log_;
};

}  // namespace

const aiScene& readScene(const std::string& path, Assimp::Importer& importer, ConfinedFiles& files,
                         ImportLog& log, SceneNeed need) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) {
        throw LoadError(path, "cannot open: no such file");
    }
    if (!std::filesystem::is_regular_file(status)) {
        throw LoadError(path, "cannot open: not a regular file");
    }
    const auto size = std::filesystem::file_size(path, error);
    if (error || size > static_cast<std::uintmax_t>(kMaxFileSize)) {
        throw LoadError(path, "cannot open: larger than 1 GiB");
    }
    log.stage("reading " + path);
    // Pivot helper nodes would only add bones; the pivots are folded into the
    // node transforms instead.
    importer.SetPropertyBool(AI_CONFIG_IMPORT_FBX_PRESERVE_PIVOTS, false);
    // Handing the handler back (nullptr) returns its ownership to us.
    const auto progress = std::make_unique<LogProgress>(log);
    importer.SetProgressHandler(progress.get());
    importer.SetIOHandler(new ConfinedIOSystem(files));
    const aiScene* scene = importer.ReadFile(path, 0);
    if (scene) {
        // The importer owns the scene; the steps after reading change it too.
        for (unsigned int a = 0; a < scene->mNumAnimations; ++a) {
            aiAnimation& animation = *scene->mAnimations[a];
            if (const std::size_t moved = clampKeysIntoDuration(animation)) {
                log.warn("animation \"" + std::string(animation.mName.C_Str()) +
                         "\": " + counted(moved, "key lay", "keys lay") +
                         " outside its duration and were moved to its start or end");
            }
        }
        scene = importer.ApplyPostProcessing(aiProcess_ValidateDataStructure);
    }
    if (scene) {
        scene = importer.ApplyPostProcessing(kImportSteps);
    }
    importer.SetProgressHandler(nullptr);
    if (!scene) {
        throw LoadError(path, std::string("cannot read: ") + importer.GetErrorString());
    }
    const bool incomplete = need == SceneNeed::Animations
                                ? scene->mNumAnimations == 0
                                : (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE);
    if (!scene->mRootNode || incomplete) {
        throw LoadError(path, "cannot convert: the file holds no complete scene");
    }
    return *scene;
}

}  // namespace importer
}  // namespace velmora
