// PNG over libpng: the default picture (an animated PNG's first frame), every
// depth, palette and gray made 8-bit red green blue, transparency drawn over the
// background, interlaced or not.
//
// libpng reports a fatal error through its error function, which must not
// return: it longjmps back to DecodeRows. As with libjpeg (JpegInternal.h), the
// functions between the setjmp and the library hold only plain data.
#include <png.h>

#include <csetjmp>
#include <cstdio>

#include "imaging/DecoderInternal.h"

namespace vantor::decoders {

namespace {

// The library's own size limits are left to the picture cap (which refuses a
// size as too large, not as damaged), but an ancillary chunk it would hold in
// memory, or a text it would inflate, stays small.
constexpr png_uint_32 kMaxSide = 0x7fffffff;
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;
// How often the rows look at the cancel flag.
constexpr png_uint_32 kRowsBetweenCancelChecks = 64;

// Chunks the library would read and keep, which the picture does not need: no
// colour management, no texts, no physical size.
constexpr png_byte kIgnoredChunks[] =
    "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0"
    "tEXt\0tIME\0zTXt";

struct Trap {
    std::jmp_buf jump;
    char message[160];
    Source* source;
};

extern "C" void OnPngError(png_structp png, png_const_charp text) {
    auto* trap = static_cast<Trap*>(png_get_error_ptr(png));
    std::snprintf(trap->message, sizeof trap->message, "%s", text);
    std::longjmp(trap->jump, 1);
}

extern "C" void OnPngWarning(png_structp, png_const_charp) {}

extern "C" void OnPngRead(png_structp png, png_bytep into, std::size_t bytes) {
    auto* trap = static_cast<Trap*>(png_get_io_ptr(png));
    if (trap->source->Read(into, bytes) != bytes) png_error(png, "cut short");
}

// Composed at 16 bits, then rounded to 8; the samples are big-endian, as the
// file holds them. A background byte b is b * 257 at 16 bits.
void Rgba16Row(const png_byte* rgba, png_uint_32 count, const std::uint8_t* background, std::uint8_t* into) {
    for (png_uint_32 x = 0; x < count; ++x, rgba += 8, into += 3) {
        const std::uint32_t a = (rgba[6] << 8) | rgba[7];
        const std::uint32_t red = (rgba[0] << 8) | rgba[1];
        const std::uint32_t green = (rgba[2] << 8) | rgba[3];
        const std::uint32_t blue = (rgba[4] << 8) | rgba[5];
        const auto over = [a](std::uint32_t c, std::uint8_t bg) {
            const std::uint32_t v16 = (a * c + (65535 - a) * (bg * 257u) + 32767) / 65535;
            return static_cast<std::uint8_t>((v16 * 255 + 32767) / 65535);
        };
        into[0] = over(blue, background[2]);
        into[1] = over(green, background[1]);
        into[2] = over(red, background[0]);
    }
}

// One row as the library gives it into display order; in place when row is a
// row of the picture's own block.
void PutRow(const png_byte* row, png_uint_32 width, int bytesPerPixel, const std::uint8_t* background,
            std::uint8_t* into) {
    if (bytesPerPixel == 8) {
        Rgba16Row(row, width, background, into);
    } else {
        RgbaRow(row, width, background, into);
    }
}

// Plain data only: see the top of the file.
void DecodeRows(Job& job, Trap& trap) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &trap, OnPngError, OnPngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        NoMemory(job);
        return;
    }
    png_byte* volatile row = nullptr;
    if (setjmp(trap.jump)) {
        png_destroy_read_struct(&png, &info, nullptr);
        delete[] row;
        if (trap.source->cutShort) {
            CutShort(job);
        } else {
            Damaged(job, trap.message);
        }
        return;
    }
    png_set_read_fn(png, &trap, OnPngRead);
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks, sizeof kIgnoredChunks / 5);

    png_byte signature[8];
    if (trap.source->Read(signature, sizeof signature) != sizeof signature ||
        png_sig_cmp(signature, 0, sizeof signature) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        NotOfFormat(job);
        return;
    }
    png_set_sig_bytes(png, sizeof signature);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!SizeKnown(job, width, height)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return;
    }

    // Palette, gray below 8 bits and a transparent colour become 8-bit samples
    // (or 16-bit ones kept), with an alpha sample for the transparent colour.
    const bool alpha =
        (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    if (!alpha) {
        png_set_scale_16(png);
        png_set_bgr(png);  // straight into display order
    }
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const int bytesPerPixel = static_cast<int>(png_get_rowbytes(png, info) / width);
    if (png_get_rowbytes(png, info) != std::size_t{width} * bytesPerPixel ||
        bytesPerPixel != (alpha ? (png_get_bit_depth(png, info) == 16 ? 8 : 4) : 3)) {
        png_error(png, "unexpected row layout");
    }

    // Opaque rows go straight into the picture. Transparent ones go through a row
    // of their own, or, interlaced (each pass adds to the rows before), into the
    // picture's block widened to hold them whole, made three bytes a pixel after.
    const bool whole = alpha && passes > 1;
    std::uint8_t* pixels = TakePicture(job, width, height, whole ? bytesPerPixel - 3 : 0);
    if (pixels == nullptr) {
        png_destroy_read_struct(&png, &info, nullptr);
        return;
    }
    const std::size_t rowBytes = std::size_t{width} * bytesPerPixel;
    if (alpha && !whole) {
        row = AllocBytes(rowBytes).release();
        if (row == nullptr) {
            png_destroy_read_struct(&png, &info, nullptr);
            NoMemory(job);
            return;
        }
    }
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            if (y % kRowsBetweenCancelChecks == 0 && WantsCancel(job)) {
                png_destroy_read_struct(&png, &info, nullptr);
                delete[] row;
                Cancelled(job);
                return;
            }
            // A widened block holds the rows bottom first too, so that making them
            // three bytes a pixel, from the first row on, never overtakes itself.
            std::uint8_t* target = whole ? pixels + (height - 1 - y) * rowBytes : DisplayRow(pixels, width, height, y);
            png_read_row(png, row != nullptr ? row : target, nullptr);
            if (row != nullptr) PutRow(row, width, bytesPerPixel, job.request->background, target);
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    delete[] row;
    if (whole) {
        for (png_uint_32 d = 0; d < height; ++d)
            PutRow(pixels + d * rowBytes, width, bytesPerPixel, job.request->background,
                   pixels + std::size_t{d} * width * 3);
    }
}

}  // namespace

void DecodePng(Job& job) {
    Trap trap{};
    trap.source = job.source;
    DecodeRows(job, trap);
}

}  // namespace vantor::decoders
