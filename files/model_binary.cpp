#include "files/model_binary.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <type_traits>

namespace velmora {
inline namespace files {

namespace {

constexpr char kMagic[8] = {'V', 'M', 'O', 'D', 'E', 'L', '0', '2'};

class Writer {
  public:
    template <typename T>
    void value(const T& v) {
        static_assert(std::is_trivially_copyable_v<T>);
        bytes_.append(reinterpret_cast<const char*>(&v), sizeof v);
    }
    template <typename T>
    void array(const std::vector<T>& items) {
        static_assert(std::is_trivially_copyable_v<T>);
        value<uint64_t>(items.size());
        if (!items.empty()) {
            bytes_.append(reinterpret_cast<const char*>(items.data()), items.size() * sizeof(T));
        }
    }
    void text(const std::string& s) {
        value<uint64_t>(s.size());
        bytes_ += s;
    }
    void reserve(std::size_t size) { bytes_.reserve(size); }
    std::string take() { return std::move(bytes_); }

  private:
    std::string bytes_;
};

// Takes what a Writer would write and counts its bytes, so that the Writer's
// string is sized once rather than grown through the model's arrays.
class ByteCounter {
  public:
    template <typename T>
    void value(const T& v) {
        size_ += sizeof v;
    }
    template <typename T>
    void array(const std::vector<T>& items) {
        size_ += sizeof(uint64_t) + items.size() * sizeof(T);
    }
    void text(const std::string& s) { size_ += sizeof(uint64_t) + s.size(); }
    std::size_t size() const { return size_; }

  private:
    std::size_t size_ = 0;
};

class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    template <typename T>
    bool value(T& v) {
        if (bytes_.size() - at_ < sizeof v) {
            return false;
        }
        std::memcpy(&v, bytes_.data() + at_, sizeof v);
        at_ += sizeof v;
        return true;
    }
    // A count followed by that many items: refused before anything is sized
    // when the bytes that remain cannot hold them.
    template <typename T>
    bool array(std::vector<T>& items) {
        uint64_t count = 0;
        if (!value(count) || count > remaining() / sizeof(T)) {
            return false;
        }
        items.resize(count);
        // An empty vector may hold no storage at all: nothing to copy then.
        if (count > 0) {
            std::memcpy(items.data(), bytes_.data() + at_, count * sizeof(T));
        }
        at_ += count * sizeof(T);
        return true;
    }
    bool text(std::string& s) {
        uint64_t size = 0;
        if (!value(size) || size > remaining()) {
            return false;
        }
        s.assign(bytes_.data() + at_, size);
        at_ += size;
        return true;
    }
    std::size_t remaining() const { return bytes_.size() - at_; }
    bool ended() const { return at_ == bytes_.size(); }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

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
    Reader in(bytes);
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
            ok = in.text(bone->name);
        }
    }
    ok = ok && in.array(model.influenceCounts) && in.array(model.influences) &&
         in.array(model.mappingCoords) && in.array(model.faces);
    uint8_t hasTexture = 0;
    ok = ok && in.value(hasTexture);
    if (ok && hasTexture) {
        model.texture = std::make_unique<Texture>();
        uint8_t hasImage = 0;
        ok = in.text(model.texture->fileName) && in.value(hasImage);
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
        ok = in.text(animation.name) && in.text(animation.rejection) &&
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
    if (!ok || !in.ended() || !sound(model)) {
        return std::nullopt;
    }
    return model;
}

template <typename Out>
void writeModel(const Model& model, Out& out) {
    out.value(kMagic);
    out.value(model.playbackRate);
    out.value(model.rootBone);
    for (const auto& bone : model.bones) {
        out.template value<uint8_t>(bone ? 1 : 0);
        if (bone) {
            out.array(bone->children);
        }
    }
    // The bone names, a block of their own: one per occupied slot, in slot order.
    for (const auto& bone : model.bones) {
        if (bone) {
            out.text(bone->name);
        }
    }
    out.array(model.influenceCounts);
    out.array(model.influences);
    out.array(model.mappingCoords);
    out.array(model.faces);
    out.template value<uint8_t>(model.texture ? 1 : 0);
    if (model.texture) {
        out.text(model.texture->fileName);
        const std::optional<Image>& image = model.texture->image;
        out.template value<uint8_t>(image ? 1 : 0);
        if (image) {
            out.value(image->width);
            out.value(image->height);
            out.value(image->channels);
            out.array(image->pixels);
        }
    }
    out.template value<uint64_t>(model.animations.size());
    for (const Animation& animation : model.animations) {
        out.text(animation.name);
        out.text(animation.rejection);
        out.value(animation.frameCount);
        for (const auto& track : animation.tracks) {
            out.template value<uint8_t>(track ? 1 : 0);
            if (track) {
                out.array(track->keys);
            }
        }
    }
}

}  // namespace

std::string modelBinary(const Model& model) {
    ByteCounter counter;
    writeModel(model, counter);
    Writer out;
    out.reserve(counter.size());
    writeModel(model, out);
    return out.take();
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
