#include "batch/Compose.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/TwoBands.h"
#include "viewer/OutputSettings.h"

namespace vantor {

namespace {

constexpr int kWeightBits = 14;
constexpr int kOne = 1 << kWeightBits;
// A stretch whose work (source height times output width, plus the output's
// pixels) reaches this runs in two bands on two threads.
constexpr std::uint64_t kTwoBandWork = 200000;

// For each output position, the first source index and its weights (summing to
// kOne). Source indices past the edges are folded onto the edge pixel.
struct Taps {
    std::vector<std::uint32_t> first;
    std::vector<std::uint32_t> count;
    std::vector<std::int32_t> weights;  // maxTaps per position
    std::uint32_t maxTaps = 0;
};

Taps MakeTaps(std::uint32_t srcSize, std::uint32_t dstSize) {
    Taps t;
    const double scale = static_cast<double>(srcSize) / dstSize;
    const double support = std::max(1.0, scale);
    t.maxTaps = static_cast<std::uint32_t>(std::ceil(support) * 2 + 1);
    t.first.resize(dstSize);
    t.count.resize(dstSize);
    t.weights.assign(static_cast<std::size_t>(dstSize) * t.maxTaps, 0);
    std::vector<double> w(t.maxTaps);
    for (std::uint32_t i = 0; i < dstSize; ++i) {
        const double center = (i + 0.5) * scale - 0.5;
        const auto lo = static_cast<std::int64_t>(std::floor(center - support)) + 1;
        const auto hi = static_cast<std::int64_t>(std::ceil(center + support)) - 1;
        const std::int64_t first = std::clamp<std::int64_t>(lo, 0, srcSize - 1);
        const std::int64_t last = std::clamp<std::int64_t>(hi, 0, srcSize - 1);
        std::fill(w.begin(), w.end(), 0.0);
        double sum = 0;
        for (std::int64_t j = lo; j <= hi; ++j) {
            const double weight = 1.0 - std::abs(j - center) / support;
            if (weight <= 0) continue;
            const std::int64_t k = std::clamp<std::int64_t>(j, first, last) - first;
            w[static_cast<std::size_t>(k)] += weight;
            sum += weight;
        }
        const auto n = static_cast<std::uint32_t>(last - first + 1);
        t.first[i] = static_cast<std::uint32_t>(first);
        t.count[i] = n;
        std::int32_t* out = &t.weights[static_cast<std::size_t>(i) * t.maxTaps];
        if (sum <= 0) {  // cannot happen with a tent at least one pixel wide; stay safe
            out[0] = kOne;
            continue;
        }
        // Rounded weights; the rounding rest goes to the largest, so flat areas stay exact.
        std::int32_t total = 0;
        std::uint32_t largest = 0;
        for (std::uint32_t k = 0; k < n; ++k) {
            out[k] = static_cast<std::int32_t>(std::lround(w[k] / sum * kOne));
            total += out[k];
            if (out[k] > out[largest]) largest = k;
        }
        out[largest] += kOne - total;
    }
    return t;
}

inline std::uint8_t Clamp8(std::int32_t v) {
    v = (v + (kOne >> 1)) >> kWeightBits;
    return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

}  // namespace

namespace {

// Output rows [y0, y1): the source rows they need stretched across, then down.
void StretchBand(const std::uint8_t* src, std::uint32_t sw, const Taps& tx, const Taps& ty, std::uint8_t* dst,
                 std::size_t dstStride, std::uint32_t dw, std::uint32_t y0, std::uint32_t y1) {
    const std::size_t srcRow = static_cast<std::size_t>(sw) * 3;
    const std::size_t dstRow = static_cast<std::size_t>(dw) * 3;
    const std::uint32_t r0 = ty.first[y0];
    const std::uint32_t r1 = ty.first[y1 - 1] + ty.count[y1 - 1];
    std::vector<std::uint8_t> across(static_cast<std::size_t>(r1 - r0) * dstRow);
    const bool sameWidth = sw == dw;
    for (std::uint32_t y = r0; y < r1; ++y) {
        const std::uint8_t* s = src + y * srcRow;
        std::uint8_t* d = across.data() + (y - r0) * dstRow;
        if (sameWidth) {
            std::memcpy(d, s, dstRow);
            continue;
        }
        for (std::uint32_t x = 0; x < dw; ++x) {
            const std::uint8_t* p = s + static_cast<std::size_t>(tx.first[x]) * 3;
            const std::int32_t* w = &tx.weights[static_cast<std::size_t>(x) * tx.maxTaps];
            std::int32_t a = 0, b = 0, c = 0;
            for (std::uint32_t k = 0; k < tx.count[x]; ++k, p += 3) {
                a += w[k] * p[0];
                b += w[k] * p[1];
                c += w[k] * p[2];
            }
            d[3 * x] = Clamp8(a);
            d[3 * x + 1] = Clamp8(b);
            d[3 * x + 2] = Clamp8(c);
        }
    }
    std::vector<std::int32_t> sum(dstRow);
    for (std::uint32_t y = y0; y < y1; ++y) {
        std::fill(sum.begin(), sum.end(), 0);
        const std::int32_t* w = &ty.weights[static_cast<std::size_t>(y) * ty.maxTaps];
        for (std::uint32_t k = 0; k < ty.count[y]; ++k) {
            const std::int32_t wk = w[k];
            if (wk == 0) continue;
            const std::uint8_t* row = across.data() + static_cast<std::size_t>(ty.first[y] + k - r0) * dstRow;
            for (std::size_t i = 0; i < dstRow; ++i) sum[i] += wk * row[i];
        }
        std::uint8_t* d = dst + y * dstStride;
        for (std::size_t i = 0; i < dstRow; ++i) d[i] = Clamp8(sum[i]);
    }
}

}  // namespace

void StretchSmooth(const std::uint8_t* src, std::uint32_t sw, std::uint32_t sh, std::uint8_t* dst,
                   std::size_t dstStride, std::uint32_t dw, std::uint32_t dh) {
    if (src == nullptr || dst == nullptr || sw == 0 || sh == 0 || dw == 0 || dh == 0) return;
    const std::size_t srcRow = static_cast<std::size_t>(sw) * 3;
    const std::size_t dstRow = static_cast<std::size_t>(dw) * 3;
    if (sw == dw && sh == dh) {
        for (std::uint32_t y = 0; y < dh; ++y) std::memcpy(dst + y * dstStride, src + y * srcRow, dstRow);
        return;
    }
    const Taps tx = MakeTaps(sw, dw);
    const Taps ty = MakeTaps(sh, dh);
    // A large picture is done in two bands of output rows on two threads; each
    // band writes only its own rows, so the result does not depend on the split.
    const std::uint64_t work = static_cast<std::uint64_t>(sh) * dw + static_cast<std::uint64_t>(dh) * dw;
    RunInTwoBands(dh, work >= kTwoBandWork, [&](std::uint32_t firstRow, std::uint32_t endRow) {
        StretchBand(src, sw, tx, ty, dst, dstStride, dw, firstRow, endRow);
    });
}

FrameColor OutputBackground(std::int32_t outBackColor) {
    const Rgb color = OutputSettings::BackColorOf(outBackColor);
    return {color.r, color.g, color.b};
}

void ComposeFrame(const std::uint8_t* src, std::uint32_t sw, std::uint32_t sh, std::uint8_t* frame, std::uint32_t fw,
                  std::uint32_t fh, std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h,
                  FrameColor background) {
    const std::size_t row = static_cast<std::size_t>(fw) * 3;
    // Display order: blue, green, red, bottom row first.
    for (std::size_t i = 0; i < row; i += 3) {
        frame[i] = background.b;
        frame[i + 1] = background.g;
        frame[i + 2] = background.r;
    }
    for (std::uint32_t r = 1; r < fh; ++r) std::memcpy(frame + r * row, frame, row);
    // The rectangle, kept inside the frame.
    if (x >= fw || y >= fh) return;
    w = std::min(w, fw - x);
    h = std::min(h, fh - y);
    if (w == 0 || h == 0) return;
    // Its top row from the top is y, so its bottom row from the bottom is fh - y - h.
    std::uint8_t* origin = frame + static_cast<std::size_t>(fh - y - h) * row + static_cast<std::size_t>(x) * 3;
    StretchSmooth(src, sw, sh, origin, row, w, h);
}

}  // namespace vantor
