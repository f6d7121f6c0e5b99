#include "app/screenshot.h"

#include <GL/gl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

Image readFramePixels(int width, int height) {
    Image image;
    image.width = static_cast<uint32_t>(width);
    image.height = static_cast<uint32_t>(height);
    image.channels = 3;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    std::vector<uint8_t> bottomUp(rowBytes * static_cast<std::size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    // OpenGL counts rows from the bottom, the image from the top.
    image.pixels.resize(bottomUp.size());
    for (int row = 0; row < height; ++row) {
        std::memcpy(&image.pixels[static_cast<std::size_t>(row) * rowBytes],
                    &bottomUp[static_cast<std::size_t>(height - 1 - row) * rowBytes], rowBytes);
    }
    return image;
}

std::string screenshotStem(const std::string& modelPath) {
    const std::string stem = std::filesystem::path(modelPath).stem().string();
    return stem.empty() ? "velmora" : stem;
}

SavedFile saveNumbered(const std::string& stem, const std::string& bytes) {
    for (unsigned long number = 1;; ++number) {
        const std::string path = stem + "-" + std::to_string(number) + ".png";
        struct stat existing;
        if (lstat(path.c_str(), &existing) == 0) {
            continue;
        }
        std::string error;
        switch (writeNewFile(path, bytes, error)) {
            case NewFileOutcome::Written:
                return {path, ""};
            case NewFileOutcome::Exists:
                // Taken since the look above: the next number.
                continue;
            case NewFileOutcome::Failed:
                return {"", "Failed to write \"" + path + "\": " + error};
        }
    }
}

namespace {

bool writeAll(int descriptor, const std::string& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = write(descriptor, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(count);
    }
    return true;
}

}  // namespace

NewFileOutcome writeNewFile(const std::string& path, const std::string& bytes, std::string& error) {
    std::string temporary = path + ".XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        error = std::strerror(errno);
        return NewFileOutcome::Failed;
    }
    // mkstemp makes the file private; a picture gets the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    const bool complete = fchmod(descriptor, 0666 & ~mask) == 0 && writeAll(descriptor, bytes) &&
                          fsync(descriptor) == 0;
    const int writeError = errno;
    const bool closed = close(descriptor) == 0;
    NewFileOutcome outcome = NewFileOutcome::Written;
    if (!complete || !closed) {
        error = std::strerror(complete ? errno : writeError);
        outcome = NewFileOutcome::Failed;
    } else if (link(temporary.c_str(), path.c_str()) != 0) {
        // link, unlike rename, never replaces a file that has the name.
        if (errno == EEXIST) {
            outcome = NewFileOutcome::Exists;
        } else {
            error = std::strerror(errno);
            outcome = NewFileOutcome::Failed;
        }
    }
    unlink(temporary.c_str());
    return outcome;
}
