#include "app/viewer.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <utility>

#include "app/comparison.h"
#include "app/sample_location.h"
#include "files/load.h"
#include "model/pipeline.h"
#include "model/pose_difference.h"
#include "model/posed_box.h"

namespace velmora {
inline namespace app {

const char* const kHelpText =
    "SPACE: Cicle through animations. \n"
    "M: Switch Mesh On/Off. \n"
    "B: Switch Bones On/Off. \n"
    "8: Move the LookAt Point forward along Z. \n"
    "2: Move the LookAt Point back along Z. \n"
    "6: Move the LookAt Point forward along X. \n"
    "4: Move the LookAt Point back along X. \n"
    "9: Move the Eye Point up. \n"
    "1: Move the Eye Point down. \n"
    "+: Zoom Towards LookAt Point. \n"
    "-: Zoom Aways from LookAt Point. \n"
    "0: Rotate Camera around LookAt point (CW). \n"
    ".: Rotate Camera around LookAt point (CCW). \n"
    "5: Reset Camera. \n"
    "UP: Move Camera up along Y. \n"
    "DOWN: Move Camera down along Y. \n"
    "LEFT: Slow down animation. \n"
    "RIGHT: Speed up animation. \n";

const char* const kAddedHelpText =
    "LEFT DRAG: Rotate Camera around LookAt point, Move the Eye Point up/down. \n"
    "SHIFT+LEFT DRAG or MIDDLE DRAG: Move the LookAt Point across the view. \n"
    "WHEEL: Zoom Towards/Away from LookAt Point. \n"
    "P: Pause/Resume animation. \n"
    "]: Step one key forward (pauses). \n"
    "[: Step one key back (pauses). \n"
    "HOME: Go to the first key (pauses). \n"
    "I: Switch Overlay On/Off. \n"
    "F: Frame the model. \n"
    "N: Switch Bone Names On/Off. \n"
    "O: Switch Onion Skin On/Off. \n"
    "F12: Save a Screenshot. \n"
    "H or F1: Show this Help. \n"
    "F11: Switch Full Screen On/Off. \n"
    "K: Cycle the Background Colour (black, grey, white). \n"
    "V: Switch Wireframe On/Off. \n"
    "*: Double the animation speed. \n"
    "/: Halve the animation speed. \n"
    "=: Animation speed back to normal. \n"
    "{: Start the loop range at the key shown. \n"
    "}: End the loop range at the key shown. \n"
    "|: Clear the loop range. \n"
    "R: Cycle the play mode (loop, ping-pong, reverse). \n"
    "T: Switch the Turntable On/Off (camera keys and the mouse stop it). \n"
    "W: Cycle the mesh colouring (texture, bone weights, influence counts). \n"
    "TAB / SHIFT+TAB: Select the next / previous bone. \n"
    "LEFT CLICK on a joint: Select its bone (bones shown). \n"
    "X: Switch Joint Axes On/Off. \n"
    "SHIFT+C: Compare with another character, chosen in a file dialog. \n"
    "C: Switch the Comparison On/Off. \n"
    "G: Switch the Ground Grid On/Off. \n"
    "L: Hold the character In Place On/Off (the ground moves instead). \n";

std::string helpBoxText() {
    return std::string(kHelpText) + "\n" + kAddedHelpText;
}

std::vector<FileFilter> loadDialogFilters() {
    FileFilter characters{"Character Files (glTF, FBX, COLLADA, X, B3D, MD5, SMD, IQM)", {}};
    for (const char* const* pattern = kCharacterFilePatterns; *pattern; ++pattern) {
        characters.patterns.push_back(*pattern);
    }
    return {{kModelFilterName, {kModelFilterPattern}}, characters, {"All Files", {"*"}}};
}

Viewer::Viewer(Camera& camera_, MenuBackend& menus, Dialogs& dialogs, TextureStore& textures,
               const CharacterCache& cache, const Clock& clock)
    : camera(camera_),
      messages(clock),
      menus_(menus),
      dialogs_(dialogs),
      textures_(textures),
      cache_(cache) {}

void Viewer::buildMenus() {
    animationMenu = menus_.createMenu(MenuKind::Animation);
    modelMenu = menus_.createMenu(MenuKind::Model);
    menus_.setCurrentMenu(modelMenu);
    for (int value = 0; value < kSampleModelCount; ++value) {
        menus_.addEntry(kSampleModels[value].label, value);
    }
    mainMenu = menus_.createMenu(MenuKind::Main);
    menus_.setCurrentMenu(mainMenu);
    menus_.addSubmenu("Select Model", modelMenu);
    menus_.addSubmenu("Select Animation", animationMenu);
    menus_.addEntry("Load Model...", kLoadModelValue);
    menus_.addEntry("Switch Mesh On/Off", kSwitchMeshValue);
    menus_.addEntry("Switch Bones On/Off", kSwitchBonesValue);
    menus_.addEntry("Close File", kCloseFileValue);
    menus_.addEntry("Reset Camera", kResetCameraValue);
    menus_.addEntry("Help", kHelpValue);
    menus_.attachToRightButton();
}

LoadOptions Viewer::loadOptions() const {
    LoadOptions options;
    options.maxTextureSide = textures_.maxSide();
    return options;
}

void Viewer::loadModel(const std::string& path) {
    install(path, loadModelFile(path, loadOptions()));
}

void Viewer::install(const std::string& path, LoadResult loaded) {
    modelPath = path;
    std::cerr << reportText(loaded.problems) << std::flush;
    problems.clear();
    for (const LoadProblem& problem : loaded.problems) {
        problems.push_back(problem.message);
    }
    for (const std::string& warning : openingWarnings_) {
        problems.push_back(path + ": warning: " + warning);
        std::cerr << problems.back() << std::endl;
    }
    openingWarnings_.clear();
    model = std::make_unique<Model>(std::move(loaded.model));
    if (comparedModel) {
        comparisonDistance = defaultMaxDistance(*model);
    }
    ground = groundFor(*model);
    if (model->texture && model->texture->image) {
        texture = textures_.upload(*model->texture->image);
        if (texture == 0) {
            const LoadProblem problem = failedToOpen(model->texture->fileName);
            std::cerr << reportText({problem}) << std::flush;
            problems.push_back(problem.message);
        }
        // The texture store holds the pixels from now on.
        model->texture->image->pixels = std::vector<uint8_t>();
    }
    menus_.setCurrentMenu(animationMenu);
    clearAnimationMenu();
    for (const Animation& animation : model->animations) {
        menus_.addEntry(animationLabel(animation.name), animationCount + 1);
        ++animationCount;
    }
    currentAnimation = 0;
    inspect();
    animationChanged();
    messages.dismiss();
    messages.show(problems);
}

void Viewer::releaseModel() {
    if (!model) {
        return;
    }
    clearAnimationMenu();
    if (texture != 0) {
        textures_.release(texture);
        texture = 0;
    }
    model->unload();
    model.reset();
    ground.reset();
    modelPath.clear();
    problems.clear();
    inspect();
}

void Viewer::inspect() {
    selectedBone.reset();
    meshColours_ = {};
    findings.clear();
    jointAxisLength = 0.0;
    if (model) {
        findings = checkCharacter(*model, {});
        for (int32_t animation = 0; animation < animationCount; ++animation) {
            if (isPlayable(*model, animation)) {
                jointAxisLength =
                    largestSide(firstKeyBox(*model, model->animations[animation])) / 20;
                break;
            }
        }
    }
    faultedVertexList = faultedVertices(findings);
}

void Viewer::replaceModel(const std::string& path, const std::vector<std::string>& clipFiles) {
    reloadKeeps_.reset();
    open(path, clipFiles);
}

void Viewer::open(const std::string& path, const std::vector<std::string>& clipFiles) {
    opening_.reset();
    if (isModelFileName(path) && !menusInUse_) {
        clipFiles_.clear();
        takeLoaded(path, loadModelFile(path, loadOptions()));
        return;
    }
    openingProgress_.clear();
    openingWarnings_.clear();
    opening_ = std::make_unique<CharacterOpening>(path, cache_, clipFiles);
    pollOpening(std::chrono::milliseconds(0));
}

bool Viewer::pollOpening(std::chrono::milliseconds wait) {
    const bool comparisonOpening = pollComparison(wait);
    if (!opening_) {
        return comparisonOpening;
    }
    const auto onLine = [this](const std::string& line) {
        if (auto warning = conversionWarning(line)) {
            openingWarnings_.push_back(std::move(*warning));
        } else {
            openingProgress_ = conversionMessage(line);
        }
    };
    if (!opening_->poll(wait, onLine) || menusInUse_) {
        return true;
    }
    const std::unique_ptr<CharacterOpening> opening = std::move(opening_);
    clipFiles_ = opening->clipFiles();
    takeLoaded(opening->path(), opening->load(loadOptions()));
    return comparisonOpening;
}

void Viewer::openComparison(const std::string& path) {
    comparisonOpening_ = std::make_unique<CharacterOpening>(path, cache_);
    pollComparison(std::chrono::milliseconds(0));
}

void Viewer::chooseComparison() {
    if (const auto path = chooseModelFile()) {
        openComparison(*path);
    }
}

bool Viewer::pollComparison(std::chrono::milliseconds wait) {
    if (!comparisonOpening_) {
        return false;
    }
    const std::string path = comparisonOpening_->path();
    const auto onLine = [&path](const std::string& line) {
        if (const auto warning = conversionWarning(line)) {
            std::cerr << path << ": warning: " << *warning << std::endl;
        }
    };
    if (!comparisonOpening_->poll(wait, onLine)) {
        return true;
    }
    const std::unique_ptr<CharacterOpening> opening = std::move(comparisonOpening_);
    LoadOptions options;
    options.keepTexturePixels = false;
    installComparison(path, opening->load(options));
    return false;
}

void Viewer::installComparison(const std::string& path, LoadResult loaded) {
    std::cerr << reportText(loaded.problems) << std::flush;
    std::vector<std::string> lines;
    for (const LoadProblem& problem : loaded.problems) {
        lines.push_back(problem.message);
    }
    if (loaded.modelRead) {
        comparedModel = std::make_unique<Model>(std::move(loaded.model));
        comparedPath = path;
        showComparison = true;
        if (model) {
            comparisonDistance = defaultMaxDistance(*model);
        }
        if (const std::string mismatch = comparisonMismatch(*this); !mismatch.empty()) {
            lines.push_back(mismatch);
        }
    }
    messages.show(lines);
}

void Viewer::takeLoaded(const std::string& path, LoadResult loaded) {
    const std::optional<KeptView> kept = std::exchange(reloadKeeps_, std::nullopt);
    if (kept && (!loaded.modelRead || !loaded.problems.empty())) {
        const std::string line = loaded.problems.empty() ? "Failed to open \"" + path + "\""
                                                         : loaded.problems.front().message;
        std::cerr << line << std::endl;
        messages.show({line});
        return;
    }
    releaseModel();
    install(path, std::move(loaded));
    if (kept) {
        if (kept->animation < animationCount) {
            currentAnimation = kept->animation;
        }
        loopStartKey = kept->loopStartKey;
        loopEndKey = kept->loopEndKey;
        if (playback.paused()) {
            playback.hold(kept->reading);
        }
    }
}

WatchedFiles Viewer::watchedFiles() const {
    if (modelPath.empty()) {
        return {};
    }
    if (!isModelFileName(modelPath)) {
        return {{modelPath}, {std::filesystem::path(modelPath).parent_path().string()}};
    }
    WatchedFiles watched{{modelPath}, {}};
    if (model && model->texture) {
        watched.files.push_back(model->texture->fileName);
    }
    if (model) {
        for (const Animation& animation : model->animations) {
            watched.files.push_back(animation.name);
        }
    }
    return watched;
}

void Viewer::reload() {
    if (modelPath.empty() || opening_) {
        return;
    }
    reloadKeeps_ = KeptView{currentAnimation, playback.reading(), loopStartKey, loopEndKey};
    // A copy: releasing the model clears modelPath.
    const std::string path = modelPath;
    open(path, clipFiles_);
}

void Viewer::setMenusInUse(bool inUse) {
    menusInUse_ = inUse;
}

std::string Viewer::openingStatus() const {
    // Nothing while the cache is checked (which, for a file converted before,
    // ends in its model), nor for a model file waiting for the menus to close.
    if (!opening_ || !opening_->converting()) {
        // B's conversion, while the current model's is not running.
        if (comparisonOpening_ && comparisonOpening_->converting()) {
            return "converting " +
                   std::filesystem::path(comparisonOpening_->path()).filename().string();
        }
        return {};
    }
    std::string status =
        "converting " + std::filesystem::path(opening_->path()).filename().string();
    return openingProgress_.empty() ? status : status + ": " + openingProgress_;
}

void Viewer::clearAnimationMenu() {
    menus_.setCurrentMenu(animationMenu);
    while (animationCount > 0) {
        menus_.removeEntry(animationCount);
        --animationCount;
    }
}

std::string Viewer::messageText() const {
    std::vector<std::string> lines = messages.lines();
    if (lines.empty() && !playableAnimation()) {
        lines = MessageLine::condensed(problems);
    }
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

FrameContent Viewer::frameContent(int64_t milliseconds) const {
    FrameContent content{
        model.get(), texture,       currentAnimation, milliseconds, showMesh,
        showBones,   showBoneNames, showOnionSkin,    wireframe,    kBackgroundGreys[background]};
    if (model && colouring != MeshColouring::Texture) {
        content.cornerColours = &meshColours().corners;
    }
    if (colouring == MeshColouring::Influences) {
        content.markedVertices = &faultedVertexList;
    }
    content.selectedBone = selectedBone ? *selectedBone : -1;
    content.jointAxisLength = showJointAxes ? jointAxisLength : 0.0;
    content.inPlace = inPlace;
    content.ground = showGround && ground ? &*ground : nullptr;
    if (comparing(*this)) {
        content.comparedModel = comparedModel.get();
        content.comparedAnimation =
            static_cast<int32_t>(counterpartAnimation(*comparedModel, currentAnimation));
    }
    return content;
}

int Viewer::weightsBone() const {
    return selectedBone.value_or(0);
}

const Legend& Viewer::legend() const {
    return meshColours().legend;
}

const Viewer::MeshColours& Viewer::meshColours() const {
    const int bone = colouring == MeshColouring::Weights ? weightsBone() : 0;
    if (!model) {
        meshColours_ = {};
    } else if (meshColours_.colouring != colouring || meshColours_.bone != bone) {
        meshColours_ = {colouring, bone,
                        cornerColours(*model, vertexColours(*model, colouring, bone)),
                        colouringLegend(*model, colouring, bone)};
    }
    return meshColours_;
}

const Animation* Viewer::playableAnimation() const {
    return model && isPlayable(*model, currentAnimation) ? &model->animations[currentAnimation]
                                                         : nullptr;
}

std::optional<std::pair<uint32_t, uint32_t>> Viewer::loopKeys() const {
    const Animation* animation = playableAnimation();
    if (!animation || (!loopStartKey && !loopEndKey)) {
        return std::nullopt;
    }
    const uint32_t lastKey = animation->frameCount - 1;
    const uint32_t start = std::min(loopStartKey.value_or(0), lastKey);
    const uint32_t end = std::min(loopEndKey.value_or(lastKey), lastKey);
    return std::pair{std::min(start, end), std::max(start, end)};
}

std::optional<PlaySpan> Viewer::playSpan() const {
    const Animation* animation = playableAnimation();
    if (!animation) {
        return std::nullopt;
    }
    const int32_t rate = model->playbackRate;
    if (const auto keys = loopKeys()) {
        return PlaySpan{keyStartMilliseconds(*animation, rate, keys->first),
                        keyStartMilliseconds(*animation, rate, keys->second)};
    }
    if (playMode == PlayMode::Loop) {
        return std::nullopt;
    }
    // The loop's end shows the first key again, as a loop's wrap does.
    return PlaySpan{0, loopMilliseconds(*animation, rate)};
}

int64_t Viewer::readClocks(int64_t now) {
    if (turntable) {
        turnTurntable(camera, now - turntableAt);
    }
    turntableAt = now;
    playback.setSpan(playSpan(), playMode);
    return playback.read(now);
}

void Viewer::animationChanged() {
    loopStartKey.reset();
    loopEndKey.reset();
    if (playback.paused()) {
        playback.hold(0);
    }
}

void Viewer::onMainMenu(int value) {
    switch (value) {
        case kLoadModelValue:
            loadChosenFile();
            break;
        case kCloseFileValue:
            releaseModel();
            break;
        case kSwitchMeshValue:
            showMesh = !showMesh;
            break;
        case kSwitchBonesValue:
            showBones = !showBones;
            break;
        case kResetCameraValue:
            camera.reset();
            break;
        case kHelpValue:
            dialogs_.showMessage("Help", helpBoxText());
            break;
        default:
            break;
    }
}

void Viewer::loadChosenFile() {
    if (const auto path = chooseModelFile()) {
        openChosenFile(*path);
    }
}

std::optional<std::string> Viewer::chooseModelFile() {
    // The chooser opens where the current model lies, so that its neighbours
    // are a click away.
    std::string folder;
    if (!modelPath.empty()) {
        std::error_code error;
        folder = std::filesystem::absolute(modelPath, error).parent_path().string();
    }
    auto path = dialogs_.chooseFile(kLoadDialogTitle, folder, loadDialogFilters());
    if (path && path->size() > kMaxChosenPathBytes) {
        return std::nullopt;
    }
    return path;
}

bool Viewer::openChosenFile(const std::string& path, const std::vector<std::string>& clipFiles) {
    if (path.size() > kMaxChosenPathBytes) {
        return false;
    }
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) {
        const std::string absolute = std::filesystem::absolute(path, error).string();
        if (!error) {
            dialogs_.addRecentFile(absolute);
        }
    }
    // A file of animations alone, dropped or chosen while a converted
    // character shows, adds its animations to the character's.
    if (isClipFileName(path) && !modelPath.empty() && !isModelFileName(modelPath)) {
        std::vector<std::string> clipFiles = clipFiles_;
        clipFiles.push_back(path);
        replaceModel(modelPath, clipFiles);
        return true;
    }
    replaceModel(path, clipFiles);
    return true;
}

void Viewer::onModelMenu(int value) {
    if (static_cast<unsigned>(value) < static_cast<unsigned>(kSampleModelCount)) {
        replaceModel(locateSampleModel(kSampleModels[value].path));
    }
}

void Viewer::onAnimationMenu(int value) {
    if (value >= 1 && value <= animationCount) {
        currentAnimation = value - 1;
        animationChanged();
    }
}

}  // namespace app
}  // namespace velmora
