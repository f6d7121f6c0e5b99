#include "files/texture.h"

#include "files/base_directory.h"
#include "files/file_source.h"
#include "files/png_image.h"

namespace {

TextureBackend* installedBackend = nullptr;

}  // namespace

uint32_t DecodeOnlyTextureBackend::load(const std::string& path) {
    const auto bytes = fileSource().read(path);
    if (!bytes || !decodePng(*bytes)) {
        return 0;
    }
    return ++lastName_;
}

TextureBackend& textureBackend() {
    static DecodeOnlyTextureBackend decodeOnly;
    return installedBackend ? *installedBackend : decodeOnly;
}

void installTextureBackend(TextureBackend* backend) {
    installedBackend = backend;
}

void Texture::load(const std::string& name) {
    fileName = joinToBaseDirectory(name);
    glName = textureBackend().load(fileName);
    if (glName == 0) {
        reportFailedToOpen(fileName);
    }
}

void Texture::release() {
    if (glName != 0) {
        textureBackend().release(glName);
        glName = 0;
    }
}
