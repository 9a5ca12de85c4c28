// Helpers of the bitmap tests: a byte builder for bitmap files, the viewer's
// codec-then-fallback road, and ImageMagick's own decoding for comparison.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "imaging/BmpCodec.h"

namespace vantor::test {

using Bytes = std::vector<std::uint8_t>;

inline void Put(Bytes& b, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) b.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A bitmap file: headers, then `table` (raw entries), then `pixels` (raw rows)
// at the pixel offset, which defaults to right after the table.
struct BmpFile {
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::uint32_t headerSize = 40;
    std::optional<std::uint32_t> pixelOffset;
    Bytes table;   // written right after the information header
    Bytes pixels;  // written at the pixel offset

    Bytes Build() const {
        Bytes b{'B', 'M'};
        const std::uint32_t offset = pixelOffset.value_or(14 + headerSize + static_cast<std::uint32_t>(table.size()));
        Put(b, offset + static_cast<std::uint32_t>(pixels.size()), 4);
        Put(b, 0, 4);
        Put(b, offset, 4);
        Put(b, headerSize, 4);
        if (headerSize == 12) {
            Put(b, static_cast<std::uint32_t>(width), 2);
            Put(b, static_cast<std::uint32_t>(height), 2);
            Put(b, 1, 2);
            Put(b, bits, 2);
        } else {
            Put(b, static_cast<std::uint32_t>(width), 4);
            Put(b, static_cast<std::uint32_t>(height), 4);
            Put(b, 1, 2);
            Put(b, bits, 2);
            Put(b, compression, 4);
            Put(b, static_cast<std::uint32_t>(pixels.size()), 4);
            Put(b, 0, 8);
            Put(b, colorsUsed, 4);
            Put(b, 0, 4);
            b.resize(14 + headerSize, 0);
        }
        b.insert(b.end(), table.begin(), table.end());
        if (b.size() < offset) b.resize(offset, 0);
        b.resize(offset);  // an offset inside the table overlaps it with the pixels
        b.insert(b.end(), pixels.begin(), pixels.end());
        return b;
    }
};

// Blue, green, red, 0 entries from red, green, blue triples.
inline Bytes Table(std::initializer_list<std::uint32_t> rgb) {
    Bytes t;
    for (std::uint32_t c : rgb) {
        t.push_back(static_cast<std::uint8_t>(c));
        t.push_back(static_cast<std::uint8_t>(c >> 8));
        t.push_back(static_cast<std::uint8_t>(c >> 16));
        t.push_back(0);
    }
    return t;
}

struct Picture {
    bool ok = false;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    Bytes rgb;  // file order
    std::string status;
};

// The fallback decoder on the whole file.
Picture DecodeWithFallback(const std::string& path);
// The viewer's road: a probing read, then the fallback decoder or the codec's read.
Picture DecodeLikeViewer(const std::string& path);
// What ImageMagick decodes the file to, as 8-bit red, green, blue in file order.
Bytes ImageMagickPixels(const std::string& path);
// Runs /usr/bin/convert with the arguments; true on success.
bool RunConvert(const std::string& args);
bool HaveImageMagick();

}  // namespace vantor::test
