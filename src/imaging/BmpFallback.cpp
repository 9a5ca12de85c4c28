// The decoder for the bitmap kinds the codec leaves aside. It works on the whole
// file in memory and never reads outside it. Pixels that run-length escapes skip
// take the first colour-table entry, as other viewers show them, or black without
// a table; colour entries the table does not hold are black. A file shorter than
// its header says gives nothing.
#include <algorithm>
#include <bit>
#include <cstring>

#include "imaging/BmpCodec.h"

namespace vantor {
namespace {

std::uint32_t Le16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t Le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

// One colour channel of a 16- or 32-bit pixel, widened to eight bits by
// repeating its bits (so 5-bit 31 gives 255 and 0 stays 0).
class Channel {
public:
    explicit Channel(std::uint32_t mask) : m_mask(mask) {
        if (mask == 0) return;
        m_shift = static_cast<unsigned>(std::countr_zero(mask));
        m_bits = static_cast<unsigned>(std::bit_width(mask >> m_shift));
        if (m_bits >= 8) return;
        for (std::uint32_t v = 0; v < (1u << m_bits); ++v) {
            std::uint32_t wide = 0;
            unsigned filled = 0;
            for (; filled < 8; filled += m_bits) wide = (wide << m_bits) | v;
            m_widen[v] = static_cast<std::uint8_t>(wide >> (filled - 8));
        }
    }
    std::uint8_t operator()(std::uint32_t pixel) const {
        if (m_bits == 0) return 0;
        const std::uint32_t v = (pixel & m_mask) >> m_shift;
        return m_bits >= 8 ? static_cast<std::uint8_t>(v >> (m_bits - 8)) : m_widen[v];
    }

private:
    std::uint32_t m_mask;
    unsigned m_shift = 0;
    unsigned m_bits = 0;
    std::uint8_t m_widen[256] = {};
};

struct Layout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool topDown = false;
    std::uint8_t* pixels = nullptr;
    // Output row of the k-th row stored in the file.
    std::uint8_t* Row(std::uint64_t k) const {
        const std::uint64_t y = topDown ? k : height - 1 - k;
        return pixels + y * width * 3;
    }
};

void DecodeRle(const std::uint8_t* p, const std::uint8_t* end, bool four, const bmprow::ColorTable& table,
               const Layout& out) {
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    auto plot = [&](unsigned index) {
        if (x < out.width) std::memcpy(out.Row(y) + x * 3, table.rgb + index * 3, 3);
        ++x;
    };
    while (y < out.height && end - p >= 2) {
        const unsigned count = p[0];
        const unsigned value = p[1];
        p += 2;
        if (count > 0) {  // a run of one index, or of two alternating 4-bit ones
            for (unsigned i = 0; i < count && x < out.width; ++i)
                plot(four ? (i % 2 == 0 ? value >> 4 : value & 15) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            return;
        } else if (value == 2) {  // move right and up
            if (end - p < 2) return;
            x += p[0];
            y += p[1];
            p += 2;
        } else {  // literal indices, padded to an even number of bytes
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            const auto available = static_cast<std::size_t>(end - p);
            for (unsigned i = 0; i < value && x < out.width; ++i) {
                const std::size_t at = four ? i / 2 : i;
                if (at >= available) break;
                plot(four ? (i % 2 == 0 ? p[at] >> 4 : p[at] & 15) : p[at]);
            }
            p += std::min(available, bytes + (bytes & 1));
        }
    }
}

void DecodeRows(const std::uint8_t* data, std::size_t size, std::uint64_t offset, unsigned bits,
                const bmprow::ColorTable& table, const Channel* rgb, const Layout& out) {
    const std::uint64_t stride = bmprow::StrideOf(out.width, bits);
    for (std::uint64_t k = 0; k < out.height; ++k) {
        const std::uint64_t start = offset + k * stride;
        if (start >= size) break;
        const std::uint8_t* src = data + start;
        const std::uint64_t available = std::min<std::uint64_t>(stride, size - start);
        // Only whole pixels the file still holds are decoded.
        const auto pixels = static_cast<std::uint32_t>(std::min<std::uint64_t>(out.width, available * 8 / bits));
        std::uint8_t* dst = out.Row(k);
        if (bits <= 8) {
            bmprow::ExpandIndexed(src, pixels, bits, table, dst);
        } else if (bits == 24) {
            bmprow::ExpandBgr(src, pixels, dst);
        } else {
            const unsigned step = bits / 8;
            for (std::uint32_t i = 0; i < pixels; ++i, src += step, dst += 3) {
                const std::uint32_t v = step == 2 ? Le16(src) : Le32(src);
                dst[0] = rgb[0](v);
                dst[1] = rgb[1](v);
                dst[2] = rgb[2](v);
            }
        }
    }
}

bool Supported(std::uint32_t compression, unsigned bits) {
    switch (compression) {
        case kRgb: return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
        case kRle8: return bits == 8;
        case kRle4: return bits == 4;
        case kBitFields:
        case kAlphaBitFields: return bits == 16 || bits == 32;
        default: return false;
    }
}

}  // namespace

DecodeOutcome DecodeBmpFallback(const std::uint8_t* data, std::size_t size, const std::string& path, DecodedBmp& out) {
    out = DecodedBmp{};
    // Nothing trustworthy to show, and nothing to say.
    const auto notABitmap = [] { return DecodeOutcome::Failed(DecodeStatus::Corrupt, {}); };
    const auto unsupported = [&path] {
        return DecodeOutcome::Failed(DecodeStatus::Unsupported, "File/DIB CANNOT LOAD for reading5 :\n" + path);
    };
    if (data == nullptr || size < 18 || data[0] != 'B' || data[1] != 'M') return notABitmap();
    const std::uint32_t declaredSize = Le32(data + 2);
    const std::uint32_t offset = Le32(data + 10);
    const std::uint32_t headerSize = Le32(data + 14);

    std::int64_t width = 0;
    std::int64_t height = 0;
    unsigned bits = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t imageSize = 0;
    std::uint32_t colorsUsed = 0;
    unsigned entrySize = 4;
    if (headerSize == 12) {
        if (size < 26) return notABitmap();
        width = Le16(data + 18);
        height = Le16(data + 20);
        bits = Le16(data + 24);
        entrySize = 3;
    } else if (headerSize >= 40) {
        if (size - 14 < headerSize) return notABitmap();
        width = static_cast<std::int32_t>(Le32(data + 18));
        height = static_cast<std::int32_t>(Le32(data + 22));
        bits = Le16(data + 28);
        compression = Le32(data + 30);
        imageSize = Le32(data + 34);
        colorsUsed = Le32(data + 46);
    } else {
        return unsupported();
    }
    if (width < 0) return DecodeOutcome::Failed(DecodeStatus::Corrupt, "File DIB Too Big for reading3 :\n" + path);
    const bool topDown = height < 0;
    height = topDown ? -height : height;
    if (!Supported(compression, bits)) return unsupported();

    std::uint64_t tableStart = 14 + std::uint64_t{headerSize};
    std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (bits == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0xFF00;
        masks[2] = 0xFF;
    }
    if (compression == kBitFields || compression == kAlphaBitFields) {
        // Masks sit right after the 40-byte header, inside the longer ones.
        const std::uint64_t masksEnd = 54 + (compression == kAlphaBitFields ? 16 : 12);
        if (size < masksEnd) return notABitmap();
        for (int i = 0; i < 3; ++i) masks[i] = Le32(data + 54 + 4 * i);
        tableStart = std::max(tableStart, masksEnd);
    }
    if (offset < 14 + std::uint64_t{headerSize}) return unsupported();
    // No pixel data at all, or run-length data cut shorter than the header says:
    // nothing trustworthy to show.
    if (offset >= size) return notABitmap();
    const bool rle = compression == kRle8 || compression == kRle4;
    if (rle && (size < declaredSize || size - offset < imageSize)) return notABitmap();

    constexpr const char* kNoPicture = "m_buf nothing Write Error ni naruyo!!!";
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxPicturePixels)
        return DecodeOutcome::Failed(DecodeStatus::TooLarge, kNoPicture);
    // Rows cut short are as untrustworthy as cut run-length data, and are refused
    // before the picture is allocated.
    if (!rle &&
        offset + bmprow::StrideOf(static_cast<std::uint64_t>(width), bits) * static_cast<std::uint64_t>(height) > size)
        return notABitmap();
    RgbBuffer pixels = AllocRgb(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height));
    if (!pixels) return DecodeOutcome::Failed(DecodeStatus::OutOfMemory, kNoPicture);

    // The table may run into the pixel data; it is read as far as the file goes.
    bmprow::ColorTable table;
    if (bits <= 8 && tableStart < size) {
        const unsigned limit = 1u << bits;
        const unsigned wanted = colorsUsed == 0 || colorsUsed > limit ? limit : colorsUsed;
        const auto present = static_cast<unsigned>(std::min<std::uint64_t>(wanted, (size - tableStart) / entrySize));
        bmprow::ReadColorTable(data + tableStart, present, entrySize, table);
    }

    Layout layout;
    layout.width = static_cast<std::uint32_t>(width);
    layout.height = static_cast<std::uint32_t>(height);
    layout.topDown = topDown;
    layout.pixels = pixels.get();
    const std::size_t total = std::size_t{layout.width} * layout.height * 3;
    const std::uint8_t* background = table.rgb;
    if (background[0] == 0 && background[1] == 0 && background[2] == 0) {
        std::memset(layout.pixels, 0, total);
    } else {
        for (std::size_t i = 0; i < total; i += 3) std::memcpy(layout.pixels + i, background, 3);
    }
    if (rle) {
        DecodeRle(data + offset, data + size, compression == kRle4, table, layout);
    } else {
        const Channel rgb[3] = {Channel(masks[0]), Channel(masks[1]), Channel(masks[2])};
        DecodeRows(data, size, offset, bits, table, rgb, layout);
    }
    out.pixels = std::move(pixels);
    out.width = layout.width;
    out.height = layout.height;
    return {};
}

}  // namespace vantor
