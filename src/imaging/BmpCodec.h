// Reading and writing Windows bitmap files. Each operation reports its outcome in
// m_status ("OK" on success); the caller shows it.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/RgbBuffer.h"

namespace vantor {

class BmpCodec {
public:
    // A new buffer in file order, or nothing (m_status says why).
    RgbBuffer Load(const std::string& path, std::uint32_t& width, std::uint32_t& height);
    // The same reading; sets needsFallback to 1 (and returns nothing) for files the
    // fallback decoder handles: compressed, 16- and 32-bit, overlong colour tables.
    RgbBuffer ProbeLoad(const std::string& path, std::uint32_t& width, std::uint32_t& height, int& needsFallback);
    // Writes a buffer in display order as a 24-bit file.
    void SaveRgb(const std::string& path, const std::uint8_t* buffer, std::uint32_t width, std::uint32_t height);
    // Writes an index image (one index a byte, bottom row first) with its palette
    // (colorCount entries of red, green, blue, reserved) as a 1-, 4- or 8-bit file.
    void SaveIndexed(const std::string& path, const std::uint8_t* indices, std::uint32_t width,
                     std::uint32_t height, int bits, int colorCount, const std::uint8_t* palette);

    std::string m_status = "OK";
    std::int32_t m_bytesRead = 0;
};

// The fallback decoder for the bitmap files BmpCodec leaves aside: run-length 4- and
// 8-bit, 16- and 32-bit (with or without bit-field masks), colour tables that run
// past the pixel data, top-down files. The result is a 24-bit picture of the file's
// size in file order (top row first, red green blue).
struct DecodedBmp {
    RgbBuffer pixels;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

enum class BmpDecodeResult {
    Ok,
    NotABitmap,   // not a "BM" file, too short, or no memory for the file: nothing to say
    NegativeSize, // width negative
    TooLarge,     // above the picture cap or out of memory for the picture
    Unsupported,  // a kind of bitmap this decoder does not read
};

BmpDecodeResult DecodeBmpFallback(const std::uint8_t* data, std::size_t size, DecodedBmp& out);

}  // namespace vantor
