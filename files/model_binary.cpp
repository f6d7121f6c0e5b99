#include "files/model_binary.h"

#include <cstring>
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
    std::string take() { return std::move(bytes_); }

  private:
    std::string bytes_;
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
    template <typename T>
    bool array(std::vector<T>& items) {
        uint64_t count = 0;
        if (!value(count) || count > (bytes_.size() - at_) / sizeof(T)) {
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
        if (!value(size) || size > bytes_.size() - at_) {
            return false;
        }
        s.assign(bytes_.data() + at_, size);
        at_ += size;
        return true;
    }
    bool ended() const { return at_ == bytes_.size(); }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

}  // namespace

std::string modelBinary(const Model& model) {
    Writer out;
    out.value(kMagic);
    out.value(model.playbackRate);
    out.value(model.rootBone);
    for (const auto& bone : model.bones) {
        out.value<uint8_t>(bone ? 1 : 0);
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
    out.value<uint8_t>(model.texture ? 1 : 0);
    if (model.texture) {
        out.text(model.texture->fileName);
        const std::optional<Image>& image = model.texture->image;
        out.value<uint8_t>(image ? 1 : 0);
        if (image) {
            out.value(image->width);
            out.value(image->height);
            out.value(image->channels);
            out.array(image->pixels);
        }
    }
    out.value<uint64_t>(model.animations.size());
    for (const Animation& animation : model.animations) {
        out.text(animation.name);
        out.text(animation.rejection);
        out.value(animation.frameCount);
        for (const auto& track : animation.tracks) {
            out.value<uint8_t>(track ? 1 : 0);
            if (track) {
                out.array(track->keys);
            }
        }
    }
    return out.take();
}

std::optional<Model> readModelBinary(std::string_view bytes) {
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
                 in.array(image.pixels) &&
                 image.pixels.size() == std::size_t{image.width} * image.height * image.channels;
        }
    }
    uint64_t animationCount = 0;
    ok = ok && in.value(animationCount) && animationCount <= bytes.size();
    if (ok) {
        model.animations.resize(animationCount);
    }
    for (std::size_t a = 0; ok && a < model.animations.size(); ++a) {
        Animation& animation = model.animations[a];
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
    if (!ok || !in.ended()) {
        return std::nullopt;
    }
    return model;
}

}  // namespace files
}  // namespace velmora
