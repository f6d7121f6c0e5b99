#include "tools/import/output_folder.h"

#include <cctype>
#include <filesystem>
#include <set>
#include <system_error>

#include "files/model_writer.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxNameLength = 80;
// Suffix of a file written but not yet put in place.
const char* const kStagedSuffix = ".incoming";

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

OutputPlan planOutput(const ImportOptions& options, const std::vector<std::string>& animationNames,
                      ImportLog& log) {
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
    std::error_code error;
    const std::string absolute = fs::absolute(plan.folder, error).lexically_normal().string();
    if (!error && absolute.find('-') != std::string::npos) {
        log.warn("the folder \"" + absolute +
                 "\" contains a hyphen; the viewer's animation menu shows what follows the "
                 "first hyphen of a motion file's path, so its labels will start there");
    }
    return plan;
}

void writeCharacter(const OutputPlan& plan, const ImportedCharacter& character) {
    std::vector<std::pair<std::string, std::string>> files;
    files.emplace_back(plan.modelFile,
                       modelText(*character.model, plan.textureFile, plan.motionFiles));
    files.emplace_back(plan.textureFile, encodePng(character.texture));
    for (std::size_t a = 0; a < plan.motionFiles.size(); ++a) {
        files.emplace_back(plan.motionFiles[a], motionText(character.model->animations[a]));
    }

    const fs::path folder(plan.folder);
    std::error_code error;
    if (fs::exists(folder, error) && !fs::is_directory(folder, error)) {
        throw OutputError(plan.folder + ": cannot write there: it is not a folder");
    }
    // The folders this call makes, outermost last, so that a failure can remove
    // them again.
    std::vector<fs::path> made;
    for (fs::path p = fs::absolute(folder, error).lexically_normal();
         !p.empty() && !fs::exists(p, error); p = p.parent_path()) {
        made.push_back(p);
        if (p == p.parent_path()) {
            break;
        }
    }
    const auto undo = [&](std::size_t staged) {
        for (std::size_t i = 0; i < staged; ++i) {
            fs::remove(folder / (files[i].first + kStagedSuffix), error);
        }
        for (const fs::path& p : made) {
            fs::remove(p, error);
        }
    };
    if (!fs::create_directories(folder, error) && error) {
        undo(0);
        throw OutputError(plan.folder + ": cannot create the folder: " + error.message());
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        const fs::path staged = folder / (files[i].first + kStagedSuffix);
        if (!writeFile(staged.string(), files[i].second)) {
            undo(i);
            throw OutputError((folder / files[i].first).string() + ": cannot write the file");
        }
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        const fs::path staged = folder / (files[i].first + kStagedSuffix);
        fs::rename(staged, folder / files[i].first, error);
        if (error) {
            undo(files.size());
            throw OutputError((folder / files[i].first).string() +
                              ": cannot put the file in place: " + error.message());
        }
    }
}
