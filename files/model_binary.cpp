#include "files/model_binary.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "files/byte_codec.h"

namespace velmora {
inline namespace files {

namespace {

constexpr char kMagic[8] = {'V', 'M', 'O', 'D', 'E', 'L', '0', '2'};

bool finite(const Geometry::Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool finite(const Geometry::Quaternion& q) {
    return std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z) && std::isfinite(q.w);
}

// The fewest bytes one animation takes: its name's and rejection's lengths,
// its key count and one presence byte per track.
constexpr std::size_t kLeastAnimationBytes = 8 + 8 + 4 + kMaxBones;

// What validateModel leaves to the reader, as it cannot come from the text
// files: numbers that are not finite, rates no conversion makes, images whose
// size and pixels disagree.
bool sound(const Model& model) {
    const auto soundInfluence = [](const SkinInfluence& i) {
        return finite(i.offset) && std::isfinite(i.weight);
    };
    const auto soundCoord = [](const MappingCoord& c) {
        return std::isfinite(c[0]) && std::isfinite(c[1]);
    };
    const auto soundKey = [](const Keyframe& k) {
        return finite(k.rotation) && finite(k.translation);
    };
    bool ok = model.playbackRate >= 1 && model.playbackRate <= kMaxPlaybackRate &&
              std::all_of(model.influences.begin(), model.influences.end(), soundInfluence) &&
              std::all_of(model.mappingCoords.begin(), model.mappingCoords.end(), soundCoord);
    if (model.texture && model.texture->image) {
        const Image& image = *model.texture->image;
        // Each side bounded first, so that the product cannot overflow.
        ok = ok && image.width <= kMaxImageSide && image.height <= kMaxImageSide &&
             image.channels >= 1 && image.channels <= 4 &&
             image.pixels.size() == std::uint64_t{image.width} * image.height * image.channels;
    }
    for (const Animation& animation : model.animations) {
        for (const auto& track : animation.tracks) {
            ok = ok && (!track || std::all_of(track->keys.begin(), track->keys.end(), soundKey));
        }
    }
    return ok;
}

std::optional<Model> read(std::string_view bytes) {
    ByteReader in(bytes);
    char magic[sizeof kMagic] = {};
    Model model;
    bool ok = in.value(magic) && std::memcmp(magic, kMagic, sizeof kMagic) == 0 &&
              in.value(model.playbackRate) && in.value(model.rootBone);
    for (auto& bone : model.bones) {
        uint8_t present = 0;
        ok = ok && in.value(present);
        if (ok && present) {
            bone = std::make_unique<Bone>();
            ok = in.array(bone->children);
        }
    }
    for (auto& bone : model.bones) {
        if (ok && bone) {
            ok = in.field(bone->name);
        }
    }
    ok = ok && in.array(model.influenceCounts) && in.array(model.influences) &&
         in.array(model.mappingCoords) && in.array(model.faces);
    uint8_t hasTexture = 0;
    ok = ok && in.value(hasTexture);
    if (ok && hasTexture) {
        model.texture = std::make_unique<Texture>();
        uint8_t hasImage = 0;
        ok = in.field(model.texture->fileName) && in.value(hasImage);
        if (ok && hasImage) {
            Image& image = model.texture->image.emplace();
            ok = in.value(image.width) && in.value(image.height) && in.value(image.channels) &&
                 in.array(image.pixels);
        }
    }
    uint64_t animationCount = 0;
    ok = ok && in.value(animationCount) && animationCount <= in.remaining() / kLeastAnimationBytes;
    // Grown as animations are read, so that memory follows the bytes read.
    for (uint64_t a = 0; ok && a < animationCount; ++a) {
        Animation& animation = model.animations.emplace_back();
        ok = in.field(animation.name) && in.field(animation.rejection) &&
             in.value(animation.frameCount);
        for (auto& track : animation.tracks) {
            uint8_t present = 0;
            ok = ok && in.value(present);
            if (ok && present) {
                track = std::make_unique<BoneTrack>();
                ok = in.array(track->keys);
            }
        }
    }
    if (!ok || in.remaining() > 0 || !sound(model)) {
        return std::nullopt;
    }
    return model;
}

// The bytes of the model's arrays, the bulk of its binary form, so that the
// form's string is sized once rather than grown through them; the small
// fields around them fit in the slack.
std::size_t bulkBytes(const Model& model) {
    const auto bytes = [](const auto& items) {
        return sizeof(uint64_t) + items.size() * sizeof(items.front());
    };
    std::size_t size = 4096 + bytes(model.influenceCounts) + bytes(model.influences) +
                       bytes(model.mappingCoords) + bytes(model.faces);
    for (const auto& bone : model.bones) {
        size += bone ? 16 + bytes(bone->children) + bone->name.size() : 1;
    }
    if (model.texture) {
        size += 64 + model.texture->fileName.size();
        if (model.texture->image) {
            size += bytes(model.texture->image->pixels);
        }
    }
    for (const Animation& animation : model.animations) {
        size += 64 + animation.name.size() + animation.rejection.size();
        for (const auto& track : animation.tracks) {
            size += track ? 1 + bytes(track->keys) : 1;
        }
    }
    return size;
}

}  // namespace

std::string modelBinary(const Model& model) {
    std::string out;
    out.reserve(bulkBytes(model));
    putValue(out, kMagic);
    putValue(out, model.playbackRate);
    putValue(out, model.rootBone);
    for (const auto& bone : model.bones) {
        putValue<uint8_t>(out, bone ? 1 : 0);
        if (bone) {
            putArray(out, bone->children);
        }
    }
    // The bone names, a block of their own: one per occupied slot, in slot order.
    for (const auto& bone : model.bones) {
        if (bone) {
            putField(out, bone->name);
        }
    }
    putArray(out, model.influenceCounts);
    putArray(out, model.influences);
    putArray(out, model.mappingCoords);
    putArray(out, model.faces);
    putValue<uint8_t>(out, model.texture ? 1 : 0);
    if (model.texture) {
        putField(out, model.texture->fileName);
        const std::optional<Image>& image = model.texture->image;
        putValue<uint8_t>(out, image ? 1 : 0);
        if (image) {
            putValue(out, image->width);
            putValue(out, image->height);
            putValue(out, image->channels);
            putArray(out, image->pixels);
        }
    }
    putNumber(out, model.animations.size());
    for (const Animation& animation : model.animations) {
        putField(out, animation.name);
        putField(out, animation.rejection);
        putValue(out, animation.frameCount);
        for (const auto& track : animation.tracks) {
            putValue<uint8_t>(out, track ? 1 : 0);
            if (track) {
                putArray(out, track->keys);
            }
        }
    }
    return out;
}

std::optional<Model> readModelBinary(std::string_view bytes) {
    try {
        return read(bytes);
    } catch (const std::bad_alloc&) {
        // Bytes that pass every bound may still ask for more than there is.
        return std::nullopt;
    }
}

}  // namespace files
}  // namespace velmora
