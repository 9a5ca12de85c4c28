#include "imaging/ExifOrientation.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vantor {

namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::size_t kEntryBytes = 12;

struct TiffReader {
    const std::uint8_t* data;
    std::size_t size;
    bool bigEndian;

    bool Has(std::size_t at, std::size_t n) const { return at <= size && n <= size - at; }
    std::uint32_t U16(std::size_t at) const {
        return bigEndian ? (data[at] << 8 | data[at + 1]) : (data[at + 1] << 8 | data[at]);
    }
    std::uint32_t U32(std::size_t at) const {
        return bigEndian ? (U16(at) << 16 | U16(at + 2)) : (U16(at + 2) << 16 | U16(at));
    }
};

}  // namespace

int ExifOrientation(const std::uint8_t* data, std::size_t size) {
    static const std::uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (data == nullptr || size < sizeof kExifHeader + 8 || std::memcmp(data, kExifHeader, sizeof kExifHeader) != 0)
        return kOrientationUpright;
    // Offsets inside the block count from the start of its TIFF header.
    TiffReader tiff{data + sizeof kExifHeader, size - sizeof kExifHeader, false};
    if (tiff.data[0] == 'M' && tiff.data[1] == 'M')
        tiff.bigEndian = true;
    else if (!(tiff.data[0] == 'I' && tiff.data[1] == 'I'))
        return kOrientationUpright;
    if (tiff.U16(2) != 42) return kOrientationUpright;
    const std::size_t ifd = tiff.U32(4);
    if (!tiff.Has(ifd, 2)) return kOrientationUpright;
    const std::size_t entries = tiff.U16(ifd);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t at = ifd + 2 + i * kEntryBytes;
        if (!tiff.Has(at, kEntryBytes)) break;
        if (tiff.U16(at) != kOrientationTag) continue;
        // One short, held in the first two bytes of the value field.
        if (tiff.U16(at + 2) != kTypeShort || tiff.U32(at + 4) < 1) return kOrientationUpright;
        const std::uint32_t value = tiff.U16(at + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : kOrientationUpright;
    }
    return kOrientationUpright;
}

void TurnInto(const std::uint8_t* stored, std::uint32_t width, std::uint32_t height, int orientation,
              std::uint8_t* upright) {
    const std::int64_t W = width, H = height;
    if (orientation < 2 || orientation > 8) {
        std::memcpy(upright, stored, static_cast<std::size_t>(W * H * 3));
        return;
    }
    const bool across = orientation >= 5;
    const std::int64_t outW = across ? H : W, outH = across ? W : H;
    // Where the upright picture's pixel (row r', column c'), counted from the top,
    // comes from in the stored one: r = r0 + rr r' + rc c', c = c0 + cr r' + cc c'.
    struct Map {
        std::int64_t r0, rr, rc, c0, cr, cc;
    };
    Map m{};
    switch (orientation) {
        case 2: m = {0, 1, 0, W - 1, 0, -1}; break;
        case 3: m = {H - 1, -1, 0, W - 1, 0, -1}; break;
        case 4: m = {H - 1, -1, 0, 0, 0, 1}; break;
        case 5: m = {0, 0, 1, 0, 1, 0}; break;
        case 6: m = {H - 1, 0, -1, 0, 1, 0}; break;
        case 7: m = {H - 1, 0, -1, W - 1, -1, 0}; break;
        default: m = {0, 0, 1, W - 1, -1, 0}; break;  // 8
    }
    // Both pictures are stored bottom row first: row r from the top is stored row
    // H - 1 - r. So the stored index of the source pixel is affine in r' and c'.
    const std::int64_t base = (H - 1 - m.r0) * W + m.c0;
    const std::int64_t perRow = -m.rr * W + m.cr;
    const std::int64_t perColumn = -m.rc * W + m.cc;
    // In tiles, so that a quarter turn reads each source row's cache lines while
    // they are still loaded.
    constexpr std::int64_t kTile = 64;
    for (std::int64_t ty = 0; ty < outH; ty += kTile) {
        for (std::int64_t tx = 0; tx < outW; tx += kTile) {
            const std::int64_t yEnd = std::min(ty + kTile, outH), xEnd = std::min(tx + kTile, outW);
            for (std::int64_t y = ty; y < yEnd; ++y) {
                const std::int64_t top = outH - 1 - y;  // r'
                std::uint8_t* dst = upright + (y * outW + tx) * 3;
                std::int64_t s = base + top * perRow + tx * perColumn;
                for (std::int64_t x = tx; x < xEnd; ++x, s += perColumn, dst += 3) std::memcpy(dst, stored + s * 3, 3);
            }
        }
    }
}

bool TurnUpright(RgbBuffer& pixels, std::uint32_t& width, std::uint32_t& height, int orientation) {
    if (!pixels || orientation < 2 || orientation > 8 || width == 0 || height == 0) return true;
    RgbBuffer out = AllocRgb(width, height);
    if (!out) return false;
    TurnInto(pixels.get(), width, height, orientation, out.get());
    pixels = std::move(out);
    if (orientation >= 5) std::swap(width, height);
    return true;
}

}  // namespace vantor
