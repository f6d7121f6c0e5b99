#include "tools/render/frame_export.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string_view>
#include <vector>

#include "files/safe_file.h"
#include "tools/render/model_picture.h"
#include "tools/render/video_file.h"

namespace velmora {
inline namespace render {

namespace {

namespace fs = std::filesystem;

// "velmora-render: [#####     ] 12/90" redrawn in place, on standard error
// only while it is a terminal, ended by a new line.
class ProgressBar {
  public:
    explicit ProgressBar(int64_t total) : total_(total), shown_(isatty(STDERR_FILENO) == 1) {}
    ~ProgressBar() {
        if (shown_ && drawn_) {
            std::cerr << "\n";
        }
    }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void show(int64_t done) {
        constexpr int kWidth = 40;
        const int filled = static_cast<int>(done * kWidth / total_);
        if (!shown_ || (drawn_ && filled == filled_ && done != total_)) {
            return;
        }
        filled_ = filled;
        drawn_ = true;
        std::cerr << "\rvelmora-render: [" << std::string(filled, '#')
                  << std::string(kWidth - filled, ' ') << "] " << done << "/" << total_
                  << std::flush;
    }

  private:
    int64_t total_;
    bool shown_;
    bool drawn_ = false;
    int filled_ = 0;
};

// The frames of one export, written into a hidden folder of their own inside
// the frames folder and moved into place only once every one is written, so
// that an export that fails leaves the folder as it was: frames of an earlier
// export that it would have replaced keep their content. The folder itself,
// when this export made it, goes again too.
class WrittenFrames {
  public:
    explicit WrittenFrames(const std::string& folder) : folder_(folder) {
        std::error_code error;
        const bool existed = fs::exists(folder, error);
        if (!existed && fs::create_directories(folder, error)) {
            made_ = fs::absolute(folder, error);
        } else if (!fs::is_directory(folder, error)) {
            throw RenderFailure(folder + ": cannot create the folder: " +
                                (existed ? "not a folder" : error.message()));
        }
        std::string staging = (folder_ / ".frames-XXXXXX").string();
        if (!mkdtemp(staging.data())) {
            const std::string reason = std::strerror(errno);
            removeMadeFolders();
            throw RenderFailure(folder + ": cannot write: " + reason);
        }
        staging_ = staging;
    }
    ~WrittenFrames() {
        for (const std::string& name : written_) {
            unlink((staging_ / name).c_str());
        }
        rmdir(staging_.c_str());
        if (!complete_) {
            removeMadeFolders();
        }
    }
    WrittenFrames(const WrittenFrames&) = delete;
    WrittenFrames& operator=(const WrittenFrames&) = delete;

    // Writes the frame named name (in the frames folder); a failure names the
    // frame's own path.
    void write(const std::string& name, std::string_view bytes) {
        const std::string staged = (staging_ / name).string();
        if (WriteResult written = writeFile(staged, bytes); !written) {
            const std::string path = (folder_ / name).string();
            throw RenderFailure(written.problem.rfind(staged, 0) == 0
                                    ? path + written.problem.substr(staged.size())
                                    : written.problem);
        }
        written_.push_back(name);
    }
    // Moves every frame into place.
    void complete() {
        for (const std::string& name : written_) {
            const fs::path path = folder_ / name;
            if (rename((staging_ / name).c_str(), path.c_str()) != 0) {
                throw RenderFailure(path.string() + ": cannot write: " + std::strerror(errno));
            }
        }
        written_.clear();
        complete_ = true;
    }

  private:
    // Only the folders this export made, and only while empty.
    void removeMadeFolders() {
        for (fs::path p = made_; !p.empty() && rmdir(p.c_str()) == 0; p = p.parent_path()) {
        }
    }

    fs::path folder_;
    fs::path made_;
    fs::path staging_;
    std::vector<std::string> written_;
    bool complete_ = false;
};

}  // namespace

int64_t frameCount(const RenderOptions& options, int64_t to) {
    // Frame k is shown when from + floor(k * 1000 / fps) < to, that is while
    // k * 1000 < (to - from) * fps.
    return to <= options.from ? 0 : ((to - options.from) * options.fps + 999) / 1000;
}

int64_t frameTime(const RenderOptions& options, int64_t k) {
    return options.from + k * 1000 / options.fps;
}

std::string frameFileName(int64_t k, int64_t count) {
    std::string digits = std::to_string(k + 1);
    const std::size_t width = std::max<std::size_t>(4, std::to_string(count).size());
    return "frame-" + std::string(width - std::min(width, digits.size()), '0') + digits + ".png";
}

void exportFrames(const RenderOptions& options) {
    ModelDrawing drawing(options);
    const int64_t to = options.to.value_or(drawing.loopMilliseconds());
    const int64_t count = frameCount(options, to);
    if (count == 0) {
        throw RenderFailure("no frames from " + std::to_string(options.from) + " ms to " +
                            std::to_string(to) + " ms (the animation's end): give --to");
    }
    std::optional<VideoFile> video;
    std::optional<WrittenFrames> frames;
    const fs::path folder(options.framesFolder);
    if (!options.videoPath.empty()) {
        video.emplace(options.videoPath, *videoFormatOf(options.videoPath), options.width,
                      options.height, options.fps);
    } else {
        for (int64_t k = 0; k < count; ++k) {
            drawing.refuseToReplaceInputs((folder / frameFileName(k, count)).string());
        }
        frames.emplace(options.framesFolder);
    }
    ProgressBar progress(count);
    Camera camera = drawing.camera();
    for (int64_t k = 0; k < count; ++k) {
        progress.show(k);
        if (options.turntable && k > 0) {
            turnTurntable(camera, frameTime(options, k) - frameTime(options, k - 1));
        }
        const Image picture = drawing.draw(frameTime(options, k), camera);
        if (video) {
            video->add(picture);
            continue;
        }
        frames->write(frameFileName(k, count), encodePng(picture));
    }
    if (video) {
        video->finish();
    } else {
        frames->complete();
    }
    progress.show(count);
}

}  // namespace render
}  // namespace velmora
