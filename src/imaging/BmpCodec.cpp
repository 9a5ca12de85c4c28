#include "imaging/BmpCodec.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>

#include "platform/FileSystem.h"

namespace vantor {

namespace bmprow {

void ReadColorTable(const std::uint8_t* entries, unsigned entryCount, unsigned entrySize, ColorTable& table) {
    for (unsigned i = 0; i < entryCount && i < 256; ++i, entries += entrySize) {
        table.rgb[i * 3 + 0] = entries[2];
        table.rgb[i * 3 + 1] = entries[1];
        table.rgb[i * 3 + 2] = entries[0];
    }
}

void ExpandIndexed(const std::uint8_t* src, std::uint32_t width, unsigned bits, const ColorTable& table,
                   std::uint8_t* dst) {
    if (bits == 8) {
        for (std::uint32_t x = 0; x < width; ++x, dst += 3) std::memcpy(dst, table.rgb + src[x] * 3, 3);
        return;
    }
    const unsigned mask = (1u << bits) - 1;
    int counter = 0;
    unsigned byte = 0;
    for (std::uint32_t x = 0; x < width; ++x, dst += 3) {
        if (counter <= 0) {
            byte = *src++;
            counter = 8;
        }
        counter -= static_cast<int>(bits);
        std::memcpy(dst, table.rgb + ((byte >> counter) & mask) * 3, 3);
    }
}

void ExpandBgr(const std::uint8_t* src, std::size_t pixels, std::uint8_t* dst) {
    for (std::size_t i = 0; i < pixels; ++i, src += 3, dst += 3) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
    }
}

}  // namespace bmprow

namespace {

void PutLE(std::uint8_t*& p, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) *p++ = static_cast<std::uint8_t>(value >> (8 * i));
}

// The 14-byte file header followed by the 40-byte information header.
void BuildHeaders(std::uint8_t* out, std::uint32_t fileSize, std::uint32_t pixelOffset, std::uint32_t width,
                  std::uint32_t height, unsigned bits, std::uint32_t imageSize, std::uint32_t colors) {
    std::uint8_t* p = out;
    *p++ = 'B';
    *p++ = 'M';
    PutLE(p, fileSize, 4);
    PutLE(p, 0, 4);  // two reserved fields
    PutLE(p, pixelOffset, 4);
    PutLE(p, 40, 4);
    PutLE(p, width, 4);
    PutLE(p, height, 4);
    PutLE(p, 1, 2);
    PutLE(p, bits, 2);
    PutLE(p, 0, 4);  // compression
    PutLE(p, imageSize, 4);
    PutLE(p, 0, 4);
    PutLE(p, 0, 4);
    PutLE(p, colors, 4);
    PutLE(p, colors, 4);
}

}  // namespace

bool BmpCodec::ReadCounted(std::FILE* file, void* data, std::size_t size) {
    if (std::fread(data, 1, size, file) != size) return false;
    m_bytesRead = static_cast<std::int32_t>(std::min<std::int64_t>(INT32_MAX, std::int64_t{m_bytesRead} + size));
    return true;
}

DecodeOutcome BmpCodec::ReadDimensions(const std::string& path, std::uint32_t& width, std::uint32_t& height) {
    const FilePtr file(OpenRegularFile(path));
    if (!file) return DecodeOutcome::Failed(DecodeStatus::CannotOpen, "Can't open file for reading :\n" + path);
    std::uint8_t header[26];
    const std::size_t got = std::fread(header, 1, sizeof header, file.get());
    if (got < 2 || header[0] != 'B' || header[1] != 'M')
        return DecodeOutcome::Failed(DecodeStatus::Corrupt, "Not a valid BMP File");
    if (got != sizeof header) return DecodeOutcome::Failed(DecodeStatus::Corrupt, "Read Error!");
    const auto field = [&header](int at, int bytes) {
        std::uint32_t v = 0;
        for (int i = bytes; i-- > 0;) v = v << 8 | header[at + i];
        return v;
    };
    const std::uint32_t headerSize = field(14, 4);
    if (headerSize == 12) {
        width = field(18, 2);
        height = field(20, 2);
        return {};
    }
    if (headerSize < 40) return DecodeOutcome::Failed(DecodeStatus::Unsupported, "Unsupported BMP header size");
    // A negative size (a top-down file, which the fallback reads) counts by its magnitude.
    const auto magnitude = [](std::uint32_t v) {
        const auto s = static_cast<std::int64_t>(static_cast<std::int32_t>(v));
        return static_cast<std::uint32_t>(s < 0 ? -s : s);
    };
    width = magnitude(field(18, 4));
    height = magnitude(field(22, 4));
    return {};
}

DecodeOutcome BmpCodec::Load(const std::string& path, RgbBuffer& pixels, std::uint32_t& width, std::uint32_t& height) {
    return Read(path, pixels, width, height, nullptr);
}

DecodeOutcome BmpCodec::ProbeLoad(const std::string& path, RgbBuffer& pixels, std::uint32_t& width,
                                  std::uint32_t& height, int& needsFallback) {
    return Read(path, pixels, width, height, &needsFallback);
}

DecodeOutcome BmpCodec::Read(const std::string& path, RgbBuffer& pixels, std::uint32_t& width, std::uint32_t& height,
                             int* needsFallback) {
    pixels.reset();
    width = 0;
    height = 0;
    m_bytesRead = 0;
    if (needsFallback != nullptr) *needsFallback = 0;
    auto fail = [](DecodeStatus status, std::string text) { return DecodeOutcome::Failed(status, std::move(text)); };
    // The kinds the fallback decoder reads.
    auto handOver = [&](DecodeStatus status, const char* text) {
        if (needsFallback != nullptr) *needsFallback = 1;
        return fail(status, text);
    };
    constexpr DecodeStatus kCorrupt = DecodeStatus::Corrupt, kUnsupported = DecodeStatus::Unsupported;

    FilePtr owner(OpenRegularFile(path));
    std::FILE* file = owner.get();
    if (file == nullptr) return fail(DecodeStatus::CannotOpen, "Can't open file for reading :\n" + path);
    std::fseek(file, 0, SEEK_END);
    const long fileSize = std::ftell(file);
    std::rewind(file);
    auto field = [&](auto& value) {
        std::uint8_t bytes[sizeof value];
        if (!ReadCounted(file, bytes, sizeof value)) return false;
        std::uint32_t v = 0;
        for (std::size_t i = sizeof value; i-- > 0;) v = (v << 8) | bytes[i];
        value = static_cast<std::remove_reference_t<decltype(value)>>(v);
        return true;
    };

    std::uint8_t type[2];
    if (!ReadCounted(file, &type[0], 1) || !ReadCounted(file, &type[1], 1) || type[0] != 'B' || type[1] != 'M')
        return fail(kCorrupt, "Not a valid BMP File");

    std::uint32_t declaredSize = 0, pixelOffset = 0, headerSize = 0;
    std::uint16_t reserved1 = 0, reserved2 = 0;
    if (!field(declaredSize) || !field(reserved1) || !field(reserved2) || !field(pixelOffset) || !field(headerSize))
        return fail(kCorrupt, "Read Error!");

    std::int32_t w = 0, h = 0;
    std::uint16_t planes = 0, bits = 0;
    std::uint32_t compression = 0, imageSize = 0, xRes = 0, yRes = 0, colorsUsed = 0, colorsImportant = 0;
    unsigned entrySize = 4;
    if (headerSize == 12) {
        // The old core header: 16-bit sizes and three-byte colour entries.
        std::uint16_t w16 = 0, h16 = 0;
        if (!field(w16) || !field(h16) || !field(planes) || !field(bits)) return fail(kCorrupt, "Read Error!");
        w = w16;
        h = h16;
        entrySize = 3;
    } else if (headerSize >= 40) {
        if (!field(w)) return fail(kCorrupt, "Read Error!");
        if (w < 0) return fail(kCorrupt, "DIB is too large \n Out of Memory! \n Width is minus.");
        if (!field(h)) return fail(kCorrupt, "Read Error!");
        // A top-down file: a kind this reader refuses, and the fallback is not asked.
        if (h < 0) return fail(kUnsupported, "DIB is too large \n Out of Memory! \n Height is minus.");
        if (!field(planes) || !field(bits) || !field(compression) || !field(imageSize) || !field(xRes) ||
            !field(yRes) || !field(colorsUsed) || !field(colorsImportant))
            return fail(kCorrupt, "Read Error!");
        // Later header versions add masks and colour-space data, which an
        // uncompressed file does not need; the colour table follows them.
        std::uint8_t skip[256];
        for (std::uint32_t left = headerSize - 40; left > 0;) {
            const std::uint32_t n = std::min<std::uint32_t>(left, sizeof skip);
            if (!ReadCounted(file, skip, n)) return fail(kCorrupt, "Read Error!");
            left -= n;
        }
    } else {
        return fail(kUnsupported, "Unsupported BMP header size");
    }
    // Refused before anything is sized from them: an empty picture, or one above the cap.
    if (w == 0 || h == 0) return fail(kCorrupt, "Memory alloc Failed");
    if (static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h) > kMaxPicturePixels)
        return fail(DecodeStatus::TooLarge,
                    "The picture is " + TooLargeReason(static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h)));
    if (compression != 0) return handOver(kUnsupported, "This is a compressed file.");

    bmprow::ColorTable table;
    switch (bits) {
        case 1:
        case 2:
        case 4:
        case 8: {
            // A colours-used field beyond what the depth can index is bounded by the
            // depth; entries past it are skipped along with the gap before the pixels.
            const unsigned limit = 1u << bits;
            const unsigned count = colorsUsed == 0 || colorsUsed > limit ? limit : colorsUsed;
            std::uint8_t raw[256 * 4];
            if (!ReadCounted(file, raw, std::size_t{count} * entrySize)) return fail(kCorrupt, "Read Error!");
            bmprow::ReadColorTable(raw, count, entrySize, table);
            break;
        }
        case 16: return handOver(kUnsupported, "16BIT はよめません");
        case 24: break;
        case 32: return handOver(kUnsupported, "32BIT はよめません");
        default: return fail(kUnsupported, "Unsupported bits per pixel");
    }

    if (m_bytesRead > static_cast<std::int64_t>(pixelOffset)) return handOver(kCorrupt, "Corrupt palette");
    // Rows the file does not hold whole are missing pixels, never black ones: a
    // file shorter than its header says is refused before the picture is sized.
    const std::uint64_t stride = bmprow::StrideOf(static_cast<std::uint32_t>(w), bits);
    if (fileSize < 0 ||
        std::uint64_t{pixelOffset} + stride * static_cast<std::uint32_t>(h) > static_cast<std::uint64_t>(fileSize))
        return fail(kCorrupt, "Read Error");
    std::fseek(file, static_cast<long>(pixelOffset), SEEK_SET);
    m_bytesRead = static_cast<std::int32_t>(pixelOffset);

    width = static_cast<std::uint32_t>(w);
    height = static_cast<std::uint32_t>(h);
    RgbBuffer image = AllocRgb(width, height);
    auto row = AllocBytes(stride);
    if (!image || !row) return fail(DecodeStatus::OutOfMemory, "Memory alloc Failed");

    const std::size_t outRow = std::size_t{width} * 3;
    for (std::uint32_t k = 0; k < height; ++k) {
        std::uint8_t* dst = image.get() + (height - 1 - k) * outRow;
        if (std::fread(row.get(), 1, stride, file) != stride) return fail(kCorrupt, "Read Error");  // cut meanwhile
        if (bits == 24)
            bmprow::ExpandBgr(row.get(), width, dst);
        else
            bmprow::ExpandIndexed(row.get(), width, bits, table, dst);
        m_bytesRead = static_cast<std::int32_t>(std::min<std::uint64_t>(INT32_MAX, m_bytesRead + stride));
    }
    pixels = std::move(image);
    return {};
}

std::string BmpCodec::SaveRgb(const std::string& path, const std::uint8_t* buffer, std::uint32_t width,
                              std::uint32_t height) {
    SafeWrite out;
    return SaveRgb(out, path, buffer, width, height);
}

std::string BmpCodec::SaveRgb(SafeWrite& out, const std::string& path, const std::uint8_t* buffer, std::uint32_t width,
                              std::uint32_t height) {
    const std::uint64_t rowLength = bmprow::StrideOf(width, 24);
    if (!out.Open(path)) return "Can't open file for writing";
    const auto imageSize = static_cast<std::uint32_t>(rowLength * height);
    std::uint8_t headers[54];
    BuildHeaders(headers, imageSize + 54, 54, width, height, 24, imageSize, 0);
    const std::size_t rowBytes = std::size_t{width} * 3;
    const std::size_t padding = rowLength - rowBytes;
    const std::uint8_t zeros[3] = {0, 0, 0};
    bool written = out.Write(headers, sizeof headers);
    for (std::uint32_t r = 0; r < height && written; ++r) {
        written = buffer != nullptr && rowBytes > 0 && out.Write(buffer + r * rowBytes, rowBytes) &&
                  out.Write(zeros, padding);
    }
    // Until the close succeeded the old file stays; a failed write leaves nothing new.
    if (!written || !out.Commit()) return "fwrite error\nGiving up";
    return {};
}

std::string BmpCodec::SaveIndexed(const std::string& path, const std::uint8_t* indices, std::uint32_t width,
                                  std::uint32_t height, int bits, int colorCount, const std::uint8_t* palette) {
    if (bits == 24) return "We don't do 24-bit files in here, sorry";
    if (bits <= 0) return "Error : nBits > 8????";
    const std::uint64_t rowLength = bmprow::StrideOf(width, static_cast<unsigned>(bits));
    const std::uint64_t imageSize = rowLength * height;
    const std::int64_t pixelOffset = 54 + 4 * std::int64_t{colorCount};
    const std::int64_t fileSize = static_cast<std::int64_t>(imageSize) + pixelOffset;
    SafeWrite out;
    if (!out.Open(path)) return "Can't Open";
    std::FILE* file = out.File();
    std::uint8_t headers[54];
    BuildHeaders(headers, static_cast<std::uint32_t>(fileSize), static_cast<std::uint32_t>(pixelOffset), width, height,
                 static_cast<unsigned>(bits), static_cast<std::uint32_t>(imageSize),
                 static_cast<std::uint32_t>(colorCount));
    // Only bytes that really went out are counted; the first that did not ends the write.
    std::int64_t written = 0;
    bool lost = false;
    auto put = [&](const std::uint8_t* bytes, std::size_t n) {
        lost = lost || std::fwrite(bytes, 1, n, file) != n;
        if (!lost) written += static_cast<std::int64_t>(n);
    };
    auto putByte = [&](unsigned byte) {
        lost = lost || std::putc(static_cast<int>(byte & 0xFF), file) == EOF;
        if (!lost) ++written;
    };
    put(headers, 14);
    put(headers + 14, 40);
    for (int i = 0; i < colorCount && !lost; ++i) {
        const std::uint8_t* e = palette + 4 * i;
        const std::uint8_t entry[4] = {e[2], e[1], e[0], 0};
        put(entry, 4);
    }

    for (std::uint32_t r = 0; r < height && !lost; ++r) {
        const std::uint8_t* row = indices + std::size_t{r} * width;
        std::int64_t rowWritten = 0;
        unsigned accumulator = 0;
        int pending = 0;
        for (std::uint32_t x = 0; x < width; ++x) {
            pending += bits;
            if (pending > 8) return "Error : nBits > 8????";
            accumulator = (accumulator << bits) + row[x];
            if (pending == 8) {
                putByte(accumulator);
                ++rowWritten;
                accumulator = 0;
                pending = 0;
            }
        }
        if (pending > 0) {
            putByte(accumulator << (8 - pending));
            ++rowWritten;
        }
        for (; rowWritten % 4 != 0; ++rowWritten) putByte(0);
    }
    if (lost || written != fileSize || !out.Commit()) return "byteswritten != filesize";
    return {};
}

}  // namespace vantor
