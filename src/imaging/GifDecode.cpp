// GIF over giflib: the first frame, drawn at its place on the logical screen over
// the background, its transparent colour showing the background too.
#include <gif_lib.h>

#include <cstring>
#include <memory>

#include "imaging/DecoderInternal.h"

namespace vantor::decoders {

namespace {

constexpr int kRowsBetweenCancelChecks = 64;

extern "C" int OnGifRead(GifFileType* gif, GifByteType* into, int bytes) {
    if (bytes <= 0) return 0;
    return static_cast<int>(static_cast<Source*>(gif->UserData)->Read(into, static_cast<std::size_t>(bytes)));
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

bool LibraryFailed(Job& job, int error) {
    if (error == D_GIF_ERR_NOT_GIF_FILE) return NotOfFormat(job);
    if (job.source->cutShort || error == D_GIF_ERR_READ_FAILED) return CutShort(job);
    const char* text = GifErrorString(error);
    return Damaged(job, text != nullptr ? text : "unknown error");
}

// Reads up to the first frame's descriptor; its transparent colour (from the
// graphic control block before it), or -1. False when the file ends first.
bool ReachFirstFrame(Job& job, GifFileType* gif, int& transparent) {
    transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return LibraryFailed(job, gif->Error);
        if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) == GIF_ERROR) return LibraryFailed(job, gif->Error);
            return true;
        }
        if (type == TERMINATE_RECORD_TYPE) return Damaged(job, "no picture in it");
        if (type != EXTENSION_RECORD_TYPE) return Damaged(job, "an unknown block");
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return LibraryFailed(job, gif->Error);
        if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr) {
            GraphicsControlBlock control;
            if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) transparent = control.TransparentColor;
        }
        while (block != nullptr) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return LibraryFailed(job, gif->Error);
        }
    }
}

// The colour of every index in display order; the transparent one, and those
// past the table, show the background.
void MakeColours(const ColorMapObject& map, int transparent, const std::uint8_t* background,
                 std::uint8_t (&colours)[256][3]) {
    for (int i = 0; i < 256; ++i) {
        if (i == transparent || i >= map.ColorCount) {
            colours[i][0] = background[2], colours[i][1] = background[1], colours[i][2] = background[0];
        } else {
            const GifColorType& c = map.Colors[i];
            colours[i][0] = c.Blue, colours[i][1] = c.Green, colours[i][2] = c.Red;
        }
    }
}

// The file row of each row in the order an interlaced frame holds them.
int InterlacedRow(int n, int height) {
    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const int rows = height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
        if (n < rows) return kStart[pass] + n * kStep[pass];
        n -= rows;
    }
    return n;
}

}  // namespace

void DecodeGif(Job& job) {
    char head[6];
    if (job.source->Read(head, sizeof head) != sizeof head ||
        (std::memcmp(head, "GIF87a", 6) != 0 && std::memcmp(head, "GIF89a", 6) != 0)) {
        NotOfFormat(job);
        return;
    }
    job.source->Seek(0);
    int error = 0;
    const GifPtr gif(DGifOpen(job.source, OnGifRead, &error));
    if (!gif) {
        LibraryFailed(job, error);
        return;
    }
    int transparent = NO_TRANSPARENT_COLOR;
    if (!ReachFirstFrame(job, gif.get(), transparent)) return;
    const GifImageDesc& frame = gif->Image;
    if (frame.Left < 0 || frame.Top < 0 || frame.Width < 0 || frame.Height < 0) {
        Damaged(job, "a frame of a negative size");
        return;
    }
    // A first frame past the logical screen widens it, as browsers do.
    const std::uint64_t right = std::uint64_t(frame.Left) + frame.Width;
    const std::uint64_t bottom = std::uint64_t(frame.Top) + frame.Height;
    const std::uint64_t width = right > std::uint64_t(gif->SWidth) ? right : gif->SWidth;
    const std::uint64_t height = bottom > std::uint64_t(gif->SHeight) ? bottom : gif->SHeight;
    if (!SizeKnown(job, width, height)) return;

    const ColorMapObject* map = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
    if (map == nullptr) {
        Damaged(job, "no colour table");
        return;
    }
    std::uint8_t colours[256][3];
    MakeColours(*map, transparent, job.request->background, colours);
    const auto w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);
    std::uint8_t* pixels = TakePicture(job, w, h);
    if (pixels == nullptr) return;
    const std::uint8_t* bg = job.request->background;
    for (std::uint64_t i = 0; i < width * height; ++i) {
        pixels[3 * i] = bg[2], pixels[3 * i + 1] = bg[1], pixels[3 * i + 2] = bg[0];
    }
    if (frame.Width == 0 || frame.Height == 0) return;
    const std::unique_ptr<std::uint8_t[]> line = AllocBytes(static_cast<std::uint64_t>(frame.Width));
    if (!line) {
        NoMemory(job);
        return;
    }
    for (int n = 0; n < frame.Height; ++n) {
        if (n % kRowsBetweenCancelChecks == 0 && WantsCancel(job)) {
            Cancelled(job);
            return;
        }
        if (DGifGetLine(gif.get(), line.get(), frame.Width) == GIF_ERROR) {
            LibraryFailed(job, gif->Error);
            return;
        }
        const int y = frame.Top + (frame.Interlace ? InterlacedRow(n, frame.Height) : n);
        std::uint8_t* into = DisplayRow(pixels, w, h, static_cast<std::uint32_t>(y)) + std::size_t(frame.Left) * 3;
        for (int x = 0; x < frame.Width; ++x, into += 3) std::memcpy(into, colours[line[x]], 3);
    }
}

}  // namespace vantor::decoders
