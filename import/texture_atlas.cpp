#include "import/texture_atlas.h"

#include <stb_image.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string_view>
#include <system_error>
#include <tuple>
#include <unordered_map>

#include "files/load_error.h"
#include "geometry/baked_light.h"

namespace velmora {
inline namespace importer {

namespace {

// Side of the patch that stands for an untextured material, and of each of its
// shades, one column each from the darkest to the brightest light.
constexpr uint32_t kPatchSide = 4;
constexpr uint32_t kShades = 64;
// Above the brightest that Geometry::bakedLight gives.
constexpr double kBrightest = 1.25;
// Pixels around each tile of an atlas, copies of the tile's edge, so that
// nearest sampling at a tile's border never reads a neighbour.
constexpr uint32_t kGutter = 1;
// How far a mapping coordinate may stray beyond its tile and still count as
// inside it (rounding of single-precision input).
constexpr double kTileSlack = 1e-5;

enum class Repeat { wrap, mirror, clamp };

// A colour that multiplies a texture's, red, green, blue and alpha.
using Tint = std::array<uint8_t, 4>;
constexpr Tint kWhite = {255, 255, 255, 255};

struct MaterialLook {
    std::optional<Image> image;
    // The PNG file the image was decoded from, when it was one.
    std::string png;
    Tint colour = kWhite;
    Repeat repeat[2] = {Repeat::wrap, Repeat::wrap};
};

struct Tile {
    // Inner area in atlas pixels (the gutter lies around it).
    uint32_t x = 0;
    uint32_t y = 0;
    uint32_t width = 0;
    uint32_t height = 0;
};

uint8_t toByte(float channel) {
    return static_cast<uint8_t>(std::lround(std::clamp(channel, 0.0f, 1.0f) * 255.0f));
}

Image flatImage(uint32_t width, uint32_t height, const std::array<uint8_t, 4>& colour) {
    Image image{width, height, 4, {}};
    image.pixels.reserve(std::size_t{4} * width * height);
    for (std::size_t i = 0; i < std::size_t{width} * height; ++i) {
        image.pixels.insert(image.pixels.end(), colour.begin(), colour.end());
    }
    return image;
}

// The colour in every shade of the baked light, column c lit by
// (c + 0.5) / kShades * kBrightest.
Image shadedPatch(const std::array<uint8_t, 4>& colour) {
    Image image{kShades, kPatchSide, 4, {}};
    image.pixels.resize(std::size_t{4} * kShades * kPatchSide);
    for (uint32_t column = 0; column < kShades; ++column) {
        const double light = (column + 0.5) / kShades * kBrightest;
        std::array<uint8_t, 4> shade = colour;
        for (int c = 0; c < 3; ++c) {
            shade[c] = static_cast<uint8_t>(std::min(255L, std::lround(colour[c] * light)));
        }
        for (uint32_t row = 0; row < kPatchSide; ++row) {
            std::copy(shade.begin(), shade.end(),
                      image.pixels.begin() + (std::size_t{row} * kShades + column) * 4);
        }
    }
    return image;
}

// The mapping coordinate across a shaded patch of a corner with this normal.
double shadeCoordinate(const Geometry::Vector3& normal) {
    const double column = std::floor(Geometry::bakedLight(normal) / kBrightest * kShades);
    return (std::clamp(column, 0.0, kShades - 1.0) + 0.5) / kShades;
}

// The image with red, green, blue and alpha, as decodeImage gives it: grey
// repeated into the colours, opaque where it has no alpha.
Image withFourChannels(Image image) {
    if (image.channels == 4) {
        return image;
    }
    const uint32_t channels = image.channels;
    std::vector<uint8_t> rgba;
    rgba.reserve(image.pixels.size() / channels * 4);
    for (std::size_t i = 0; i < image.pixels.size(); i += channels) {
        const uint8_t* p = &image.pixels[i];
        const bool grey = channels <= 2;
        const uint8_t alpha = channels == 2 || channels == 4 ? p[channels - 1] : 255;
        rgba.insert(rgba.end(), {p[0], grey ? p[0] : p[1], grey ? p[0] : p[2], alpha});
    }
    image.pixels = std::move(rgba);
    image.channels = 4;
    return image;
}

// Decodes a texture's file into look: a PNG by the viewer's own reader, so
// that a texture used unchanged can be written as the file it came in; other
// formats (and a PNG that reader refuses) by decodeImage.
void decodeInto(std::string bytes, MaterialLook& look) {
    static constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);
    if (bytes.compare(0, kPngSignature.size(), kPngSignature) == 0) {
        if (std::optional<Image> image = decodePng(bytes)) {
            look.image = withFourChannels(std::move(*image));
            look.png = std::move(bytes);
            return;
        }
    }
    look.image = decodeImage(bytes);
}

void embeddedInto(const aiTexture& texture, MaterialLook& look) {
    if (texture.mHeight == 0) {
        decodeInto(std::string(reinterpret_cast<const char*>(texture.pcData), texture.mWidth),
                   look);
        return;
    }
    if (texture.mWidth > kMaxImageSide || texture.mHeight > kMaxImageSide) {
        return;
    }
    Image image{texture.mWidth, texture.mHeight, 4, {}};
    image.pixels.reserve(std::size_t{4} * texture.mWidth * texture.mHeight);
    for (uint32_t i = 0; i < texture.mWidth * texture.mHeight; ++i) {
        const aiTexel& texel = texture.pcData[i];
        image.pixels.insert(image.pixels.end(), {texel.r, texel.g, texel.b, texel.a});
    }
    look.image = std::move(image);
}

std::string lowerCase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// The texture file that name means, as files made on other systems name
// them: relative to the model's folder, with either kind of slash, or only by
// their file name, in any case; failing those, an image of the same name with
// another extension (an exporter's .png for the artist's .jpg). found receives
// the file's path.
std::optional<std::string> externalTextureBytes(const std::string& name,
                                                const std::filesystem::path& folder,
                                                ConfinedFiles& files, std::string& found) {
    std::string slashes = name;
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    const std::filesystem::path given(slashes);
    std::vector<std::filesystem::path> candidates{folder / given, folder / given.filename()};
    if (given.is_absolute()) {
        candidates.insert(candidates.begin(), given);
    }
    std::vector<std::filesystem::path> otherExtensions;
    std::error_code error;
    const std::string wanted = lowerCase(given.filename().string());
    const std::string wantedStem = lowerCase(given.stem().string());
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::filesystem::path& path = entry.path();
        const std::string extension = lowerCase(path.extension().string());
        if (lowerCase(path.filename().string()) == wanted) {
            candidates.push_back(path);
        } else if (lowerCase(path.stem().string()) == wantedStem &&
                   (extension == ".png" || extension == ".jpg" || extension == ".jpeg" ||
                    extension == ".tga" || extension == ".bmp")) {
            otherExtensions.push_back(path);
        }
    }
    std::sort(otherExtensions.begin(), otherExtensions.end());
    candidates.insert(candidates.end(), otherExtensions.begin(), otherExtensions.end());
    for (const auto& candidate : candidates) {
        if (auto bytes = files.read(candidate.string())) {
            found = candidate.string();
            return bytes;
        }
    }
    return std::nullopt;
}

Repeat repeatOf(aiTextureMapMode mode) {
    switch (mode) {
        case aiTextureMapMode_Clamp:
        case aiTextureMapMode_Decal:
            return Repeat::clamp;
        case aiTextureMapMode_Mirror:
            return Repeat::mirror;
        default:
            return Repeat::wrap;
    }
}

MaterialLook lookOf(const aiScene& scene, unsigned int materialIndex,
                    const std::filesystem::path& folder, ConfinedFiles& files, ImportLog& log) {
    MaterialLook look;
    if (materialIndex >= scene.mNumMaterials) {
        return look;
    }
    const aiMaterial& material = *scene.mMaterials[materialIndex];
    aiColor4D colour(1, 1, 1, 1);
    if (material.Get(AI_MATKEY_BASE_COLOR, colour) != AI_SUCCESS) {
        material.Get(AI_MATKEY_COLOR_DIFFUSE, colour);
    }
    look.colour = {toByte(colour.r), toByte(colour.g), toByte(colour.b), toByte(colour.a)};
    aiString path;
    aiTextureMapMode modes[2] = {aiTextureMapMode_Wrap, aiTextureMapMode_Wrap};
    bool found = false;
    for (aiTextureType type : {aiTextureType_DIFFUSE, aiTextureType_BASE_COLOR}) {
        if (material.GetTexture(type, 0, &path, nullptr, nullptr, nullptr, nullptr, modes) ==
            AI_SUCCESS) {
            found = true;
            break;
        }
    }
    if (!found || path.length == 0) {
        return look;
    }
    look.repeat[0] = repeatOf(modes[0]);
    look.repeat[1] = repeatOf(modes[1]);
    const std::string materialName = material.GetName().C_Str();
    if (const aiTexture* embedded = scene.GetEmbeddedTexture(path.C_Str())) {
        embeddedInto(*embedded, look);
        if (!look.image) {
            log.warn("the embedded texture \"" + std::string(path.C_Str()) + "\" of material \"" +
                     materialName + "\" cannot be decoded; its diffuse colour is used instead");
        }
        return look;
    }
    std::string file;
    const auto bytes = externalTextureBytes(path.C_Str(), folder, files, file);
    if (bytes) {
        decodeInto(*bytes, look);
    }
    const auto extension = [](const std::string& name) {
        return lowerCase(std::filesystem::path(name).extension().string());
    };
    if (look.image && extension(file) != extension(path.C_Str())) {
        log.warn("the texture \"" + std::string(path.C_Str()) + "\" of material \"" + materialName +
                 "\" was not found; \"" + file + "\", of the same name, is used instead");
    }
    if (!look.image) {
        log.warn("the texture \"" + std::string(path.C_Str()) + "\" of material \"" + materialName +
                 "\" " + (bytes ? "cannot be decoded" : "was not found") +
                 "; its diffuse colour is used instead");
    }
    return look;
}

// Half the size, each pixel the mean of a 2 x 2 block.
Image halved(const Image& image) {
    Image half{std::max(1u, image.width / 2), std::max(1u, image.height / 2), 4, {}};
    half.pixels.resize(std::size_t{4} * half.width * half.height);
    for (uint32_t y = 0; y < half.height; ++y) {
        for (uint32_t x = 0; x < half.width; ++x) {
            for (uint32_t c = 0; c < 4; ++c) {
                unsigned sum = 0;
                for (uint32_t dy = 0; dy < 2; ++dy) {
                    for (uint32_t dx = 0; dx < 2; ++dx) {
                        const uint32_t sx = std::min(2 * x + dx, image.width - 1);
                        const uint32_t sy = std::min(2 * y + dy, image.height - 1);
                        sum += image.pixels[(std::size_t{sy} * image.width + sx) * 4 + c];
                    }
                }
                half.pixels[(std::size_t{y} * half.width + x) * 4 + c] =
                    static_cast<uint8_t>((sum + 2) / 4);
            }
        }
    }
    return half;
}

uint32_t powerOfTwoAtLeast(uint32_t n) {
    uint32_t p = 1;
    while (p < n) {
        p *= 2;
    }
    return p;
}

// Shelf packing, tallest first, into a power-of-two square-ish atlas: the tile
// of each image, or nothing when they do not fit within kMaxAtlasSide.
std::optional<std::vector<Tile>> pack(const std::vector<Image>& images, uint32_t& atlasWidth,
                                      uint32_t& atlasHeight) {
    std::vector<std::size_t> order(images.size());
    double area = 0;
    uint32_t widest = 0;
    for (std::size_t i = 0; i < images.size(); ++i) {
        order[i] = i;
        area += double(images[i].width + 2 * kGutter) * (images[i].height + 2 * kGutter);
        widest = std::max(widest, images[i].width + 2 * kGutter);
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return images[a].height > images[b].height;
    });
    atlasWidth =
        powerOfTwoAtLeast(std::max(widest, static_cast<uint32_t>(std::ceil(std::sqrt(area)))));
    std::vector<Tile> tiles(images.size());
    uint32_t x = 0;
    uint32_t y = 0;
    uint32_t shelfHeight = 0;
    for (std::size_t i : order) {
        const uint32_t w = images[i].width + 2 * kGutter;
        const uint32_t h = images[i].height + 2 * kGutter;
        if (x + w > atlasWidth) {
            x = 0;
            y += shelfHeight;
            shelfHeight = 0;
        }
        tiles[i] = {x + kGutter, y + kGutter, images[i].width, images[i].height};
        x += w;
        shelfHeight = std::max(shelfHeight, h);
    }
    atlasHeight = powerOfTwoAtLeast(y + shelfHeight);
    if (atlasWidth > kMaxAtlasSide || atlasHeight > kMaxAtlasSide) {
        return std::nullopt;
    }
    return tiles;
}

// Copies image into its tile and repeats its edge pixels into the gutter.
void place(const Image& image, const Tile& tile, Image& atlas) {
    for (uint32_t y = 0; y < tile.height + 2 * kGutter; ++y) {
        for (uint32_t x = 0; x < tile.width + 2 * kGutter; ++x) {
            const uint32_t sx = std::clamp<int64_t>(int64_t{x} - kGutter, 0, tile.width - 1);
            const uint32_t sy = std::clamp<int64_t>(int64_t{y} - kGutter, 0, tile.height - 1);
            const std::size_t to =
                (std::size_t{tile.y - kGutter + y} * atlas.width + (tile.x - kGutter + x)) * 4;
            const std::size_t from = (std::size_t{sy} * image.width + sx) * 4;
            std::copy_n(image.pixels.begin() + from, 4, atlas.pixels.begin() + to);
        }
    }
}

// Moves the coordinates of one triangle along one axis into the tile [0, 1]:
// by whole repetitions (mirrored ones reflected) when the triangle lies within
// one repetition. False when it does not; its coordinates are then clamped.
bool intoTile(double (&c)[3], Repeat repeat) {
    bool inside = true;
    if (repeat != Repeat::clamp) {
        const double low = std::floor(std::min({c[0], c[1], c[2]}) + kTileSlack);
        inside = std::max({c[0], c[1], c[2]}) - low <= 1 + kTileSlack;
        if (inside) {
            const bool reflected = repeat == Repeat::mirror && std::fmod(std::fabs(low), 2) == 1;
            for (double& value : c) {
                value = reflected ? 1 - (value - low) : value - low;
            }
        }
    }
    for (double& value : c) {
        value = std::clamp(value, 0.0, 1.0);
    }
    return inside;
}

Image withoutOpaqueAlpha(Image image) {
    for (std::size_t i = 3; i < image.pixels.size(); i += 4) {
        if (image.pixels[i] != 255) {
            return image;
        }
    }
    std::vector<uint8_t> rgb;
    rgb.reserve(image.pixels.size() / 4 * 3);
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
        rgb.insert(rgb.end(), image.pixels.begin() + i, image.pixels.begin() + i + 3);
    }
    image.pixels = std::move(rgb);
    image.channels = 3;
    return image;
}

}  // namespace

std::optional<Image> decodeImage(const std::string& bytes) {
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) {
        return std::nullopt;
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
    if (!stbi_info_from_memory(data, static_cast<int>(bytes.size()), &width, &height, &channels) ||
        width <= 0 || height <= 0 || static_cast<uint32_t>(width) > kMaxImageSide ||
        static_cast<uint32_t>(height) > kMaxImageSide) {
        return std::nullopt;
    }
    stbi_uc* pixels =
        stbi_load_from_memory(data, static_cast<int>(bytes.size()), &width, &height, &channels, 4);
    if (!pixels) {
        return std::nullopt;
    }
    Image image{static_cast<uint32_t>(width), static_cast<uint32_t>(height), 4, {}};
    image.pixels.assign(pixels, pixels + std::size_t{4} * width * height);
    stbi_image_free(pixels);
    return image;
}

namespace {

// A mapping coordinate's two numbers as bits, -0 as 0.
using CoordKey = std::pair<std::uint64_t, std::uint64_t>;

std::uint64_t bitsOf(double value) {
    const double canonical = value == 0.0 ? 0.0 : value;
    std::uint64_t bits;
    std::memcpy(&bits, &canonical, sizeof bits);
    return bits;
}

struct CoordKeyHash {
    std::size_t operator()(const CoordKey& key) const {
        const std::uint64_t mixed =
            (key.first ^ (key.second * 0x9e3779b97f4a7c15ull)) * 0xff51afd7ed558ccdull;
        return static_cast<std::size_t>(mixed ^ (mixed >> 32));
    }
};

}  // namespace

namespace {

// The texture of one material under one tint: the texture (or the shaded
// patch of the material's colour) multiplied by the tint.
struct SlotKey {
    unsigned int material = 0;
    Tint tint = kWhite;
    bool operator<(const SlotKey& other) const {
        return std::tie(material, tint) < std::tie(other.material, other.tint);
    }
};

// The tint of every triangle of the instances (in their order, faces that
// are not triangles skipped): the mean of its corners' vertex colours, white
// for meshes without them.
std::vector<Tint> triangleTints(const std::vector<MeshInstance>& instances) {
    std::vector<Tint> tints;
    for (const MeshInstance& instance : instances) {
        const aiMesh& mesh = *instance.mesh;
        const aiColor4D* colours = mesh.mColors[0];
        for (unsigned int f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices != 3) {
                continue;
            }
            if (!colours) {
                tints.push_back(kWhite);
                continue;
            }
            aiColor4D sum(0, 0, 0, 0);
            for (int corner = 0; corner < 3; ++corner) {
                sum = sum + colours[face.mIndices[corner]];
            }
            tints.push_back(
                {toByte(sum.r / 3), toByte(sum.g / 3), toByte(sum.b / 3), toByte(sum.a / 3)});
        }
    }
    return tints;
}

// Textured materials take a tinted copy of their texture per tint, up to this
// many; beyond, their mean tint alone.
constexpr std::size_t kMaxTintsPerTexture = 16;

// One tint for every triangle of each textured material that has more than
// kMaxTintsPerTexture of them: their mean, with a warning.
void limitTextureTints(const aiScene& scene, const std::vector<MeshInstance>& instances,
                       const std::vector<bool>& textured, std::vector<Tint>& tints,
                       ImportLog& log) {
    std::map<unsigned int, std::set<Tint>> distinct;
    std::size_t t = 0;
    std::vector<unsigned int> materialOf;
    for (const MeshInstance& instance : instances) {
        for (unsigned int f = 0; f < instance.mesh->mNumFaces; ++f) {
            if (instance.mesh->mFaces[f].mNumIndices == 3) {
                materialOf.push_back(instance.materialIndex);
                if (textured[t]) {
                    distinct[instance.materialIndex].insert(tints[t]);
                }
                ++t;
            }
        }
    }
    for (const auto& [material, set] : distinct) {
        if (set.size() <= kMaxTintsPerTexture) {
            continue;
        }
        std::array<double, 4> sum{};
        std::size_t count = 0;
        for (std::size_t i = 0; i < tints.size(); ++i) {
            if (materialOf[i] == material) {
                for (int c = 0; c < 4; ++c) {
                    sum[c] += tints[i][c];
                }
                ++count;
            }
        }
        Tint mean;
        for (int c = 0; c < 4; ++c) {
            mean[c] = static_cast<uint8_t>(std::lround(sum[c] / count));
        }
        for (std::size_t i = 0; i < tints.size(); ++i) {
            if (materialOf[i] == material) {
                tints[i] = mean;
            }
        }
        const std::string name =
            material < scene.mNumMaterials ? scene.mMaterials[material]->GetName().C_Str() : "";
        log.warn("the vertex colours on the texture of material \"" + name + "\" take " +
                 std::to_string(set.size()) + " colours, more than " +
                 std::to_string(kMaxTintsPerTexture) + "; their mean tints it instead");
    }
}

uint8_t multiplied(uint8_t a, uint8_t b) {
    return static_cast<uint8_t>((unsigned{a} * b + 127) / 255);
}

Image tinted(Image image, const Tint& tint) {
    if (tint == kWhite) {
        return image;
    }
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        image.pixels[i] = multiplied(image.pixels[i], tint[i % 4]);
    }
    return image;
}

}  // namespace

Surface buildSurface(const aiScene& scene, const std::vector<MeshInstance>& instances,
                     const std::vector<Geometry::Vector3>& restNormals,
                     const std::string& inputPath, ConfinedFiles& files, ImportLog& log) {
    const std::filesystem::path folder = std::filesystem::path(inputPath).parent_path();
    std::map<unsigned int, std::size_t> lookOfMaterial;
    std::vector<MaterialLook> looks;
    for (const MeshInstance& instance : instances) {
        if (lookOfMaterial.emplace(instance.materialIndex, looks.size()).second) {
            looks.push_back(lookOf(scene, instance.materialIndex,
                                   folder.empty() ? std::filesystem::path(".") : folder, files,
                                   log));
        }
    }
    std::vector<Tint> tints = triangleTints(instances);
    std::vector<bool> textured;
    for (const MeshInstance& instance : instances) {
        for (unsigned int f = 0; f < instance.mesh->mNumFaces; ++f) {
            if (instance.mesh->mFaces[f].mNumIndices == 3) {
                textured.push_back(
                    looks[lookOfMaterial.at(instance.materialIndex)].image.has_value());
            }
        }
    }
    limitTextureTints(scene, instances, textured, tints, log);
    // A slot per material and tint, in the order they are first met; a mesh
    // without vertex colours takes its material's untinted slot even when it
    // has no triangle, as every material is shown.
    std::map<SlotKey, std::size_t> slotOf;
    std::vector<SlotKey> slots;
    std::vector<std::size_t> triangleSlots;
    const auto slotFor = [&](const SlotKey& key) {
        const auto [found, isNew] = slotOf.emplace(key, slots.size());
        if (isNew) {
            slots.push_back(key);
        }
        return found->second;
    };
    for (const MeshInstance& instance : instances) {
        if (!instance.mesh->mColors[0]) {
            slotFor({instance.materialIndex, kWhite});
        }
        for (unsigned int f = 0; f < instance.mesh->mNumFaces; ++f) {
            if (instance.mesh->mFaces[f].mNumIndices == 3) {
                triangleSlots.push_back(
                    slotFor({instance.materialIndex, tints[triangleSlots.size()]}));
            }
        }
    }
    std::vector<Image> images;
    for (const SlotKey& slot : slots) {
        const MaterialLook& look = looks[lookOfMaterial.at(slot.material)];
        Tint colour = look.colour;
        for (int c = 0; c < 4; ++c) {
            colour[c] = multiplied(colour[c], slot.tint[c]);
        }
        images.push_back(look.image ? tinted(*look.image, slot.tint) : shadedPatch(colour));
    }

    Surface surface;
    std::vector<Tile> tiles;
    if (images.size() == 1) {
        surface.image = images.front();
        const MaterialLook& look = looks[lookOfMaterial.at(slots.front().material)];
        if (look.image && slots.front().tint == kWhite) {
            surface.png = look.png;
        }
        while (surface.image.width > kMaxAtlasSide || surface.image.height > kMaxAtlasSide) {
            surface.image = halved(surface.image);
            surface.png.clear();
        }
        tiles.push_back({0, 0, surface.image.width, surface.image.height});
    } else {
        uint32_t width = 0;
        uint32_t height = 0;
        std::optional<std::vector<Tile>> packed;
        while (!(packed = pack(images, width, height))) {
            bool shrunk = false;
            for (Image& image : images) {
                if (image.width > kPatchSide || image.height > kPatchSide) {
                    image = halved(image);
                    shrunk = true;
                }
            }
            if (!shrunk) {
                throw LoadError(inputPath, "cannot convert: the " + std::to_string(images.size()) +
                                               " materials do not fit into one texture");
            }
        }
        tiles = *packed;
        // Opaque black between the tiles, so that an atlas of opaque images
        // stays without alpha.
        surface.image = flatImage(width, height, {0, 0, 0, 255});
        for (std::size_t i = 0; i < images.size(); ++i) {
            place(images[i], tiles[i], surface.image);
        }
    }

    // A hash table, as a sorted one costs more than the rest of the surface for
    // a mesh of 100,000 triangles; keys are the coordinates' bits, with -0
    // taken as 0, so that the coordinates it joins are those that compare equal.
    std::unordered_map<CoordKey, int32_t, CoordKeyHash> coordIndex;
    std::size_t vertexCount = 0;
    for (const MeshInstance& instance : instances) {
        vertexCount += instance.mesh->mNumVertices;
    }
    coordIndex.reserve(vertexCount);
    std::size_t spanning = 0;
    std::size_t firstVertex = 0;
    std::size_t triangle = 0;
    for (const MeshInstance& instance : instances) {
        const aiMesh& mesh = *instance.mesh;
        const MaterialLook& look = looks[lookOfMaterial.at(instance.materialIndex)];
        const aiVector3D* uvs = mesh.mTextureCoords[0];
        for (unsigned int f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices != 3) {
                continue;
            }
            const Tile& tile = tiles[triangleSlots[triangle++]];
            double u[3];
            double v[3];
            for (int corner = 0; corner < 3; ++corner) {
                const unsigned int vertex = face.mIndices[corner];
                const bool mapped = look.image && uvs;
                u[corner] = mapped       ? uvs[vertex].x
                            : look.image ? 0.5
                                         : shadeCoordinate(restNormals[firstVertex + vertex]);
                v[corner] = mapped ? uvs[vertex].y : 0.5;
            }
            const bool insideU = intoTile(u, look.repeat[0]);
            const bool insideV = intoTile(v, look.repeat[1]);
            spanning += insideU && insideV ? 0 : 1;
            std::array<int32_t, 3> corners{};
            for (int corner = 0; corner < 3; ++corner) {
                const std::pair<double, double> coord(
                    (tile.x + u[corner] * tile.width) / surface.image.width,
                    (tile.y + v[corner] * tile.height) / surface.image.height);
                const auto inserted =
                    coordIndex.emplace(CoordKey{bitsOf(coord.first), bitsOf(coord.second)},
                                       static_cast<int32_t>(surface.coords.size()));
                if (inserted.second) {
                    surface.coords.push_back({coord.first, coord.second});
                }
                corners[corner] = inserted.first->second;
            }
            surface.triangleCoords.push_back(corners);
        }
        firstVertex += mesh.mNumVertices;
    }
    if (spanning > 0) {
        log.warn("the mapping coordinates of " + counted(spanning, "triangle", "triangles") +
                 " span more than one repetition of their texture and were clamped into it");
    }
    surface.image = withoutOpaqueAlpha(std::move(surface.image));
    return surface;
}

}  // namespace importer
}  // namespace velmora
