#pragma once
// The model's one texture: the PNG file's full path and the name of the texture
// made from it. Making and deleting textures is the installed backend's job, so
// that reading a model never needs a display: the viewer installs the OpenGL
// upload, tools a decode-only check, tests a fake.

#include <cstdint>
#include <string>

class TextureBackend {
  public:
    virtual ~TextureBackend() = default;
    // Makes a texture from the PNG file at path; its non-zero name, or 0 when the
    // file cannot be opened or read as a PNG.
    virtual uint32_t load(const std::string& path) = 0;
    virtual void release(uint32_t glName) = 0;
};

// Decodes the file through the installed file source and hands out names 1, 2,
// ... for readable PNGs; release does nothing. The default backend.
class DecodeOnlyTextureBackend : public TextureBackend {
  public:
    uint32_t load(const std::string& path) override;
    void release(uint32_t) override {}

  private:
    uint32_t lastName_ = 0;
};

TextureBackend& textureBackend();
// Installs backend (not owned); nullptr restores the decode-only default.
void installTextureBackend(TextureBackend* backend);

struct Texture {
    std::string fileName;
    // 0 while no texture is held: not loaded, failed, or released.
    uint32_t glName = 0;

    // fileName = baseDirectory + name; asks the backend for the texture and
    // reports "Failed to open" with the joined path when it makes none.
    void load(const std::string& name);
    // Deletes the texture if one is held; a second call does nothing.
    void release();
};
