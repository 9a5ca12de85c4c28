#include "imaging/ColorQuantizer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace vantor {

namespace {

constexpr int kLevels = 6;
constexpr unsigned kLevelSize[kLevels] = {1, 8, 64, 512, 4096, 32768};
constexpr unsigned kCells = 32768;

// The channel sums are 64-bit: 32-bit sums wrap once a node holds more than about
// 16.8 million pixels of a bright channel.
struct Node {
    std::uint64_t sum[3];
    std::uint32_t count;     // pixels of its own
    std::uint32_t subtree;   // pixels in its whole subtree: its key in the heap
    std::uint8_t childMask;  // bit n set while child n stands as a branch of its own
};

struct HeapEntry {
    std::uint8_t level;
    std::uint16_t index;
};

template <typename T>
std::unique_ptr<T[]> ZeroedArray(std::size_t n) {
    return std::unique_ptr<T[]>(new (std::nothrow) T[n]());
}

class Octree {
public:
    bool Allocate() {
        for (int l = 0; l < kLevels; ++l) {
            m_nodes[l] = ZeroedArray<Node>(kLevelSize[l]);
            if (!m_nodes[l]) return false;
        }
        m_heap = ZeroedArray<HeapEntry>(kCells + 1);
        return m_heap != nullptr;
    }

    Node& At(unsigned level, unsigned index) { return m_nodes[level][index]; }
    Node& At(const HeapEntry& e) { return m_nodes[e.level][e.index]; }
    std::uint32_t Key(const HeapEntry& e) { return At(e).subtree; }

    void Count(const std::uint8_t* p, std::size_t pixels) {
        unsigned share[3][256];
        for (unsigned v = 0; v < 256; ++v) {
            unsigned s0 = 0, s1 = 0, s2 = 0;
            for (unsigned bit = 7; bit >= 3; --bit) {
                const unsigned shift = 3 * (bit - 3);
                const unsigned b = (v >> bit) & 1;
                s0 |= (b << 2) << shift;
                s1 |= (b << 1) << shift;
                s2 |= b << shift;
            }
            share[0][v] = s0;
            share[1][v] = s1;
            share[2][v] = s2;
        }
        Node* leaves = m_nodes[5].get();
        for (std::size_t i = 0; i < pixels; ++i, p += 3) {
            Node& leaf = leaves[share[0][p[0]] + share[1][p[1]] + share[2][p[2]]];
            leaf.sum[0] += p[0];
            leaf.sum[1] += p[1];
            leaf.sum[2] += p[2];
            ++leaf.count;
        }
    }

    void BuildHeap() {
        m_size = 0;
        for (unsigned i = 0; i < kCells; ++i) {
            Node& leaf = m_nodes[5][i];
            if (leaf.count == 0) continue;
            m_heap[++m_size] = {5, static_cast<std::uint16_t>(i)};
            leaf.subtree = leaf.count;
            for (int level = 4; level >= 0; --level) {
                Node& ancestor = m_nodes[level][i >> (3 * (5 - level))];
                ancestor.subtree += leaf.count;
                ancestor.childMask |= static_cast<std::uint8_t>(1u << ((i >> (3 * (4 - level))) & 7));
            }
        }
        for (unsigned i = m_size; i >= 1; --i) SiftDown(i);
    }

    // On equal keys the left child is taken.
    void SiftDown(unsigned i) {
        const HeapEntry held = m_heap[i];
        const std::uint32_t key = Key(held);
        while (i <= m_size / 2) {
            unsigned j = 2 * i;
            if (j < m_size && Key(m_heap[j]) > Key(m_heap[j + 1])) ++j;
            if (key <= Key(m_heap[j])) break;
            m_heap[i] = m_heap[j];
            i = j;
        }
        m_heap[i] = held;
    }

    // Folds the least populated branches into their parents until at most
    // colorCount nodes carry pixels.
    void Reduce(unsigned colorCount) {
        while (m_size > colorCount) {
            const HeapEntry top = m_heap[1];
            const HeapEntry parentEntry{static_cast<std::uint8_t>(top.level == 0 ? 0 : top.level - 1),
                                        static_cast<std::uint16_t>(top.index / 8)};
            Node& leaf = At(top);
            Node& parent = At(parentEntry);
            if (parent.count != 0) {
                m_heap[1] = m_heap[m_size--];
            } else {
                m_heap[1] = parentEntry;
            }
            parent.count += leaf.count;
            for (int c = 0; c < 3; ++c) parent.sum[c] += leaf.sum[c];
            parent.childMask &= static_cast<std::uint8_t>(~(1u << (top.index & 7)));
            SiftDown(1);
        }
    }

    // Children 7 down to 0 first, then the node itself: one colour per node that
    // carries pixels, its rounded mean.
    void Walk(unsigned level, unsigned index, std::uint8_t* planes, unsigned& length) {
        Node& node = m_nodes[level][index];
        if (level < 5) {
            for (int n = 7; n >= 0; --n) {
                if (node.childMask & (1u << n)) Walk(level + 1, index * 8 + static_cast<unsigned>(n), planes, length);
            }
        }
        if (node.count != 0 && length < 256) {
            const std::uint64_t count = node.count;
            for (int c = 0; c < 3; ++c)
                planes[c * 256 + length] = static_cast<std::uint8_t>((node.sum[c] + count / 2) / count);
            ++length;
        }
    }

private:
    std::unique_ptr<Node[]> m_nodes[kLevels];
    std::unique_ptr<HeapEntry[]> m_heap;
    unsigned m_size = 0;
};

// Maps every pixel to its palette index through a cache of nearest colours per
// 5-bit cell, spreading each pixel's (limited) error right along its row, in the
// row's direction, and to the pixel below; rows alternate direction.
bool MapWithDithering(const std::uint8_t* source, std::uint8_t* destination, unsigned width, unsigned height,
                      const std::uint8_t* planes, unsigned paletteLength) {
    const std::size_t rowEntries = (static_cast<std::size_t>(width) + 2) * 3;
    auto cache = ZeroedArray<std::int16_t>(kCells);
    auto errorsA = ZeroedArray<std::int16_t>(rowEntries);
    auto errorsB = ZeroedArray<std::int16_t>(rowEntries);
    auto clampTable = ZeroedArray<std::uint8_t>(768);
    auto limitTable = ZeroedArray<std::int16_t>(512);
    auto squares = ZeroedArray<std::int32_t>(511);
    if (!cache || !errorsA || !errorsB || !clampTable || !limitTable || !squares) return false;

    std::fill(cache.get(), cache.get() + kCells, std::int16_t{-1});
    const std::uint8_t* clamp = clampTable.get() + 256;  // v in -256 .. 511
    for (std::size_t i = 0; i < 768; ++i)
        clampTable[i] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(i) - 256, 0, 255));
    const std::int16_t* limit = limitTable.get() + 256;  // e in -256 .. 255
    for (std::size_t i = 0; i < 512; ++i)
        limitTable[i] = static_cast<std::int16_t>(std::clamp(static_cast<int>(i) - 256, -20, 20));
    const std::int32_t* square = squares.get() + 255;  // v in -255 .. 255
    for (std::size_t i = 0; i < 511; ++i) squares[i] = (static_cast<int>(i) - 255) * (static_cast<int>(i) - 255);

    std::int16_t* current = errorsA.get();
    std::int16_t* next = errorsB.get();
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    for (unsigned y = 0; y < height; ++y) {
        const std::uint8_t* srcRow = source + y * rowBytes;
        std::uint8_t* dstRow = destination + static_cast<std::size_t>(y) * width;
        const bool leftToRight = (y & 1) == 0;
        const int step = leftToRight ? 1 : -1;
        for (unsigned k = 0; k < width; ++k) {
            const unsigned x = leftToRight ? k : width - 1 - k;
            std::int16_t* e = current + (x + 1) * 3;
            const std::uint8_t* p = srcRow + x * 3;
            int c[3];
            for (int ch = 0; ch < 3; ++ch) c[ch] = clamp[p[ch] + (e[ch] >> 1)];
            const unsigned cell = static_cast<unsigned>((c[0] >> 3) << 10 | (c[1] >> 3) << 5 | (c[2] >> 3));
            if (cache[cell] < 0) {
                const int centre0 = (c[0] >> 3) * 8 + 4, centre1 = (c[1] >> 3) * 8 + 4, centre2 = (c[2] >> 3) * 8 + 4;
                std::int32_t best = 200000;
                unsigned bestIndex = 0;
                for (unsigned i = 0; i < paletteLength; ++i) {
                    const std::int32_t d = square[planes[i] - centre0] + square[planes[256 + i] - centre1] +
                                           square[planes[512 + i] - centre2];
                    if (d < best) {
                        best = d;
                        bestIndex = i;
                    }
                }
                cache[cell] = static_cast<std::int16_t>(bestIndex);
            }
            const unsigned index = static_cast<unsigned>(cache[cell]);
            dstRow[x] = static_cast<std::uint8_t>(index);
            std::int16_t* below = next + (x + 1) * 3;
            const bool hasNext = leftToRight ? k + 1 < width : x > 0;
            std::int16_t* ahead = e + step * 3;
            for (int ch = 0; ch < 3; ++ch) {
                const std::int16_t err = limit[c[ch] - planes[ch * 256 + index]];
                below[ch] = err;
                if (hasNext) ahead[ch] = static_cast<std::int16_t>(ahead[ch] + err);
            }
        }
        std::swap(current, next);
    }
    return true;
}

}  // namespace

bool ColorQuantizer::QuantizeImage(const std::uint8_t* source, std::uint8_t* destination, unsigned width,
                                   unsigned height, unsigned colorCount, std::uint8_t* paletteOut,
                                   unsigned* paletteLength) {
    const std::uint64_t pixels = static_cast<std::uint64_t>(width) * height;
    // Pixel counts are 32-bit; a larger picture could not be held anyway.
    if (pixels > 0xFFFFFFFFu) return false;
    colorCount = std::clamp(colorCount, 1u, 256u);

    std::uint8_t planes[768] = {};
    unsigned length = 0;
    {
        Octree tree;
        if (!tree.Allocate()) return false;
        tree.Count(source, static_cast<std::size_t>(pixels));
        tree.BuildHeap();
        tree.Reduce(colorCount);
        tree.Walk(0, 0, planes, length);
    }
    if (!MapWithDithering(source, destination, width, height, planes, length)) return false;
    std::memcpy(paletteOut, planes, sizeof planes);
    if (paletteLength != nullptr) *paletteLength = length;
    return true;
}

}  // namespace vantor
