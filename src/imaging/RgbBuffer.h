// The one in-memory picture form, and the in-place helpers that move it between
// file order (top row first, red green blue) and display order (bottom row first,
// blue green red), pad its rows for drawing, and turn it into gray indices.
// Also the packed-DIB helpers: a bitmap file from its information header on, held
// in one byte block, with the palette built from its colour table.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantor {

// width x height x 3 bytes, rows back to back. The holder keeps width and height.
using RgbBuffer = std::unique_ptr<std::uint8_t[]>;

// The largest picture either codec accepts, in pixels: 100 megapixels (for
// example 10000 x 10000). Checked right after a header is read, before any
// allocation, so that a file of a few bytes can never ask for gigabytes.
inline constexpr std::uint64_t kMaxPicturePixels = 100'000'000;
// Why a picture above the cap is refused, with the size its header declares:
// "too large: 65500 x 65500 pixels, more than 100 megapixels". Never "out of
// memory": the memory was not even asked for.
std::string TooLargeReason(std::uint64_t width, std::uint64_t height);

// Makes the process hand big picture buffers back to the system as soon as they
// are freed. By default the allocator raises its threshold for mapping blocks of
// their own after each free (up to 32 MB), so the next pictures of a show come
// from the heap, whose freed space stays counted against the process: a show of
// mixed sizes then held several pictures' worth. Called once at start-up.
void KeepPictureMemoryReturnable();

// Allocates width x height x 3 bytes, uninitialised; nothing when the size is zero,
// above the picture cap, or the memory is not there.
RgbBuffer AllocRgb(std::uint64_t width, std::uint64_t height);
// The same, for a byte count; nothing on failure.
std::unique_ptr<std::uint8_t[]> AllocBytes(std::uint64_t bytes);

enum class PixelOrder { File, Display };

bool SwapRedBlue(std::uint8_t* buffer, unsigned width, unsigned height);
bool FlipRows(std::uint8_t* buffer, unsigned rowLength, unsigned height);

// SwapRedBlue and FlipRows in one pass over the picture: file order to display
// order and back.
bool ToggleOrder(std::uint8_t* buffer, unsigned width, unsigned height);

// Row length of a 24-bit row padded to four bytes.
inline std::uint32_t PaddedRowLength(std::uint32_t width) { return ((width * 24 + 31) / 32) * 4; }

// A copy with each row padded to four bytes; rowLength is written on success only.
std::unique_ptr<std::uint8_t[]> PadRowsToDword(const std::uint8_t* buffer, unsigned width, unsigned height,
                                               std::uint32_t& rowLength);

// A palette entry of a gray index image: bytes 0..2 hold the level, byte 3 unused.
struct PaletteEntry {
    std::uint8_t c[4] = {0, 0, 0, 0};
};

// width x height gray indices (levels 2..256) with their ramp palette.
std::unique_ptr<std::uint8_t[]> MakeGrayIndexImage(const std::uint8_t* source, unsigned width, unsigned height,
                                                   std::uint32_t sourceRowLength, unsigned levels, PixelOrder order,
                                                   PaletteEntry* palette);

// The gray value of a pixel, computed in the order and precision the program uses.
inline unsigned GrayOf(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<unsigned>((g * 0.587 + b * 0.114) + r * 0.299);
}

// A bitmap file without its 14-byte file header, held in one zero-initialised block
// (the block is as long as the whole file, so 14 bytes more than the data).
struct PackedDib {
    std::vector<std::uint8_t> bytes;
};

struct DibPaletteEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t flags = 0;
};

// A logical palette: the entries of a packed DIB's colour table.
struct DibPalette {
    std::uint16_t version = 0x300;
    std::vector<DibPaletteEntry> entries;
};

bool PackedDibIsCore(const PackedDib& dib);  // a 12-byte header
std::int32_t PackedDibWidth(const PackedDib& dib);
std::int32_t PackedDibHeight(const PackedDib& dib);
std::uint32_t PackedDibColorCount(const PackedDib& dib);
std::uint32_t PackedDibColorTableBytes(const PackedDib& dib);
bool MakeDibPalette(const PackedDib* dib, DibPalette& palette);
std::optional<PackedDib> LoadPackedDib(std::FILE* file);

}  // namespace vantor
