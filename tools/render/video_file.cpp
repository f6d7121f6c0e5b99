#include "tools/render/video_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>
#include <numeric>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "files/safe_file.h"
#include "tools/render/model_picture.h"

namespace velmora {
inline namespace render {

namespace {

struct Encoding {
    const char* muxer;
    const char* encoder;
    AVPixelFormat pixels;
    // Encoder options: quality close to the pictures drawn, at a speed that
    // keeps the export at least as fast as writing the frames as PNGs.
    std::vector<std::pair<const char*, const char*>> settings;
};

Encoding encodingOf(VideoFormat format) {
    switch (format) {
        case VideoFormat::Mp4:
            return {"mp4", "libx264", AV_PIX_FMT_YUV420P, {{"preset", "veryfast"}, {"crf", "16"}}};
        case VideoFormat::WebM:
            return {"webm",
                    "libvpx-vp9",
                    AV_PIX_FMT_YUV420P,
                    {{"deadline", "realtime"}, {"cpu-used", "8"}, {"crf", "20"}, {"b", "0"}}};
        case VideoFormat::Gif:
            break;
    }
    return {"gif", "gif", AV_PIX_FMT_PAL8, {}};
}

// FFmpeg's words for an error code.
std::string errorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

// A 15-bit colour: 5 bits of each channel.
uint32_t binOf(const uint8_t* rgb) {
    return (rgb[0] >> 3u) << 10u | (rgb[1] >> 3u) << 5u | rgb[2] >> 3u;
}

// Turns an RGB picture into palette indices and a palette of at most 256
// colours (0xAARRGGBB, opaque): the most frequent colours at 5 bits a channel,
// each the mean of the pixels it stands for; every other colour goes to the
// nearest of them.
void quantize(const Image& picture, uint8_t* indices, int stride, uint32_t* palette) {
    constexpr uint32_t kBins = 1u << 15u;
    std::vector<std::array<uint64_t, 4>> sums(kBins, {0, 0, 0, 0});
    const std::size_t count = static_cast<std::size_t>(picture.width) * picture.height;
    for (std::size_t p = 0; p < count; ++p) {
        const uint8_t* rgb = &picture.pixels[p * 3];
        auto& sum = sums[binOf(rgb)];
        sum[0] += rgb[0];
        sum[1] += rgb[1];
        sum[2] += rgb[2];
        ++sum[3];
    }
    std::vector<uint32_t> bins(kBins);
    std::iota(bins.begin(), bins.end(), 0u);
    constexpr std::size_t used = 256;
    std::partial_sort(bins.begin(), bins.begin() + used, bins.end(),
                      [&](uint32_t a, uint32_t b) { return sums[a][3] > sums[b][3]; });
    std::vector<std::array<int, 3>> colours;
    std::vector<int16_t> index(kBins, -1);
    for (std::size_t i = 0; i < used && sums[bins[i]][3] > 0; ++i) {
        const auto& sum = sums[bins[i]];
        colours.push_back({static_cast<int>(sum[0] / sum[3]), static_cast<int>(sum[1] / sum[3]),
                           static_cast<int>(sum[2] / sum[3])});
        index[bins[i]] = static_cast<int16_t>(i);
    }
    for (std::size_t i = 0; i < 256; ++i) {
        const auto colour = i < colours.size() ? colours[i] : std::array<int, 3>{0, 0, 0};
        palette[i] = 0xff000000u | static_cast<uint32_t>(colour[0]) << 16u |
                     static_cast<uint32_t>(colour[1]) << 8u | static_cast<uint32_t>(colour[2]);
    }
    for (uint32_t y = 0; y < picture.height; ++y) {
        for (uint32_t x = 0; x < picture.width; ++x) {
            const uint8_t* rgb =
                &picture.pixels[(static_cast<std::size_t>(y) * picture.width + x) * 3];
            int16_t& nearest = index[binOf(rgb)];
            if (nearest < 0) {
                int best = std::numeric_limits<int>::max();
                for (std::size_t i = 0; i < colours.size(); ++i) {
                    const int dr = colours[i][0] - rgb[0];
                    const int dg = colours[i][1] - rgb[1];
                    const int db = colours[i][2] - rgb[2];
                    const int distance = dr * dr + dg * dg + db * db;
                    if (distance < best) {
                        best = distance;
                        nearest = static_cast<int16_t>(i);
                    }
                }
            }
            indices[static_cast<std::size_t>(y) * stride + x] = static_cast<uint8_t>(nearest);
        }
    }
}

}  // namespace

struct VideoFile::State {
    State(const std::string& path) : path(path), file(path) {}
    ~State() {
        sws_freeContext(scaler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_free_context(format);
        if (io) {
            av_freep(&io->buffer);
        }
        avio_context_free(&io);
    }

    [[noreturn]] void fail(const std::string& what, int error) {
        // A write that failed says why in the system's words.
        const std::string reason = writeError != 0 ? std::strerror(writeError) : errorText(error);
        throw RenderFailure(path + ": " + what + ": " + reason);
    }

    void check(int result, const char* what) {
        if (result < 0 || writeError != 0) {
            fail(what, result);
        }
    }

    // Hands the encoder frame (null: flush) and writes every packet it has.
    void encode(const AVFrame* input) {
        check(avcodec_send_frame(codec, input), "cannot encode");
        for (;;) {
            const int received = avcodec_receive_packet(codec, packet);
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
                return;
            }
            check(received, "cannot encode");
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            check(av_interleaved_write_frame(format, packet), "cannot write");
        }
    }

    static int write(void* opaque, uint8_t* bytes, int size) {
        auto* state = static_cast<State*>(opaque);
        for (int written = 0; written < size;) {
            const ssize_t n = ::write(state->file.descriptor(), bytes + written, size - written);
            if (n < 0 && errno != EINTR) {
                state->writeError = errno;
                return AVERROR(errno);
            }
            written += n > 0 ? static_cast<int>(n) : 0;
        }
        return size;
    }

    static int64_t seek(void* opaque, int64_t offset, int whence) {
        const int fd = static_cast<State*>(opaque)->file.descriptor();
        if (whence & AVSEEK_SIZE) {
            struct stat status;
            return fstat(fd, &status) == 0 ? status.st_size : AVERROR(errno);
        }
        const off_t position = lseek(fd, offset, whence & ~AVSEEK_FORCE);
        return position < 0 ? AVERROR(errno) : position;
    }

    std::string path;
    StagedFile file;
    // errno of the write that failed; 0 while none has.
    int writeError = 0;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    SwsContext* scaler = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    int64_t next = 0;
};

VideoFile::VideoFile(const std::string& path, VideoFormat format, int width, int height, int fps)
    : state_(std::make_unique<State>(path)) {
    State& s = *state_;
    // Problems are reported once, in one line naming the file, by the caller.
    av_log_set_level(AV_LOG_QUIET);
    if (!s.file.problem().empty()) {
        throw RenderFailure(s.file.problem());
    }
    const Encoding encoding = encodingOf(format);
    const AVCodec* encoder = avcodec_find_encoder_by_name(encoding.encoder);
    if (!encoder) {
        throw RenderFailure(path + ": this FFmpeg has no " + encoding.encoder + " encoder");
    }
    constexpr int kBufferBytes = 1 << 16;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
    s.io = buffer ? avio_alloc_context(buffer, kBufferBytes, 1, &s, nullptr, &State::write,
                                       &State::seek)
                  : nullptr;
    if (!s.io) {
        av_free(buffer);
        s.fail("cannot start the video", AVERROR(ENOMEM));
    }
    s.check(avformat_alloc_output_context2(&s.format, nullptr, encoding.muxer, nullptr),
            "cannot start the video");
    s.format->pb = s.io;
    s.format->flags |= AVFMT_FLAG_CUSTOM_IO;
    s.codec = avcodec_alloc_context3(encoder);
    s.stream = avformat_new_stream(s.format, nullptr);
    s.frame = av_frame_alloc();
    s.packet = av_packet_alloc();
    if (!s.codec || !s.stream || !s.frame || !s.packet) {
        s.fail("cannot start the video", AVERROR(ENOMEM));
    }
    s.codec->width = width;
    s.codec->height = height;
    s.codec->time_base = {1, fps};
    s.codec->framerate = {fps, 1};
    s.codec->pix_fmt = encoding.pixels;
    // swscale's RGB to YUV: BT.601 coefficients, limited range.
    s.codec->colorspace = AVCOL_SPC_SMPTE170M;
    s.codec->color_range = AVCOL_RANGE_MPEG;
    if (s.format->oformat->flags & AVFMT_GLOBALHEADER) {
        s.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    for (const auto& [name, value] : encoding.settings) {
        av_opt_set(s.codec->priv_data, name, value, 0);
    }
    s.check(avcodec_open2(s.codec, encoder, nullptr), "cannot open the encoder");
    s.check(avcodec_parameters_from_context(s.stream->codecpar, s.codec), "cannot start the video");
    s.stream->time_base = s.codec->time_base;
    s.frame->format = encoding.pixels;
    s.frame->width = width;
    s.frame->height = height;
    s.check(av_frame_get_buffer(s.frame, 0), "cannot start the video");
    if (encoding.pixels != AV_PIX_FMT_PAL8) {
        s.scaler = sws_getContext(width, height, AV_PIX_FMT_RGB24, width, height, encoding.pixels,
                                  SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, nullptr,
                                  nullptr, nullptr);
        if (!s.scaler) {
            s.fail("cannot start the video", AVERROR(ENOMEM));
        }
    }
    s.check(avformat_write_header(s.format, nullptr), "cannot write");
}

VideoFile::~VideoFile() = default;

void VideoFile::add(const Image& picture) {
    State& s = *state_;
    s.check(av_frame_make_writable(s.frame), "cannot encode");
    if (s.scaler) {
        const uint8_t* rows[] = {picture.pixels.data()};
        const int strides[] = {static_cast<int>(picture.width * 3)};
        sws_scale(s.scaler, rows, strides, 0, static_cast<int>(picture.height), s.frame->data,
                  s.frame->linesize);
    } else {
        quantize(picture, s.frame->data[0], s.frame->linesize[0],
                 reinterpret_cast<uint32_t*>(s.frame->data[1]));
    }
    s.frame->pts = s.next++;
    s.encode(s.frame);
}

void VideoFile::finish() {
    State& s = *state_;
    s.encode(nullptr);
    s.check(av_write_trailer(s.format), "cannot write");
    avio_flush(s.io);
    s.check(s.io->error, "cannot write");
    if (const WriteResult committed = s.file.commit(); !committed) {
        throw RenderFailure(committed.problem);
    }
}

}  // namespace render
}  // namespace velmora
