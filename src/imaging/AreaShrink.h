// Shrinking a 24-bit picture by averaging, for each destination pixel, the block
// of source pixels it covers: as smooth as a big downscale needs to be, in one
// pass over the source. The canvas scales with it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/RgbBuffer.h"

namespace vantor {

// Destination rows [firstRow, endRow) of a width x height shrink of the sw x sh
// picture at bits (blue green red, rowBytes apart). Rows are counted in the
// order they are stored, the same in source and destination; rowOut(y) says
// where row y goes, as 0xffRRGGBB words. The rows of a block are first summed
// column by column (a loop the compiler vectorises), then each sum row is
// reduced across. Column sums are 32 bits while a block's rows cannot overflow
// them (16843009 rows of 255), else 64 bits; the sums across a block are always
// 64 bits. The destination is never larger than the source.
template <typename ColumnSum, typename RowOut>
void AreaShrinkRowsWith(const std::uint8_t* bits, std::size_t rowBytes, int sw, int sh, int width, int height,
                        int firstRow, int endRow, RowOut rowOut) {
    std::vector<int> xs(static_cast<std::size_t>(width) + 1);
    for (int x = 0; x <= width; ++x) xs[x] = static_cast<int>(static_cast<std::int64_t>(x) * sw / width);
    std::vector<ColumnSum> column;  // made for the first block of several rows
    for (int y = firstRow; y < endRow; ++y) {
        const int y0 = static_cast<int>(static_cast<std::int64_t>(y) * sh / height);
        const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<std::int64_t>(y + 1) * sh / height));
        std::uint32_t* dst = rowOut(y);
        // A block one row high is summed straight from the row (a picture far wider
        // than tall needs no column sums as wide as itself).
        const bool oneRow = y1 - y0 == 1;
        if (!oneRow) {
            column.assign(static_cast<std::size_t>(sw) * 3, ColumnSum{0});
            for (int r = y0; r < y1; ++r) {
                const std::uint8_t* row = bits + static_cast<std::size_t>(r) * rowBytes;
                ColumnSum* c = column.data();
                for (std::size_t i = 0, n = column.size(); i < n; ++i) c[i] += row[i];
            }
        }
        const std::uint8_t* single = oneRow ? bits + static_cast<std::size_t>(y0) * rowBytes : nullptr;
        for (int x = 0; x < width; ++x) {
            std::uint64_t b = 0, g = 0, red = 0;
            // A block is at least one pixel wide.
            const int x0 = xs[x], x1 = std::max(xs[x + 1], x0 + 1);
            for (int i = x0; i < x1; ++i) {
                const std::size_t at = static_cast<std::size_t>(i) * 3;
                if (oneRow) {
                    b += single[at], g += single[at + 1], red += single[at + 2];
                } else {
                    b += column[at], g += column[at + 1], red += column[at + 2];
                }
            }
            const std::uint64_t n = static_cast<std::uint64_t>(y1 - y0) * static_cast<std::uint64_t>(x1 - x0);
            dst[x] = 0xFF000000u | static_cast<std::uint32_t>((red + n / 2) / n) << 16 |
                     static_cast<std::uint32_t>((g + n / 2) / n) << 8 | static_cast<std::uint32_t>((b + n / 2) / n);
        }
    }
}

template <typename RowOut>
void AreaShrinkRows(const std::uint8_t* bits, std::size_t rowBytes, int sw, int sh, int width, int height, int firstRow,
                    int endRow, RowOut rowOut) {
    const std::int64_t blockRows = sh / height + 1;
    if (blockRows * 255 <= 0xFFFFFFFFLL) {
        AreaShrinkRowsWith<std::uint32_t>(bits, rowBytes, sw, sh, width, height, firstRow, endRow, rowOut);
    } else {
        AreaShrinkRowsWith<std::uint64_t>(bits, rowBytes, sw, sh, width, height, firstRow, endRow, rowOut);
    }
}

}  // namespace vantor
