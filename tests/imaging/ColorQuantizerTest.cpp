// The octree quantiser: tree, reduction, palette walk and the dithered mapping,
// on hand-worked images and against a plain implementation written here.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "imaging/ColorQuantizer.h"

namespace vantor {
namespace {

using Pixels = std::vector<std::uint8_t>;

struct Result {
    std::vector<std::uint8_t> indices;
    std::array<std::uint8_t, 768> planes{};
    unsigned length = 0;
};

Result Quantize(const Pixels& px, unsigned width, unsigned height, unsigned colors) {
    Result r;
    r.indices.assign(static_cast<std::size_t>(width) * height, 0xEE);
    r.planes.fill(0xAB);
    EXPECT_TRUE(
        ColorQuantizer::QuantizeImage(px.data(), r.indices.data(), width, height, colors, r.planes.data(), &r.length));
    return r;
}

std::array<int, 3> Entry(const Result& r, unsigned i) { return {r.planes[i], r.planes[256 + i], r.planes[512 + i]}; }

void ExpectZeroFrom(const Result& r, unsigned first) {
    for (unsigned i = first; i < 256; ++i) EXPECT_EQ(Entry(r, i), (std::array<int, 3>{0, 0, 0})) << i;
}

Pixels Gray(std::initializer_list<int> values) {
    Pixels px;
    for (int v : values) px.insert(px.end(), 3, static_cast<std::uint8_t>(v));
    return px;
}

TEST(ColorQuantizer, OneColourGivesOneEntryAndIndexZero) {
    Pixels px;
    for (int i = 0; i < 15; ++i) px.insert(px.end(), {10, 200, 77});
    const Result r = Quantize(px, 5, 3, 64);
    EXPECT_EQ(r.length, 1u);
    EXPECT_EQ(Entry(r, 0), (std::array<int, 3>{10, 200, 77}));
    ExpectZeroFrom(r, 1);
    EXPECT_EQ(r.indices, std::vector<std::uint8_t>(15, 0));
}

TEST(ColorQuantizer, FewCellsKeepOneRoundedMeanEachAndLowBitsShareALeaf) {
    // Four colours in two 5-bit cells: the low three bits do not tell them apart.
    const Pixels px = {0, 0, 0, 2, 4, 6, 100, 100, 100, 103, 101, 100};
    const Result r = Quantize(px, 2, 2, 256);
    ASSERT_EQ(r.length, 2u);
    // The walk takes children 7 first: the brighter cell comes first.
    EXPECT_EQ(Entry(r, 0), (std::array<int, 3>{102, 101, 100}));  // (203+1)/2, (201+1)/2, 100
    EXPECT_EQ(Entry(r, 1), (std::array<int, 3>{1, 2, 3}));
    ExpectZeroFrom(r, 2);
    EXPECT_EQ(r.indices, (std::vector<std::uint8_t>{1, 1, 0, 0}));
}

TEST(ColorQuantizer, OneColourFoldsEverythingIntoTheRoundedMean) {
    const Pixels px = {0, 0, 0, 255, 255, 255, 10, 20, 30, 1, 2, 3};
    const Result r = Quantize(px, 4, 1, 1);
    ASSERT_EQ(r.length, 1u);
    EXPECT_EQ(Entry(r, 0), (std::array<int, 3>{67, 69, 72}));  // 266/4, 277/4, 288/4 rounded half up
    ExpectZeroFrom(r, 1);
    EXPECT_EQ(r.indices, std::vector<std::uint8_t>(4, 0));
}

TEST(ColorQuantizer, HalfBlackHalfWhiteGivesWhiteThenBlack) {
    Pixels px;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) px.insert(px.end(), 3, x < 3 ? 0 : 255);
    }
    const Result r = Quantize(px, 6, 4, 2);
    ASSERT_EQ(r.length, 2u);
    EXPECT_EQ(Entry(r, 0), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(Entry(r, 1), (std::array<int, 3>{0, 0, 0}));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) EXPECT_EQ(r.indices[static_cast<std::size_t>(y * 6 + x)], x < 3 ? 1 : 0);
    }
}

// 4 x 2, gray levels, two colours:
//   255 255   0   0
//   128 128   0   0
// Black, 128 and 255 are leaves of two pixels, two and four; the 128 and 255 leaves
// fold up into their common level-1 node (mean (2*128 + 2*255 + 2) / 4 = 192), black
// climbs into the root. Walk: the level-1 node (child 7) first, then the root.
// Mapping, row 0 left to right: 255 -> 192 (error 63, limited to 20); 255+10 -> 192;
// 0+10 -> black (error 10); 0+5 -> black (error 5). Row 1 right to left: 0+2, 0+6
// -> black; 128+13 = 141 -> 192 (error -20); 128+0 -> 192.
TEST(ColorQuantizer, HandWorkedFourByTwo) {
    const Pixels px = Gray({255, 255, 0, 0, 128, 128, 0, 0});
    const Result r = Quantize(px, 4, 2, 2);
    ASSERT_EQ(r.length, 2u);
    EXPECT_EQ(Entry(r, 0), (std::array<int, 3>{192, 192, 192}));
    EXPECT_EQ(Entry(r, 1), (std::array<int, 3>{0, 0, 0}));
    ExpectZeroFrom(r, 2);
    EXPECT_EQ(r.indices, (std::vector<std::uint8_t>{0, 0, 1, 1, 0, 0, 1, 1}));
}

TEST(ColorQuantizer, CorrectionStaysWithinTwenty) {
    // Same palette as above (192 and black). A block of 128s errs by -64 a pixel;
    // limited to -20 a pixel, no 128 ever gets a correction below -20 (128-20 = 108
    // stays nearer 192). Unlimited errors would darken some of them to black.
    Pixels px;
    const int width = 4;
    for (int v : {128, 128, 0, 0, 255, 255}) {
        for (int x = 0; x < width; ++x) px.insert(px.end(), 3, static_cast<std::uint8_t>(v));
    }
    const Result r = Quantize(px, width, 6, 2);
    ASSERT_EQ(r.length, 2u);
    EXPECT_EQ(Entry(r, 0), (std::array<int, 3>{192, 192, 192}));
    for (int i = 0; i < 2 * width; ++i) EXPECT_EQ(r.indices[static_cast<std::size_t>(i)], 0) << i;
}

TEST(ColorQuantizer, SumsDoNotWrapAboveSixteenMillionPixels) {
    const unsigned width = 4250, height = 4000;  // 17 million pixels
    Pixels px(static_cast<std::size_t>(width) * height * 3, 255);
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(width) * height, 7);
    std::array<std::uint8_t, 768> planes{};
    unsigned length = 0;
    ASSERT_TRUE(ColorQuantizer::QuantizeImage(px.data(), indices.data(), width, height, 256, planes.data(), &length));
    EXPECT_EQ(length, 1u);
    EXPECT_EQ(planes[0], 255);
    EXPECT_EQ(planes[256], 255);
    EXPECT_EQ(planes[512], 255);
    EXPECT_TRUE(std::all_of(indices.begin(), indices.end(), [](std::uint8_t i) { return i == 0; }));
}

// ---- a plain implementation of the same quantiser, for comparison ----------------

struct RefNode {
    std::uint64_t sum[3] = {0, 0, 0};
    std::uint64_t count = 0;
    std::uint64_t subtree = 0;
    std::set<int> children;  // child numbers still standing as branches
};

class Reference {
public:
    Result Run(const Pixels& px, int width, int height, unsigned colors) {
        // Tree: every node is (level, index); a pixel's leaf interleaves bits 7..3.
        for (std::size_t i = 0; i < px.size(); i += 3) {
            int leaf = 0;
            for (int bit = 7; bit >= 3; --bit)
                leaf = leaf * 8 + ((px[i] >> bit) & 1) * 4 + ((px[i + 1] >> bit) & 1) * 2 + ((px[i + 2] >> bit) & 1);
            RefNode& n = nodes[{5, leaf}];
            for (int c = 0; c < 3; ++c) n.sum[c] += px[i + static_cast<std::size_t>(c)];
            ++n.count;
        }
        std::vector<std::pair<int, int>> heap{{-1, -1}};
        for (auto& [key, n] : nodes) {
            if (key.first != 5) continue;
            heap.push_back(key);
            n.subtree = n.count;
        }
        for (std::size_t k = 1; k < heap.size(); ++k) {
            const auto [lvl, idx] = heap[k];
            const std::uint64_t c = nodes[heap[k]].count;
            for (int l = 4; l >= 0; --l) {
                RefNode& a = nodes[{l, idx >> (3 * (5 - l))}];
                a.subtree += c;
                a.children.insert((idx >> (3 * (4 - l))) & 7);
            }
            (void)lvl;
        }
        std::size_t size = heap.size() - 1;
        auto key = [&](std::size_t k) { return nodes[heap[k]].subtree; };
        auto sift = [&](std::size_t i) {
            while (true) {
                std::size_t smallest = i;
                const std::size_t l = 2 * i, r = 2 * i + 1;
                if (l <= size) smallest = l;
                if (r <= size && key(r) < key(l)) smallest = r;
                if (smallest == i || key(i) <= key(smallest)) return;
                std::swap(heap[i], heap[smallest]);
                i = smallest;
            }
        };
        for (std::size_t i = size; i >= 1; --i) sift(i);
        while (size > colors) {
            const auto top = heap[1];
            const std::pair<int, int> parent{std::max(top.first - 1, 0), top.second / 8};
            if (nodes[parent].count != 0) {
                heap[1] = heap[size];
                --size;
            } else {
                heap[1] = parent;
            }
            RefNode& p = nodes[parent];
            const RefNode& t = nodes[top];
            p.count += t.count;
            for (int c = 0; c < 3; ++c) p.sum[c] += t.sum[c];
            p.children.erase(top.second & 7);
            sift(1);
        }
        Result r;
        r.planes.fill(0);
        Walk(0, 0, r);

        // Mapping: errors kept for the whole picture, nearest colour searched per pixel.
        r.indices.resize(static_cast<std::size_t>(width) * height);
        std::vector<std::array<int, 3>> err(static_cast<std::size_t>(width) * height, {0, 0, 0});
        std::vector<std::array<int, 3>> fromLeft(err);
        for (int y = 0; y < height; ++y) {
            const bool ltr = y % 2 == 0;
            for (int k = 0; k < width; ++k) {
                const int x = ltr ? k : width - 1 - k;
                const std::size_t at = static_cast<std::size_t>(y * width + x);
                int c[3];
                for (int ch = 0; ch < 3; ++ch) {
                    const int above =
                        y > 0 ? err[at - static_cast<std::size_t>(width)][static_cast<std::size_t>(ch)] : 0;
                    const int e = above + fromLeft[at][static_cast<std::size_t>(ch)];
                    const int half = e >= 0 ? e / 2 : -((-e + 1) / 2);  // floor
                    c[ch] = std::clamp(px[at * 3 + static_cast<std::size_t>(ch)] + half, 0, 255);
                }
                long best = 200000;
                unsigned bi = 0;
                for (unsigned i = 0; i < r.length; ++i) {
                    long d = 0;
                    for (int ch = 0; ch < 3; ++ch) {
                        const long diff = r.planes[static_cast<std::size_t>(ch) * 256 + i] - ((c[ch] / 8) * 8 + 4);
                        d += diff * diff;
                    }
                    if (d < best) {
                        best = d;
                        bi = i;
                    }
                }
                r.indices[at] = static_cast<std::uint8_t>(bi);
                const int nx = ltr ? x + 1 : x - 1;
                for (int ch = 0; ch < 3; ++ch) {
                    const int e = std::clamp(c[ch] - r.planes[static_cast<std::size_t>(ch) * 256 + bi], -20, 20);
                    err[at][static_cast<std::size_t>(ch)] = e;
                    if (nx >= 0 && nx < width)
                        fromLeft[static_cast<std::size_t>(y * width + nx)][static_cast<std::size_t>(ch)] += e;
                }
            }
        }
        return r;
    }

private:
    void Walk(int level, int index, Result& r) {
        RefNode& n = nodes[{level, index}];
        for (auto it = n.children.rbegin(); it != n.children.rend(); ++it) Walk(level + 1, index * 8 + *it, r);
        if (n.count != 0) {
            for (int ch = 0; ch < 3; ++ch)
                r.planes[static_cast<std::size_t>(ch) * 256 + r.length] =
                    static_cast<std::uint8_t>((n.sum[ch] + n.count / 2) / n.count);
            ++r.length;
        }
    }

    std::map<std::pair<int, int>, RefNode> nodes;
};

TEST(ColorQuantizer, MatchesAPlainImplementationOnRandomPictures) {
    std::mt19937 rng(12345);
    for (unsigned colors : {1u, 7u, 16u, 64u, 256u}) {
        for (auto [w, h] : {std::pair{23, 17}, std::pair{1, 9}, std::pair{40, 3}}) {
            Pixels px(static_cast<std::size_t>(w * h * 3));
            // Clustered values give ties in the heap and leaves of many sizes.
            for (auto& v : px) v = static_cast<std::uint8_t>((rng() % 6) * 48 + rng() % 12);
            const Result got = Quantize(px, static_cast<unsigned>(w), static_cast<unsigned>(h), colors);
            const Result want = Reference().Run(px, w, h, colors);
            ASSERT_EQ(got.length, want.length) << colors << " " << w << "x" << h;
            EXPECT_EQ(got.planes, want.planes) << colors << " " << w << "x" << h;
            EXPECT_EQ(got.indices, want.indices) << colors << " " << w << "x" << h;
        }
    }
}

}  // namespace
}  // namespace vantor
