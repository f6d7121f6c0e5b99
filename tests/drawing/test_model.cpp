#include "tests/drawing/test_model.h"

#include <cmath>
#include <filesystem>
#include <stdexcept>

#include "files/model.h"
#include "files/model_writer.h"
#include "files/png_image.h"
#include "files/safe_file.h"
#include "view/projection.h"

using namespace velmora;

using Geometry::Quaternion;
using Geometry::Vector3;

namespace {

// red, green / blue, yellow, as each channel count holds them.
Image textureImage(int channels) {
    const uint8_t rgb[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    Image image;
    image.width = 2;
    image.height = 2;
    image.channels = static_cast<uint32_t>(channels);
    for (const auto& pixel : rgb) {
        if (channels <= 2) {
            image.pixels.push_back(static_cast<uint8_t>((pixel[0] + pixel[1] + pixel[2]) / 3));
        } else {
            image.pixels.insert(image.pixels.end(), pixel, pixel + 3);
        }
        if (channels == 2 || channels == 4) {
            image.pixels.push_back(128);
        }
    }
    return image;
}

void writeOrThrow(const std::string& path, const std::string& bytes) {
    if (!writeFile(path, bytes)) {
        throw std::runtime_error("cannot write " + path);
    }
}

// Animation i turns the root i half turns about y, then key k turns it
// k * turnPerKey degrees about z.
Animation animation(int i, const TestModel& options) {
    Animation result;
    result.frameCount = static_cast<uint32_t>(options.keyCount);
    const Quaternion halfTurns = i % 2 ? Quaternion(0, 0, 1, 0) : Quaternion(1, 0, 0, 0);
    const Keyframe child{Quaternion(1, 0, 0, 0), options.scale * kChildJoint};
    BoneTrack root;
    for (int key = 0; key < options.keyCount; ++key) {
        const double half = Geometry::kPi / 360 * key * options.turnPerKey;
        const Quaternion turn(std::cos(half), 0, 0, std::sin(half));
        root.keys.push_back({Geometry::normalize(halfTurns * turn), options.offset});
    }
    result.tracks[0] = std::make_unique<BoneTrack>(std::move(root));
    result.tracks[1] = std::make_unique<BoneTrack>(
        BoneTrack{std::vector<Keyframe>(static_cast<std::size_t>(options.keyCount), child)});
    return result;
}

}  // namespace

std::string writeTestModel(const std::string& folder, const std::string& stem,
                           const TestModel& options) {
    Model model;
    model.playbackRate = options.playbackRate;
    model.rootBone = 0;
    model.bones[0] = std::make_unique<Bone>();
    model.bones[1] = std::make_unique<Bone>();
    model.bones[0]->children = {1};
    const Vector3 corners[4] = {{kSquareLeft, kSquareBottom, 0},
                                {kSquareRight, kSquareBottom, 0},
                                {kSquareRight, kSquareTop, 0},
                                {kSquareLeft, kSquareTop, 0}};
    for (const Vector3& corner : corners) {
        model.influenceCounts.push_back(1);
        model.influences.push_back(SkinInfluence{options.scale * corner, 0, 1.0});
    }
    // s runs with x, t down from the top edge.
    model.mappingCoords = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    model.faces.push_back(Face{{0, 1, 2}, {0, 1, 2}});
    model.faces.push_back(Face{{0, 2, 3}, {0, 2, 3}});

    const auto inFolder = [&folder](const std::string& name) {
        return (std::filesystem::path(folder) / name).string();
    };
    const std::string textureName = stem + ".png";
    if (options.withTexture) {
        writeOrThrow(
            inFolder(textureName),
            encodePng(options.texture ? *options.texture : textureImage(options.textureChannels)));
    }
    for (std::size_t i = 0; i < options.motionNames.size(); ++i) {
        writeOrThrow(inFolder(options.motionNames[i]),
                     motionText(animation(static_cast<int>(i), options)));
    }
    const std::string path = inFolder(stem + ".animesh");
    writeOrThrow(path, modelText(model, textureName, options.motionNames));
    return path;
}

WorkingDirectory::WorkingDirectory(const std::string& path)
    : previous_(std::filesystem::current_path().string()) {
    std::filesystem::current_path(path);
}

WorkingDirectory::~WorkingDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

Vector3 toWindow(const Vector3& point, const Camera& camera, int width, int height) {
    const Geometry::Vector4 eye =
        Geometry::Matrix4(camera.viewMatrix()) * Geometry::Vector4(point.x, point.y, point.z, 1);
    const Frustum f = *frustumFor(width, height);
    // What glFrustum does to a point in eye coordinates, then the divide by -z.
    const double clipX =
        2 * f.near / (f.right - f.left) * eye.x + (f.right + f.left) / (f.right - f.left) * eye.z;
    const double clipY =
        2 * f.near / (f.top - f.bottom) * eye.y + (f.top + f.bottom) / (f.top - f.bottom) * eye.z;
    const double clipZ =
        -(f.far + f.near) / (f.far - f.near) * eye.z - 2 * f.far * f.near / (f.far - f.near);
    const double w = -eye.z;
    return Vector3((clipX / w + 1) / 2 * width, (clipY / w + 1) / 2 * height, (clipZ / w + 1) / 2);
}
