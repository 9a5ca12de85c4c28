#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "imaging/AreaShrink.h"

namespace vantor {
namespace {

// The shrink as its definition reads, every sum in 64 bits: what the narrower
// arithmetic must give exactly.
std::vector<std::uint32_t> Reference(const std::vector<std::uint8_t>& bits, int sw, int width, const AreaTaps& across,
                                     const AreaTaps& down, int height) {
    std::vector<std::uint32_t> out(static_cast<std::size_t>(width) * height);
    const auto rowBytes = static_cast<std::size_t>(sw) * 3;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint64_t sum[3] = {0, 0, 0};
            for (int r = 0; r < down.count[y]; ++r) {
                for (int k = 0; k < across.count[x]; ++k) {
                    const std::uint64_t w =
                        std::uint64_t{down.count[y] == 1 ? 1 : down.Weight(y, r)} * across.Weight(x, k);
                    const std::uint8_t* p = &bits[static_cast<std::size_t>(down.first[y] + r) * rowBytes +
                                                  static_cast<std::size_t>(across.first[x] + k) * 3];
                    for (int c = 0; c < 3; ++c) sum[c] += w * p[c];
                }
            }
            const std::uint64_t n = std::uint64_t{down.count[y] == 1 ? 1 : down.total[y]} * across.total[x];
            std::uint32_t pixel = 0xFF000000u;
            for (int c = 0; c < 3; ++c) pixel |= static_cast<std::uint32_t>((sum[c] + n / 2) / n) << (8 * c);
            out[static_cast<std::size_t>(y) * width + x] = pixel;
        }
    }
    return out;
}

// Whole-pixel spans (a half or less) and fractional ones (less than a half), in
// either side, and a shrink so deep that its sums need 64 bits.
TEST(AreaShrink, EveryPathGivesTheExactAverage) {
    struct Case {
        int sw, sh, width, height;
    };
    const Case cases[] = {
        {64, 48, 64, 48},     {97, 61, 40, 23}, {97, 61, 70, 50}, {1280, 720, 37, 19},
        {300, 200, 299, 101}, {5, 4097, 2, 1},  {7, 3, 7, 1},     {4200, 4200, 1, 1},
    };
    std::mt19937 random(7);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sw << "x" << c.sh << " -> " << c.width << "x" << c.height);
        std::vector<std::uint8_t> bits(static_cast<std::size_t>(c.sw) * c.sh * 3);
        // Mostly the brightest values, where a sum that wraps shows most.
        for (auto& b : bits) b = static_cast<std::uint8_t>(255 - random() % 4);
        const AreaTaps across(c.sw, c.width), down(c.sh, c.height);
        std::vector<std::uint32_t> out(static_cast<std::size_t>(c.width) * c.height);
        AreaShrinkRows(bits.data(), static_cast<std::size_t>(c.sw) * 3, c.sw, c.width, across, down, 0, c.height,
                       [&](int y) { return &out[static_cast<std::size_t>(y) * c.width]; });
        EXPECT_EQ(out, Reference(bits, c.sw, c.width, across, down, c.height));
    }
}

}  // namespace
}  // namespace vantor
