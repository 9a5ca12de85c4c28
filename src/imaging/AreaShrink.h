// Shrinking a 24-bit picture by averaging, for each destination pixel, the area
// of source pixels it covers: as smooth as a big downscale needs to be, in one
// pass over the source. The canvas scales with it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/RgbBuffer.h"

namespace vantor {

// How the destination pixels of one side take the source pixels: along a side
// that shrinks to half or less, each takes the whole source pixels its span
// starts in (weight 1 each); along one that shrinks less, a span covers parts of
// two or three source pixels, each weighed by the part covered (in 256ths).
struct AreaTaps {
    std::vector<int> first, count;       // per destination index
    std::vector<std::uint32_t> weights;  // kMaxFractionTaps per index; empty when every weight is 1
    std::vector<std::uint32_t> total;    // the sum of an index's weights
    static constexpr int kMaxFractionTaps = 3;

    // source >= dest > 0.
    AreaTaps(int source, int dest) : first(dest), count(dest), total(dest) {
        if (source >= 2 * dest) {
            for (int x = 0; x < dest; ++x) {
                const int x0 = static_cast<int>(static_cast<std::int64_t>(x) * source / dest);
                const int x1 = std::max(x0 + 1, static_cast<int>(static_cast<std::int64_t>(x + 1) * source / dest));
                first[x] = x0;
                count[x] = x1 - x0;
                total[x] = static_cast<std::uint32_t>(x1 - x0);
            }
            return;
        }
        weights.assign(static_cast<std::size_t>(dest) * kMaxFractionTaps, 0);
        for (int x = 0; x < dest; ++x) {
            // The span [x, x + 1) of the destination is [x s / d, (x + 1) s / d) of the
            // source; in units of 1/d, [x s, (x + 1) s), and source pixel i is [i d, (i + 1) d).
            const std::int64_t a = std::int64_t{x} * source, b = a + source;
            const auto i0 = static_cast<int>(a / dest), i1 = static_cast<int>((b - 1) / dest);
            first[x] = i0;
            count[x] = i1 - i0 + 1;
            std::uint32_t sum = 0;
            for (int i = i0; i <= i1; ++i) {
                const std::int64_t covered =
                    std::min(b, std::int64_t{i + 1} * dest) - std::max(a, std::int64_t{i} * dest);
                const auto w = static_cast<std::uint32_t>((covered * 256 + dest / 2) / dest);
                weights[static_cast<std::size_t>(x) * kMaxFractionTaps + (i - i0)] = w;
                sum += w;
            }
            total[x] = std::max<std::uint32_t>(sum, 1);
        }
    }
    std::uint32_t Weight(int x, int k) const {
        return weights.empty() ? 1 : weights[static_cast<std::size_t>(x) * kMaxFractionTaps + k];
    }
};

// Destination rows [firstRow, endRow) of a width x height shrink of the sw x sh
// picture at bits (blue green red, rowBytes apart). Rows are counted in the
// order they are stored, the same in source and destination; rowOut(y) says
// where row y goes, as 0xffRRGGBB words. The rows a destination row covers are
// first summed column by column, weighed (a loop the compiler vectorises), then
// each sum row is reduced across. Column sums (ColumnSum) and the sums across
// with their rounding division (Sum) are 32 bits wherever they cannot overflow,
// as they cannot for any shrink to a screen: a division of 32 bits is the
// cheaper one, and this loop divides three times a pixel.
template <typename ColumnSum, typename Sum, typename RowOut>
void AreaShrinkRowsWith(const std::uint8_t* bits, std::size_t rowBytes, int sw, int width, const AreaTaps& across,
                        const AreaTaps& down, int firstRow, int endRow, RowOut rowOut) {
    std::vector<ColumnSum> column;  // made for the first row that covers several
    for (int y = firstRow; y < endRow; ++y) {
        const int y0 = down.first[y], rows = down.count[y];
        std::uint32_t* dst = rowOut(y);
        // A destination row within one source row is summed straight from it (a
        // picture far wider than tall needs no column sums as wide as itself).
        const bool oneRow = rows == 1;
        if (!oneRow) {
            column.assign(static_cast<std::size_t>(sw) * 3, ColumnSum{0});
            for (int r = 0; r < rows; ++r) {
                const std::uint8_t* row = bits + static_cast<std::size_t>(y0 + r) * rowBytes;
                const auto w = static_cast<ColumnSum>(down.Weight(y, r));
                ColumnSum* c = column.data();
                for (std::size_t i = 0, n = column.size(); i < n; ++i) c[i] += w * row[i];
            }
        }
        const std::uint8_t* single = oneRow ? bits + static_cast<std::size_t>(y0) * rowBytes : nullptr;
        const Sum rowTotal = oneRow ? 1 : down.total[y];
        for (int x = 0; x < width; ++x) {
            Sum b = 0, g = 0, red = 0;
            const int x0 = across.first[x];
            for (int k = 0; k < across.count[x]; ++k) {
                const std::size_t at = static_cast<std::size_t>(x0 + k) * 3;
                const Sum w = across.Weight(x, k);
                if (oneRow) {
                    b += w * single[at], g += w * single[at + 1], red += w * single[at + 2];
                } else {
                    b += w * column[at], g += w * column[at + 1], red += w * column[at + 2];
                }
            }
            const Sum n = rowTotal * across.total[x];
            dst[x] = 0xFF000000u | static_cast<std::uint32_t>((red + n / 2) / n) << 16 |
                     static_cast<std::uint32_t>((g + n / 2) / n) << 8 | static_cast<std::uint32_t>((b + n / 2) / n);
        }
    }
}

// Both sides shrink or keep their size: width <= sw, height <= sh.
template <typename RowOut>
void AreaShrinkRows(const std::uint8_t* bits, std::size_t rowBytes, int sw, int width, const AreaTaps& across,
                    const AreaTaps& down, int firstRow, int endRow, RowOut rowOut) {
    // The heaviest column sum: the most rows one destination row takes, at their
    // weight; the heaviest pixel sum is that times the most one pixel takes across,
    // and its rounding adds half of it once more.
    std::uint64_t heaviest = 0, widest = 0;
    for (int y = firstRow; y < endRow; ++y) {
        std::uint64_t sum = 0;
        for (int r = 0; r < down.count[y]; ++r) sum += down.Weight(y, r);
        heaviest = std::max({heaviest, sum, std::uint64_t{down.total[y]}});
    }
    for (int x = 0; x < width; ++x) widest = std::max<std::uint64_t>(widest, across.total[x]);
    constexpr std::uint64_t k32 = 0xFFFFFFFF;
    const bool narrowColumns = heaviest * 255 <= k32;
    // heaviest * widest cannot overflow: each is at most a side of the picture.
    const bool narrowPixels = narrowColumns && heaviest * widest * 256 <= k32;
    if (narrowPixels) {
        AreaShrinkRowsWith<std::uint32_t, std::uint32_t>(bits, rowBytes, sw, width, across, down, firstRow, endRow,
                                                         rowOut);
    } else if (narrowColumns) {
        AreaShrinkRowsWith<std::uint32_t, std::uint64_t>(bits, rowBytes, sw, width, across, down, firstRow, endRow,
                                                         rowOut);
    } else {
        AreaShrinkRowsWith<std::uint64_t, std::uint64_t>(bits, rowBytes, sw, width, across, down, firstRow, endRow,
                                                         rowOut);
    }
}

// A picture already shrunk for the screen, as the canvas's halftone stretch
// would shrink it: width x height words 0xffRRGGBB, top row first.
struct ShrunkPicture {
    std::unique_ptr<std::uint32_t[]> pixels;
    std::uint32_t width = 0, height = 0;
    explicit operator bool() const { return static_cast<bool>(pixels); }
};

// The sw x sh picture at bits (display order: bottom row first, blue green red,
// rowBytes apart) shrunk to width x height; nothing when a side would grow or
// the memory is not there.
ShrunkPicture ShrinkPicture(const std::uint8_t* bits, std::size_t rowBytes, std::uint32_t sw, std::uint32_t sh,
                            std::uint32_t width, std::uint32_t height);

}  // namespace vantor
