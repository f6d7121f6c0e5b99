#pragma once
// Small model files that the viewer's tests write to disk and load as a user
// would, through the project's own writers.
//
// The figure is a textured square standing in the plane z = 0, facing the
// camera's reset view, and a skeleton of two bones:
//
//        y = 60  +-----------+        texture (2 x 2, nearest):
//                |  red  | green       row 0: red   green   (t = 0, top)
//                |   1   |   |         row 1: blue  yellow  (t = 1, bottom)
//        y = 20  |-------+---|
//                | blue  |yellow     bone 0 (root) at the origin,
//                |   0   |   |       bone 1 its child at (0, 40, 0):
//        y = -20 +-----------+       one white line from (0, 0, 0) to (0, 40, 0)
//            x = -40   0   40
//
// Every vertex hangs on bone 0 with weight 1. Unless turnPerKey is set, the keys
// of each animation are the same in every frame, so a picture does not depend on
// the clock.

#include <optional>
#include <string>
#include <vector>

#include "files/png_image.h"
#include "geometry/geometry.h"
#include "tests/support/colour.h"
#include "view/camera.h"

using namespace velmora;

// Corners of the square and where the bone line runs, in model space.
constexpr double kSquareLeft = -40;
constexpr double kSquareRight = 40;
constexpr double kSquareBottom = -20;
constexpr double kSquareTop = 60;
const Geometry::Vector3 kChildJoint(0, 40, 0);

struct TestModel {
    // Names of the motion files, written next to the model file. Animation i
    // turns the root (and with it the square) i half turns about y, so the
    // second shows the square from behind.
    std::vector<std::string> motionNames = {"figure-idle", "figure-walk"};
    // False: the model names a texture file that does not exist.
    bool withTexture = true;
    // 1 to 4: a 2 x 2 texture in grey, grey and alpha, RGB or RGBA.
    int textureChannels = 3;
    // Instead of the 2 x 2 texture, when given.
    std::optional<Image> texture;
    int playbackRate = 10;
    // Scales the square and the skeleton about the origin.
    double scale = 1.0;
    // Keys in each animation; key k turns the root a further k * turnPerKey
    // degrees about z (in the square's plane), so that keys and blends differ.
    int keyCount = 2;
    double turnPerKey = 0.0;
    // Moves the root, and with it the whole figure, in every key.
    Geometry::Vector3 offset;
};

// Writes stem.animesh, its texture and motion files into folder (which must
// exist, with or without a slash at the end); returns the model file's path.
std::string writeTestModel(const std::string& folder, const std::string& stem,
                           const TestModel& model = {});

// Changes the working directory for the object's lifetime.
class WorkingDirectory {
  public:
    explicit WorkingDirectory(const std::string& path);
    ~WorkingDirectory();
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

  private:
    std::string previous_;
};

// Where a model-space point lands in a width x height window seen through
// camera with the viewer's frustum: x and y in pixels from the bottom-left
// corner (as glReadPixels counts), z the depth in [0, 1].
Geometry::Vector3 toWindow(const Geometry::Vector3& point, const Camera& camera, int width,
                           int height);
