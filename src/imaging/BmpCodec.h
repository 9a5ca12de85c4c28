// Reading and writing Windows bitmap files. A read returns how it went, for the
// caller to tell the user; a write returns the text of its failure, or nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "imaging/DecodeOutcome.h"
#include "imaging/RgbBuffer.h"

namespace vantor {

class SafeWrite;

class BmpCodec {
public:
    // A new buffer in file order into pixels, or nothing when the outcome is not
    // Ok. width and height are set to 0 first, and hold the header's size once the
    // picture is about to be read.
    DecodeOutcome Load(const std::string& path, RgbBuffer& pixels, std::uint32_t& width, std::uint32_t& height);
    // The same reading; sets needsFallback to 1 (and gives no pixels) for files the
    // fallback decoder handles: compressed, 16- and 32-bit, overlong colour tables.
    DecodeOutcome ProbeLoad(const std::string& path, RgbBuffer& pixels, std::uint32_t& width, std::uint32_t& height,
                            int& needsFallback);
    // The size the headers declare, without reading the pixels; Ok only for a
    // bitmap with a size to read.
    static DecodeOutcome ReadDimensions(const std::string& path, std::uint32_t& width, std::uint32_t& height);
    // Writes a buffer in display order as a 24-bit file. Each writer returns the
    // text of its failure, empty when the file was written.
    std::string SaveRgb(const std::string& path, const std::uint8_t* buffer, std::uint32_t width, std::uint32_t height);
    // The same through out, which may be set to take new names only; out tells the
    // name the file got, or why it got none.
    std::string SaveRgb(SafeWrite& out, const std::string& path, const std::uint8_t* buffer, std::uint32_t width,
                        std::uint32_t height);
    // Writes an index image (one index a byte, bottom row first) with its palette
    // (colorCount entries of red, green, blue, reserved) as a 1-, 4- or 8-bit file.
    std::string SaveIndexed(const std::string& path, const std::uint8_t* indices, std::uint32_t width,
                            std::uint32_t height, int bits, int colorCount, const std::uint8_t* palette);

    std::int32_t m_bytesRead = 0;  // file bytes the last read consumed

private:
    // The reading behind Load and ProbeLoad; needsFallback is null for Load.
    DecodeOutcome Read(const std::string& path, RgbBuffer& pixels, std::uint32_t& width, std::uint32_t& height,
                       int* needsFallback);
    bool ReadCounted(std::FILE* file, void* data, std::size_t size);
};

// Row expansion shared by the codec and the fallback decoder.
namespace bmprow {
// A colour table as red, green, blue triples; entries never read stay black.
struct ColorTable {
    std::uint8_t rgb[256 * 3] = {};
};
// Stored row length in bytes: rows are padded to four bytes.
inline std::uint64_t StrideOf(std::uint64_t width, unsigned bits) { return (width * bits + 31) / 32 * 4; }
// Fills the table from entryCount entries of entrySize bytes (blue, green, red[, reserved]).
void ReadColorTable(const std::uint8_t* entries, unsigned entryCount, unsigned entrySize, ColorTable& table);
// One row of 1-, 2-, 4- or 8-bit indices (leftmost pixel in the high bits) to red, green, blue.
void ExpandIndexed(const std::uint8_t* src, std::uint32_t width, unsigned bits, const ColorTable& table,
                   std::uint8_t* dst);
// Pixels stored blue, green, red to red, green, blue.
void ExpandBgr(const std::uint8_t* src, std::size_t pixels, std::uint8_t* dst);
}  // namespace bmprow

// The fallback decoder for the bitmap files BmpCodec leaves aside: run-length 4- and
// 8-bit, 16- and 32-bit (with or without bit-field masks), colour tables that run
// past the pixel data, top-down files. The result is a 24-bit picture of the file's
// size in file order (top row first, red green blue).
struct DecodedBmp {
    RgbBuffer pixels;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// Not a bitmap at all, headers cut short, no pixel data, or run-length data shorter
// than the header claims: Corrupt, with nothing to tell. A negative width is
// Corrupt, a kind it does not read Unsupported, both told; a picture above the cap
// is TooLarge, one without memory OutOfMemory. path is only named in the texts.
DecodeOutcome DecodeBmpFallback(const std::uint8_t* data, std::size_t size, const std::string& path, DecodedBmp& out);

}  // namespace vantor
