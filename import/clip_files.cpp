#include "import/clip_files.h"

#include <assimp/Importer.hpp>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "files/load_error.h"
#include "import/scene_input.h"

namespace velmora {
inline namespace importer {

namespace fs = std::filesystem;

namespace {

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Why the scene's animations are not the character's, or empty when they are.
std::string mismatch(const aiScene& scene, const NodesByName& nodes) {
    if (scene.mNumAnimations == 0) {
        return "it holds no animation";
    }
    for (unsigned int a = 0; a < scene.mNumAnimations; ++a) {
        const aiAnimation& animation = *scene.mAnimations[a];
        for (unsigned int c = 0; c < animation.mNumChannels; ++c) {
            const std::string node = animation.mChannels[c]->mNodeName.C_Str();
            if (!nodes.find(node)) {
                return "it moves \"" + node + "\", which the character lacks";
            }
        }
    }
    return {};
}

}  // namespace

std::vector<std::string> clipFilesBeside(const std::string& inputPath) {
    const fs::path input(inputPath);
    const fs::path folder = input.parent_path().empty() ? fs::path(".") : input.parent_path();
    const std::string extension = lowerCase(input.extension().string());
    const std::string stem = input.stem().string();
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const fs::path& path = entry.path();
        const std::string name = path.stem().string();
        const std::string theirs = lowerCase(path.extension().string());
        const bool clip = extension == ".md5mesh"
                              ? theirs == ".md5anim" && name != stem
                              : theirs == extension && name.size() > stem.size() + 1 &&
                                    name.compare(0, stem.size(), stem) == 0 &&
                                    std::string("_-.").find(name[stem.size()]) != std::string::npos;
        std::error_code notRegular;
        if (clip && entry.is_regular_file(notRegular)) {
            found.push_back((input.parent_path() / path.filename()).string());
        }
    }
    std::sort(found.begin(), found.end());
    if (found.size() > kMaxClipFilesBeside) {
        found.resize(kMaxClipFilesBeside);
    }
    return found;
}

std::vector<AnimationSource> clipFileAnimations(const std::vector<std::string>& paths, bool named,
                                                const NodesByName& nodes, ConfinedFiles& files,
                                                ImportLog& log) {
    std::vector<AnimationSource> animations;
    for (const std::string& path : paths) {
        const std::string label = fs::path(path).stem().string();
        // Read quietly: the file is only a candidate until its animations fit.
        std::ostringstream unused;
        ImportLog quiet(unused);
        Assimp::Importer importer;
        std::string why;
        try {
            const aiScene& scene = readScene(path, importer, files, quiet, SceneNeed::Animations);
            why = mismatch(scene, nodes);
            for (unsigned int a = 0; why.empty() && a < scene.mNumAnimations; ++a) {
                const std::string own = scene.mAnimations[a]->mName.C_Str();
                animations.push_back(animationSource(
                    *scene.mAnimations[a], nodes,
                    scene.mNumAnimations == 1 || own.empty() ? label : label + "_" + own));
            }
        } catch (const LoadError& error) {
            why = error.problem();
        }
        if (!why.empty() && named) {
            log.warn(path + ": its animations are not added: " + why);
        }
    }
    return animations;
}

}  // namespace importer
}  // namespace velmora
