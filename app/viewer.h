#pragma once
// What the user is looking at: the current model, its animation menu, the
// animation being played and the two display switches, with the operations
// that put a model into the slot and take it out, and the pop-up menus.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "app/clock.h"
#include "app/message_line.h"
#include "app/platform.h"
#include "app/playback_clock.h"
#include "drawing/frame.h"
#include "files/load.h"
#include "files/model.h"
#include "import/character_opening.h"
#include "view/camera.h"

namespace velmora {
inline namespace app {

// Creates the window, finds its native handle and starts the frame-rate title.
constexpr const char* kWindowTitle = "Velmora - Project #1";

struct SampleModel {
    const char* label;
    const char* path;
};

// The "Select Model" entries; an entry's value is its index. Paths are relative
// to the working directory.
constexpr SampleModel kSampleModels[] = {
    {"School Girl", "Models/schoolgirl/schoolgirl.animesh"},
    {"Tomboy", "Models/tomboy/tomboy.animesh"},
    {"Greaser", "Models/greaser/greaser.animesh"},
    {"Cowboy", "Models/cowboy/cowboy.animesh"},
};
constexpr int kSampleModelCount = sizeof(kSampleModels) / sizeof(kSampleModels[0]);

// Values of the main menu's entries; they do not follow the entries' order.
enum MainMenuValue {
    kLoadModelValue = 0,
    kCloseFileValue = 1,
    kSwitchMeshValue = 2,
    kSwitchBonesValue = 3,
    kResetCameraValue = 4,
    kHelpValue = 5,
};

// The background colours 'k' steps through, as grey levels: black, grey, white.
constexpr float kBackgroundGreys[] = {0.0f, 0.5f, 1.0f};
constexpr int kBackgroundCount = sizeof(kBackgroundGreys) / sizeof(kBackgroundGreys[0]);
// One turn of the turntable, in the program's clock.
constexpr int64_t kTurntableMilliseconds = 10000;

extern const char* const kHelpText;
// The controls added to those of kHelpText, one per line in the same style.
extern const char* const kAddedHelpText;
// What the Help box shows: kHelpText, a blank line, kAddedHelpText.
std::string helpBoxText();

// The file-open dialog of "Load Model...": model files first and chosen, then
// the character formats that are converted on the way, then all files.
constexpr const char* kLoadDialogTitle = "Load Animesh...";
constexpr const char* kModelFilterName = "Animesh Files (*.animesh)";
constexpr const char* kModelFilterPattern = "*.animesh";
std::vector<FileFilter> loadDialogFilters();
// Longest chosen path taken; a longer one is refused as if the user cancelled.
constexpr std::size_t kMaxChosenPathBytes = 1023;

class Viewer {
  public:
    // The message line reads clock.
    Viewer(Camera& camera, MenuBackend& menus, Dialogs& dialogs, TextureStore& textures,
           const CharacterCache& cache, const Clock& clock);

    // Owned; null when no model is loaded.
    std::unique_ptr<Model> model;
    // The model's texture in the texture store; 0 when it has none.
    uint32_t texture = 0;
    // The path model was loaded from; empty when no model is loaded.
    std::string modelPath;
    int32_t mainMenu = 0;
    int32_t animationMenu = 0;
    int32_t modelMenu = 0;
    // Entries in the animation menu: the current model's animations, 0 without one.
    int32_t animationCount = 0;
    // While animationCount > 0: 0 <= currentAnimation < animationCount.
    int32_t currentAnimation = 0;
    bool showBones = false;
    bool showMesh = true;
    // The added inspection switches, all off until used: the overlay with the
    // timeline, and, while bones are drawn, their names and the onion skin.
    bool showOverlay = false;
    bool showBoneNames = false;
    bool showOnionSkin = false;
    // The added view switches, off until used: the background's grey
    // (kBackgroundGreys[background], black first) and the mesh drawn as lines.
    int background = 0;
    bool wireframe = false;
    // The added loop range, as keys of the current animation ('{' and '}'; a
    // bound not set is the animation's first or last key), and the play mode
    // ('r'); none and Loop until used. A change of animation or model clears
    // the range.
    std::optional<uint32_t> loopStartKey;
    std::optional<uint32_t> loopEndKey;
    PlayMode playMode = PlayMode::Loop;
    // The added turntable ('t'): while on, the camera turns round its target,
    // one turn every kTurntableMilliseconds; turntableAt is the clock's
    // reading the camera last turned at.
    bool turntable = false;
    int64_t turntableAt = 0;

    Camera& camera;
    PlaybackClock playback;
    // What went wrong opening a file, for a few seconds.
    MessageLine messages;
    // The current model's problems, one line each, in the words standard error
    // has for them: what could not be opened or read, and the conversion's
    // warnings ("<path>: warning: <text>"). Empty without a model.
    std::vector<std::string> problems;
    // What the last frame computed (pose, skinned positions), for framing.
    FrameBuffers frame;
    // The window's size in pixels, as last reshaped.
    int width = 640;
    int height = 480;

    // Creates the animation, model and main menus, in that order, and attaches
    // the main menu to the right mouse button.
    void buildMenus();
    // Makes a new model read from path current, even when reading fails, and
    // lists its animations in the animation menu. What could not be read is
    // reported on standard error. The caller has released the previous model.
    void loadModel(const std::string& path);
    // Empties the animation menu, then destroys the model, if any.
    void releaseModel();
    // Release, then load: how every command replaces the model. A file of
    // another format is converted first, by the converter program, while the
    // current model stays; pollOpening then releases it and makes the converted model
    // current (an empty one, with one line naming the file, when the conversion
    // fails), just as a model file is loaded. While a menu is shown, a model
    // file waits in the same way (setMenusInUse).
    void replaceModel(const std::string& path);
    // Takes what the cache check and conversion have done within wait; true
    // while one runs, or while a model waits for the menus to close.
    bool pollOpening(std::chrono::milliseconds wait);
    // Whether a pop-up menu is shown, as the platform tells. No menu may change
    // while one is: a model opened then (chosen, dropped or converted) waits,
    // the current model and its animation menu stay, and the first
    // pollOpening after the menus have closed makes it current.
    void setMenusInUse(bool inUse);
    // What the title shows beside the frame rate while a file is converted:
    // "converting <name>" and its progress; empty otherwise.
    std::string openingStatus() const;
    // Removes the animation menu's entries, last first.
    void clearAnimationMenu();
    // A file the user chose, in the file-open dialog, by dropping it on the
    // window or on the command line: replaces the model, unless its path is
    // longer than kMaxChosenPathBytes, which is refused as if the choice was
    // cancelled. Whether it was taken. A regular file taken goes to the
    // desktop's recent files.
    bool openChosenFile(const std::string& path);

    // What the message line shows now, '\n' after each line: the latest
    // messages while they last; after them, as long as the model draws
    // nothing, its problems (why the window is empty).
    std::string messageText() const;

    // What the frame shows at the playback clock's reading.
    FrameContent frameContent(int64_t milliseconds) const;
    // The current animation when it can be played; null otherwise.
    const Animation* playableAnimation() const;
    // The keys the loop range runs over, first <= last; none without a range
    // or an animation to play.
    std::optional<std::pair<uint32_t, uint32_t>> loopKeys() const;
    // Where playback runs: the loop range's first key's start to its last's,
    // or, in another mode than Loop, the whole loop; none otherwise.
    std::optional<PlaySpan> playSpan() const;
    // The playback clock's reading for a frame, or an input, at the program's
    // clock now, within playSpan; the turntable turns the camera on to now.
    int64_t readClocks(int64_t now);
    // After the animation or the model changed: while paused, the first key is
    // held; while playing, the clock runs on.
    void animationChanged();

    void onMainMenu(int value);
    void onModelMenu(int value);
    void onAnimationMenu(int value);

  private:
    // What every load of the viewer takes: textures no larger than it can draw.
    LoadOptions loadOptions() const;
    void loadChosenFile();
    // loadModel's steps for a load already done.
    void install(const std::string& path, LoadResult loaded);

    MenuBackend& menus_;
    Dialogs& dialogs_;
    TextureStore& textures_;
    const CharacterCache& cache_;
    std::unique_ptr<CharacterOpening> opening_;
    // The conversion's latest progress line.
    std::string openingProgress_;
    bool menusInUse_ = false;
    // The conversion's warnings so far.
    std::vector<std::string> openingWarnings_;
};

}  // namespace app
}  // namespace velmora
