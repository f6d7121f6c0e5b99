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
#include "app/file_watch.h"
#include "app/message_line.h"
#include "app/platform.h"
#include "app/playback_clock.h"
#include "drawing/frame.h"
#include "files/load.h"
#include "files/model.h"
#include "import/character_opening.h"
#include "model/rig_check.h"
#include "model/vertex_colouring.h"
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
    // The added rig inspection, off until used: the mesh's colouring ('w'),
    // the bone selected (Tab, Shift+Tab or a click on a joint; none until
    // then, and none after a change of model) and the joint axes ('x').
    MeshColouring colouring = MeshColouring::Texture;
    std::optional<uint8_t> selectedBone;
    bool showJointAxes = false;
    // The current model's findings (checkCharacter, run once as it loads),
    // the vertices they fault for their weights, and the joint axes' length
    // (a twentieth of the model's size; 0 when nothing can be played).
    std::vector<Finding> findings;
    std::vector<std::size_t> faultedVertexList;
    double jointAxisLength = 0.0;
    // The added comparison, off until used: a second character ("B", opened
    // with --compare or 'C') drawn over the current one in sync while
    // showComparison ('c'); app/comparison.h. comparisonDistance is the
    // current model's defaultMaxDistance, which ranks the bones' differences,
    // kept while there is a B.
    std::unique_ptr<Model> comparedModel;
    std::string comparedPath;
    bool showComparison = false;
    double comparisonDistance = 0.0;
    // The added ground grid ('g') and in-place playback ('l'), off until used;
    // ground is the current model's, found once when it is loaded (none
    // without a model or a playable animation).
    bool showGround = false;
    bool inPlace = false;
    std::optional<Ground> ground;

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
    // clipFiles: files whose animations are added to a converted character's.
    void replaceModel(const std::string& path, const std::vector<std::string>& clipFiles = {});
    // Takes what the cache check and conversion have done within wait; true
    // while one runs, or while a model waits for the menus to close.
    bool pollOpening(std::chrono::milliseconds wait);
    // Whether a pop-up menu is shown, as the platform tells. No menu may change
    // while one is: a model opened then (chosen, dropped or converted) waits,
    // the current model and its animation menu stay, and the first
    // pollOpening after the menus have closed makes it current.
    void setMenusInUse(bool inUse);
    // What the title shows beside the frame rate while a file is converted:
    // "converting <name>" and its progress, or "converting <name>" of B;
    // empty otherwise.
    std::string openingStatus() const;
    // The files the current model came from, to reload it when they change:
    // the model file, its texture and motion files; for a converted character
    // its source and the folder it lies in (the files beside it that the
    // conversion read). Nothing without a model path.
    WatchedFiles watchedFiles() const;
    // Opens the current model's file again as replaceModel opens it, keeping
    // the animation, the time shown (held while paused, running on while
    // playing), the loop range, play mode, camera and view switches. A load
    // that reports a problem keeps the model shown, with the first problem as
    // one line naming its file. Does nothing while another file is opening.
    void reload();
    // Removes the animation menu's entries, last first.
    void clearAnimationMenu();
    // A file the user chose, in the file-open dialog, by dropping it on the
    // window or on the command line: replaces the model, unless its path is
    // longer than kMaxChosenPathBytes, which is refused as if the choice was
    // cancelled. Whether it was taken. A regular file taken goes to the
    // desktop's recent files. A clip file (isClipFileName) while a converted
    // character shows adds its animations to the character's instead;
    // clipFiles adds theirs to the file's.
    bool openChosenFile(const std::string& path, const std::vector<std::string>& clipFiles = {});
    // Opens path as B, converted as replaceModel converts, while the current
    // model and B stay; pollOpening then makes it B and shows the comparison,
    // with its problems on the message line, and how its skeleton differs from
    // the current model's when it does. A file that cannot be read leaves the
    // B before it.
    void openComparison(const std::string& path);
    // 'C': B chosen in the file-open dialog of "Load Model...".
    void chooseComparison();

    // What the message line shows now, '\n' after each line: the latest
    // messages while they last; after them, as long as the model draws
    // nothing, its problems (why the window is empty).
    std::string messageText() const;

    // What the frame shows at the playback clock's reading.
    FrameContent frameContent(int64_t milliseconds) const;
    // The bone whose weights the weights view shows: the one selected, bone 0
    // while none is.
    int weightsBone() const;
    // The legend of the colouring shown; empty for the texture.
    const Legend& legend() const;
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
    // The file-open dialog of "Load Model...", opened where the current model
    // lies; a path longer than kMaxChosenPathBytes counts as none.
    std::optional<std::string> chooseModelFile();
    // pollOpening's steps for B: true while it is being opened.
    bool pollComparison(std::chrono::milliseconds wait);
    void installComparison(const std::string& path, LoadResult loaded);
    // loadModel's steps for a load already done.
    void install(const std::string& path, LoadResult loaded);
    // After the model changed: its findings, faulted vertices and joint axes'
    // length; no bone selected.
    void inspect();
    // replaceModel, for a reload or not.
    void open(const std::string& path, const std::vector<std::string>& clipFiles);
    // Puts a finished load in place of the current model, or, for a reload
    // that went wrong, reports it and keeps the model.
    void takeLoaded(const std::string& path, LoadResult loaded);

    // What a reload keeps while the model is opened again.
    struct KeptView {
        int32_t animation = 0;
        int64_t reading = 0;
        std::optional<uint32_t> loopStartKey;
        std::optional<uint32_t> loopEndKey;
    };
    std::optional<KeptView> reloadKeeps_;

    MenuBackend& menus_;
    Dialogs& dialogs_;
    TextureStore& textures_;
    const CharacterCache& cache_;
    std::unique_ptr<CharacterOpening> opening_;
    std::unique_ptr<CharacterOpening> comparisonOpening_;
    // The clip files whose animations the current character shows.
    std::vector<std::string> clipFiles_;
    // The conversion's latest progress line.
    std::string openingProgress_;
    bool menusInUse_ = false;
    // The conversion's warnings so far.
    std::vector<std::string> openingWarnings_;
    // The colours and legend of the colouring last drawn, remade only when
    // the colouring, its bone or the model changes.
    struct MeshColours {
        MeshColouring colouring = MeshColouring::Texture;
        int bone = 0;
        std::vector<VertexColour> corners;
        Legend legend;
    };
    const MeshColours& meshColours() const;
    mutable MeshColours meshColours_;
};

}  // namespace app
}  // namespace velmora
