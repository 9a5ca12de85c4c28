#include "imaging/RgbBuffer.h"

#include <malloc.h>

#include <cstring>
#include <new>
#include <utility>

#include "platform/Format.h"

namespace vantor {

void KeepPictureMemoryReturnable() {
    // Fixed thresholds switch the adjustment off: every block of 1 MB or more is
    // mapped on its own and unmapped when freed.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    mallopt(M_TRIM_THRESHOLD, 4 << 20);
}

std::string TooLargeReason(std::uint64_t width, std::uint64_t height) {
    return Format("too large: %llu x %llu pixels, more than %llu megapixels", static_cast<unsigned long long>(width),
                  static_cast<unsigned long long>(height),
                  static_cast<unsigned long long>(kMaxPicturePixels / 1'000'000));
}

std::unique_ptr<std::uint8_t[]> AllocBytes(std::uint64_t bytes) {
    if (bytes == 0 || bytes > SIZE_MAX) return nullptr;
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bytes)]);
}

RgbBuffer AllocRgb(std::uint64_t width, std::uint64_t height) {
    if (width == 0 || height == 0) return nullptr;
    if (width > kMaxPicturePixels || height > kMaxPicturePixels || width * height > kMaxPicturePixels) return nullptr;
    return AllocBytes(width * height * 3);
}

bool SwapRedBlue(std::uint8_t* buffer, unsigned width, unsigned height) {
    if (buffer == nullptr) return false;
    const std::size_t n = static_cast<std::size_t>(width) * height;
    std::uint8_t* p = buffer;
    for (std::size_t i = 0; i < n; ++i, p += 3) {
        const std::uint8_t t = p[0];
        p[0] = p[2];
        p[2] = t;
    }
    return true;
}

bool FlipRows(std::uint8_t* buffer, unsigned rowLength, unsigned height) {
    if (buffer == nullptr) return false;
    std::unique_ptr<std::uint8_t[]> tmp(new (std::nothrow) std::uint8_t[rowLength == 0 ? 1 : rowLength]);
    if (!tmp) return false;
    const std::size_t len = rowLength;
    for (std::size_t top = 0, bottom = height == 0 ? 0 : height - 1; top < bottom; ++top, --bottom) {
        std::uint8_t* a = buffer + top * len;
        std::uint8_t* b = buffer + bottom * len;
        std::memcpy(tmp.get(), a, len);
        std::memcpy(a, b, len);
        std::memcpy(b, tmp.get(), len);
    }
    return true;
}

bool ToggleOrder(std::uint8_t* buffer, unsigned width, unsigned height) {
    if (buffer == nullptr) return false;
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    auto swapRow = [width](std::uint8_t* p) {
        for (unsigned x = 0; x < width; ++x, p += 3) std::swap(p[0], p[2]);
    };
    std::size_t top = 0, bottom = height == 0 ? 0 : height - 1;
    for (; top < bottom; ++top, --bottom) {
        std::uint8_t* a = buffer + top * row;
        std::uint8_t* b = buffer + bottom * row;
        // Exchange the two rows pixel by pixel, swapping red and blue on the way.
        for (unsigned x = 0; x < width; ++x, a += 3, b += 3) {
            const std::uint8_t a0 = a[0], a1 = a[1], a2 = a[2];
            a[0] = b[2], a[1] = b[1], a[2] = b[0];
            b[0] = a2, b[1] = a1, b[2] = a0;
        }
    }
    if (top == bottom && height != 0) swapRow(buffer + top * row);
    return true;
}

std::unique_ptr<std::uint8_t[]> PadRowsToDword(const std::uint8_t* buffer, unsigned width, unsigned height,
                                               std::uint32_t& rowLength) {
    if (buffer == nullptr) return nullptr;
    const std::uint64_t padded = ((static_cast<std::uint64_t>(width) * 24 + 31) / 32) * 4;
    auto copy = AllocBytes(padded * height);
    if (!copy) return nullptr;
    const std::size_t src = static_cast<std::size_t>(width) * 3;
    for (std::size_t y = 0; y < height; ++y) {
        std::uint8_t* row = copy.get() + y * padded;
        std::memcpy(row, buffer + y * src, src);
        std::memset(row + src, 0, padded - src);
    }
    rowLength = static_cast<std::uint32_t>(padded);
    return copy;
}

std::unique_ptr<std::uint8_t[]> MakeGrayIndexImage(const std::uint8_t* source, unsigned width, unsigned height,
                                                   std::uint32_t sourceRowLength, unsigned levels, PixelOrder order,
                                                   PaletteEntry* palette) {
    auto out = AllocBytes(static_cast<std::uint64_t>(width) * height);
    if (!out || source == nullptr) return nullptr;
    for (unsigned i = 0; i < levels; ++i) {
        const auto level = static_cast<std::uint8_t>(i * 256 / levels);
        palette[i].c[0] = palette[i].c[1] = palette[i].c[2] = level;
    }
    const int ri = order == PixelOrder::File ? 0 : 2;
    const int bi = 2 - ri;
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* s = source + y * sourceRowLength;
        std::uint8_t* d = out.get() + y * width;
        for (std::size_t x = 0; x < width; ++x, s += 3) {
            const unsigned gray = GrayOf(s[ri], s[1], s[bi]);
            d[x] = static_cast<std::uint8_t>((gray * levels) >> 8);
        }
    }
    return out;
}

namespace {

std::uint32_t Read32(const PackedDib& dib, std::size_t at) {
    if (dib.bytes.size() < at + 4) return 0;
    const std::uint8_t* p = dib.bytes.data() + at;
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t Read16(const PackedDib& dib, std::size_t at) {
    if (dib.bytes.size() < at + 2) return 0;
    const std::uint8_t* p = dib.bytes.data() + at;
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint16_t BitCount(const PackedDib& dib) { return PackedDibIsCore(dib) ? Read16(dib, 10) : Read16(dib, 14); }

}  // namespace

bool PackedDibIsCore(const PackedDib& dib) { return Read32(dib, 0) != 40; }

std::int32_t PackedDibWidth(const PackedDib& dib) {
    return PackedDibIsCore(dib) ? Read16(dib, 4) : static_cast<std::int32_t>(Read32(dib, 4));
}

std::int32_t PackedDibHeight(const PackedDib& dib) {
    return PackedDibIsCore(dib) ? Read16(dib, 6) : static_cast<std::int32_t>(Read32(dib, 8));
}

std::uint32_t PackedDibColorCount(const PackedDib& dib) {
    if (!PackedDibIsCore(dib)) {
        const std::uint32_t used = Read32(dib, 32);
        if (used != 0) return used;
    }
    switch (BitCount(dib)) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;
    }
}

std::uint32_t PackedDibColorTableBytes(const PackedDib& dib) {
    const std::uint32_t count = PackedDibColorCount(dib) & 0xFFFF;
    return count * (PackedDibIsCore(dib) ? 3 : 4);
}

bool MakeDibPalette(const PackedDib* dib, DibPalette& palette) {
    if (dib == nullptr) return false;
    const std::uint32_t count = PackedDibColorCount(*dib) & 0xFFFF;
    if (count == 0) return false;
    const bool core = PackedDibIsCore(*dib);
    const std::size_t headerSize = core ? 12 : 40;
    const std::size_t entrySize = core ? 3 : 4;
    palette.version = 0x300;
    palette.entries.assign(count, DibPaletteEntry{});
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = headerSize + i * entrySize;
        // An entry beyond the block stays black rather than being read from outside it.
        if (at + 3 > dib->bytes.size()) break;
        const std::uint8_t* e = dib->bytes.data() + at;
        palette.entries[i] = DibPaletteEntry{e[2], e[1], e[0], 0};
    }
    return true;
}

std::optional<PackedDib> LoadPackedDib(std::FILE* file) {
    if (file == nullptr) return std::nullopt;
    if (std::fseek(file, 0, SEEK_END) != 0) return std::nullopt;
    const long total = std::ftell(file);
    if (total < 0 || std::fseek(file, 0, SEEK_SET) != 0) return std::nullopt;
    std::uint8_t header[14];
    if (std::fread(header, 1, 14, file) != 14) return std::nullopt;
    if ((header[0] | (header[1] << 8)) != 0x4D42) return std::nullopt;
    PackedDib dib;
    try {
        dib.bytes.assign(static_cast<std::size_t>(total), 0);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    const std::size_t want = static_cast<std::size_t>(total) - 14;
    if (std::fread(dib.bytes.data(), 1, want, file) != want) return std::nullopt;
    return dib;
}

}  // namespace vantor
