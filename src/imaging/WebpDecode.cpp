// WebP over libwebp: a still picture, or an animation's first frame at its place
// on the canvas, its alpha drawn over the background. A still picture (or a first
// frame covering the canvas) is scaled by the library while it decodes when the
// caller needs fewer pixels.
#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <memory>

#include "imaging/DecoderInternal.h"

namespace vantor::decoders {

namespace {

// A file larger than this holds no picture under the cap: refused unread.
constexpr std::uint64_t kMaxFileBytes = 1u << 30;
// The decode looks at the cancel flag after each slice of the file.
constexpr std::size_t kSliceBytes = 256u << 10;

std::uint32_t Le32(const std::uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24); }

bool LibraryFailed(Job& job, VP8StatusCode status) {
    switch (status) {
        case VP8_STATUS_OUT_OF_MEMORY: return NoMemory(job);
        case VP8_STATUS_NOT_ENOUGH_DATA:
        case VP8_STATUS_SUSPENDED: return CutShort(job);
        case VP8_STATUS_UNSUPPORTED_FEATURE: return Unsupported(job, "a feature of the format");
        default: return Damaged(job, "the library cannot read its data");
    }
}

// The size a decode gives for the least size the caller needs: the smallest with
// the picture's proportions that covers it, or the whole picture.
void ScaledSize(const DecodeRequest& request, std::uint32_t width, std::uint32_t height, std::uint32_t& scaledWidth,
                std::uint32_t& scaledHeight) {
    const std::uint64_t needW = request.atLeastWidth, needH = request.atLeastHeight;
    scaledWidth = width;
    scaledHeight = height;
    if ((needW == 0 && needH == 0) || needW >= width || needH >= height) return;
    // The side that needs the larger share decides; the other follows, rounded up.
    if (needW * height >= needH * width) {
        scaledWidth = static_cast<std::uint32_t>(needW);
        scaledHeight = static_cast<std::uint32_t>((height * needW + width - 1) / width);
    } else {
        scaledHeight = static_cast<std::uint32_t>(needH);
        scaledWidth = static_cast<std::uint32_t>((width * needH + height - 1) / height);
    }
}

// One picture's coded data (a whole still file, or a frame's) decoded into rows
// of stride bytes at into: blue green red, or red green blue alpha; bottom row
// first when flipped; scaled to width x height when that is less than its own.
bool DecodeData(Job& job, const std::uint8_t* data, std::size_t size, bool alpha, std::uint32_t width,
                std::uint32_t height, bool flip, std::uint8_t* into, std::size_t stride) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return Damaged(job, "the library does not match its header");
    config.options.flip = flip ? 1 : 0;
    config.options.use_threads = 1;
    if (WebPGetFeatures(data, size, &config.input) != VP8_STATUS_OK) return Damaged(job, "a frame without a picture");
    if (width != static_cast<std::uint32_t>(config.input.width) ||
        height != static_cast<std::uint32_t>(config.input.height)) {
        config.options.use_scaling = 1;
        config.options.scaled_width = static_cast<int>(width);
        config.options.scaled_height = static_cast<int>(height);
    }
    config.output.colorspace = alpha ? MODE_RGBA : MODE_BGR;
    config.output.is_external_memory = 1;
    config.output.width = static_cast<int>(width);
    config.output.height = static_cast<int>(height);
    config.output.u.RGBA.rgba = into;
    config.output.u.RGBA.stride = static_cast<int>(stride);
    config.output.u.RGBA.size = stride * height;

    WebPIDecoder* decoder = WebPIDecode(nullptr, 0, &config);
    if (decoder == nullptr) return NoMemory(job);
    VP8StatusCode status = VP8_STATUS_SUSPENDED;
    for (std::size_t fed = 0; status == VP8_STATUS_SUSPENDED && fed < size;) {
        if (WantsCancel(job)) {
            WebPIDelete(decoder);
            return Cancelled(job);
        }
        fed = size - fed > kSliceBytes ? fed + kSliceBytes : size;
        status = WebPIUpdate(decoder, data, fed);
    }
    WebPIDelete(decoder);
    return status == VP8_STATUS_OK || LibraryFailed(job, status);
}

// The first frame of an animation, on a canvas of the background.
void DecodeFirstFrame(Job& job, const std::uint8_t* data, std::size_t size) {
    const WebPData whole{data, size};
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    const std::unique_ptr<WebPDemuxer, void (*)(WebPDemuxer*)> demux(WebPDemuxPartial(&whole, &state), WebPDemuxDelete);
    if (!demux || state == WEBP_DEMUX_PARSE_ERROR) {
        Damaged(job, "its frames cannot be read");
        return;
    }
    if (!SizeKnown(job, WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH),
                   WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT)))
        return;
    WebPIterator frame;
    if (!WebPDemuxGetFrame(demux.get(), 1, &frame)) {
        if (state == WEBP_DEMUX_DONE) {
            Damaged(job, "an animation without frames");
        } else {
            CutShort(job);
        }
        return;
    }
    const std::uint32_t canvasW = job.picture->trueWidth, canvasH = job.picture->trueHeight;
    const auto frameW = static_cast<std::uint32_t>(frame.width), frameH = static_cast<std::uint32_t>(frame.height);
    const auto left = static_cast<std::uint32_t>(frame.x_offset), top = static_cast<std::uint32_t>(frame.y_offset);
    const std::uint8_t* coded = frame.fragment.bytes;
    const std::size_t codedSize = frame.fragment.size;
    const bool alpha = frame.has_alpha != 0;
    const bool complete = frame.complete != 0;
    WebPDemuxReleaseIterator(&frame);
    if (!complete) {
        CutShort(job);
        return;
    }
    if (left + std::uint64_t{frameW} > canvasW || top + std::uint64_t{frameH} > canvasH) {
        Damaged(job, "a frame outside the canvas");
        return;
    }

    const std::uint8_t* bg = job.request->background;
    if (left == 0 && top == 0 && frameW == canvasW && frameH == canvasH) {  // as a still picture
        std::uint32_t w = 0, h = 0;
        ScaledSize(*job.request, canvasW, canvasH, w, h);
        std::uint8_t* pixels = TakePicture(job, w, h, alpha ? 1 : 0);
        if (pixels == nullptr ||
            !DecodeData(job, coded, codedSize, alpha, w, h, true, pixels, std::size_t{w} * (alpha ? 4 : 3)))
            return;
        if (alpha) {
            for (std::uint32_t d = 0; d < h; ++d)
                RgbaRow(pixels + std::size_t{d} * w * 4, w, bg, pixels + std::size_t{d} * w * 3);
        }
        return;
    }
    std::uint8_t* pixels = TakePicture(job, canvasW, canvasH);
    const std::unique_ptr<std::uint8_t[]> rgba = AllocBytes(std::uint64_t{frameW} * frameH * 4);
    if (pixels == nullptr) return;
    if (!rgba) {
        NoMemory(job);
        return;
    }
    if (!DecodeData(job, coded, codedSize, true, frameW, frameH, false, rgba.get(), std::size_t{frameW} * 4)) return;
    for (std::uint64_t i = 0; i < std::uint64_t{canvasW} * canvasH; ++i) {
        pixels[3 * i] = bg[2], pixels[3 * i + 1] = bg[1], pixels[3 * i + 2] = bg[0];
    }
    for (std::uint32_t y = 0; y < frameH; ++y)
        RgbaRow(rgba.get() + std::size_t{y} * frameW * 4, frameW, bg,
                DisplayRow(pixels, canvasW, canvasH, top + y) + std::size_t{left} * 3);
}

void DecodeFrom(Job& job, const std::uint8_t* data, std::size_t size) {
    WebPBitstreamFeatures features;
    const VP8StatusCode status = WebPGetFeatures(data, size, &features);
    if (status != VP8_STATUS_OK) {
        LibraryFailed(job, status);
        return;
    }
    if (features.has_animation) {
        DecodeFirstFrame(job, data, size);
        return;
    }
    if (!SizeKnown(job, static_cast<std::uint32_t>(features.width), static_cast<std::uint32_t>(features.height)))
        return;
    const bool alpha = features.has_alpha != 0;
    std::uint32_t w = 0, h = 0;
    ScaledSize(*job.request, job.picture->trueWidth, job.picture->trueHeight, w, h);
    // Transparent pictures come four bytes a pixel, made three in place, bottom
    // row first so that no row overtakes the next.
    std::uint8_t* pixels = TakePicture(job, w, h, alpha ? 1 : 0);
    if (pixels == nullptr || !DecodeData(job, data, size, alpha, w, h, true, pixels, std::size_t{w} * (alpha ? 4 : 3)))
        return;
    if (alpha) {
        for (std::uint32_t d = 0; d < h; ++d)
            RgbaRow(pixels + std::size_t{d} * w * 4, w, job.request->background, pixels + std::size_t{d} * w * 3);
    }
}

}  // namespace

void DecodeWebp(Job& job) {
    std::uint8_t head[12];
    if (job.source->Read(head, sizeof head) != sizeof head || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WEBP", 4) != 0) {
        NotOfFormat(job);
        return;
    }
    // The file is read whole (the library needs it so), up to the end its header gives.
    const std::uint64_t riffEnd = std::uint64_t{Le32(head + 4)} + 8;
    if (riffEnd < sizeof head) {
        Damaged(job, "a header shorter than itself");
        return;
    }
    if (riffEnd > kMaxFileBytes) {
        job.picture->outcome = DecodeOutcome::Failed(DecodeStatus::TooLarge, "too large: a file of more than 1 GB");
        return;
    }
    const std::uint64_t size = riffEnd < job.source->size ? riffEnd : job.source->size;
    if (job.source->data != nullptr) {
        DecodeFrom(job, job.source->data, static_cast<std::size_t>(size));
        return;
    }
    const std::unique_ptr<std::uint8_t[]> bytes = AllocBytes(size);
    if (!bytes) {
        NoMemory(job);
        return;
    }
    std::memcpy(bytes.get(), head, sizeof head);
    if (job.source->Read(bytes.get() + sizeof head, static_cast<std::size_t>(size - sizeof head)) !=
        size - sizeof head) {
        CutShort(job);
        return;
    }
    DecodeFrom(job, bytes.get(), static_cast<std::size_t>(size));
}

}  // namespace vantor::decoders
