#include "tests/render/render_figure.h"

#include <stdexcept>

#include "files/png_image.h"
#include "files/safe_file.h"

namespace {

const char* const kModel = R"(// The render tests' figure: a body, an arm and a hand bone
Velmora render figure
written by the render tests
version 1
Playback rate: 10
MAX native mesh data:
4 faces
8 vertices
8 mapping coordinates
Bones Nb:
1 1 1 1 1 1 1 1
Bones ID:
0 0 0 0 1 1 1 1
Weights:
1 1 1 1 1 1 1 1
Offset vectors:
(-30, -20, 0) (30, -20, 0) (30, 20, 0) (-30, 20, 0)
(-4, 0, 0) (4, 0, 0) (4, 40, 0) (-4, 40, 0)
Skeletal information: 3
bone parent
0 -1 body
1 0 arm
2 1 hand
Mapping coordinates:
(0, 1, 0) (0.5, 1, 0) (0.5, 0, 0) (0, 0, 0)
(0.75, 0.25, 0) (0.75, 0.25, 0) (0.75, 0.25, 0) (0.75, 0.25, 0)
Faces:
v0 v1 v2 m0 m1 m2
0 1 2 0 1 2
0 2 3 0 2 3
4 5 6 4 5 6
4 6 7 4 6 7
TEXTURES
Texture: figure.png
ANIMATIONS
Count: 2
figure-wave.motion
figure-turn.motion
)";

const char* const kWave = R"(Velmora motion: wave
Number of bones: 3
Motion type: quaternion
Bone: 0
Frames: 3
translation, rotation x y z w
-
(0, 0, 0) (0, 0, 0, 1)
(0, 0, 0) (0, 0, 0, 1)
(0, 0, 0) (0, 0, 0, 1)
Bone: 1
Frames: 3
translation, rotation x y z w
-
(0, 20, 0) (0, 0, 0, 1)
(0, 20, 0) (0, 0, 0.38268343236508978, 0.92387953251128674)
(0, 20, 0) (0, 0, 0.70710678118654757, 0.70710678118654757)
Bone: 2
Frames: 3
translation, rotation x y z w
-
(0, 40, 0) (0, 0, 0, 1)
(0, 40, 0) (0, 0, 0, 1)
(0, 40, 0) (0, 0, 0, 1)
)";

const char* const kTurn = R"(Velmora motion: turn
Number of bones: 3
Motion type: quaternion
Bone: 0
Frames: 1
translation, rotation x y z w
-
(0, 0, 0) (0, 1, 0, 0)
Bone: 1
Frames: 1
translation, rotation x y z w
-
(0, 20, 0) (0, 0, 0, 1)
Bone: 2
Frames: 1
translation, rotation x y z w
-
(0, 40, 0) (0, 0, 0, 1)
)";

std::string textureFile() {
    const uint8_t red[] = {255, 0, 0};
    const uint8_t green[] = {0, 255, 0};
    const uint8_t blue[] = {0, 0, 255};
    const uint8_t yellow[] = {255, 255, 0};
    const uint8_t cyan[] = {0, 255, 255};
    Image image;
    image.width = 4;
    image.height = 2;
    image.channels = 3;
    for (const uint8_t* pixel : {red, green, cyan, cyan, blue, yellow, cyan, cyan}) {
        image.pixels.insert(image.pixels.end(), pixel, pixel + 3);
    }
    return encodePng(image);
}

void writeOrThrow(const std::string& path, const std::string& bytes) {
    if (!writeFile(path, bytes)) {
        throw std::runtime_error("cannot write " + path);
    }
}

}  // namespace

std::string writeRenderFigure(const std::string& folder) {
    writeOrThrow(folder + "/figure.png", textureFile());
    writeOrThrow(folder + "/figure-wave.motion", kWave);
    writeOrThrow(folder + "/figure-turn.motion", kTurn);
    writeOrThrow(folder + "/figure.animesh", kModel);
    return folder + "/figure.animesh";
}
