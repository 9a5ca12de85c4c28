// The decoders of the formats beside JPEG and BMP, each over the library Debian
// ships for it: PNG (libpng), GIF (giflib), WebP (libwebp), TIFF (libtiff), and
// HEIC and AVIF (both libheif). A picture comes out as the view holds one: 8-bit
// display order, its transparent parts drawn over a background colour, the first
// frame or page of several, no colour management (pictures are taken as sRGB).
// A decoder shows nothing: the outcome says what happened, for the caller to tell.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "imaging/DecodeOutcome.h"
#include "imaging/PictureMemory.h"
#include "platform/FileSystem.h"
#include "platform/PictureFormats.h"

namespace vantor {

enum class PictureCodec { Png, Gif, Webp, Tiff, Heic, Avif };

// The decoder of a kind of the table of formats; none for JPEG and BMP, which
// have codecs of their own.
std::optional<PictureCodec> CodecFor(PictureKind kind);

struct DecodeRequest {
    // Red, green, blue: what the transparent parts are drawn over.
    std::uint8_t background[3] = {0, 0, 0};
    // The least size the caller needs, for a decoder that scales while decoding
    // (WebP): it gives the smallest size, proportions kept, that covers this one.
    // 0 x 0, a size the picture does not exceed, or any other decoder: full size.
    std::uint32_t atLeastWidth = 0, atLeastHeight = 0;
    // Set from another thread to give up early (Cancelled).
    const std::atomic<bool>* cancel = nullptr;
    // Where the picture's block comes from.
    PictureMemory* memory = nullptr;
};

// Pixels only when the outcome is Ok: width x height in display order (bottom
// row first, blue green red, width * 3 bytes a row). trueWidth x trueHeight is the
// picture's own size (for HEIC and AVIF, turned as the file asks), known once its
// header was read, also when the decode failed later (a TooLarge picture's size).
struct DecodedPicture {
    DecodeOutcome outcome;
    PixelBlock pixels;
    std::uint32_t width = 0, height = 0;
    std::uint32_t trueWidth = 0, trueHeight = 0;
    FileStamp stamp;  // the file as it was opened (none from memory)
};

// Only a regular file is read, so a FIFO named like a picture never blocks.
DecodedPicture DecodePicture(PictureCodec codec, const std::string& path, const DecodeRequest& request);
DecodedPicture DecodePicture(PictureCodec codec, const std::uint8_t* data, std::size_t size,
                             const DecodeRequest& request);

// The picture's own size from its header, without decoding it (HEIC and AVIF:
// turned as the file asks). The size above the cap is Ok here: the caller asks.
struct PictureSize {
    DecodeOutcome outcome;
    std::uint32_t width = 0, height = 0;
};
PictureSize ReadPictureSize(PictureCodec codec, const std::string& path);
PictureSize ReadPictureSize(PictureCodec codec, const std::uint8_t* data, std::size_t size);

}  // namespace vantor
