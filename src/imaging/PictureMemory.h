// Picture memory that outlives a picture: the blocks of freed pictures are kept
// for the next pictures of about the same size, so a show or a batch write does
// not map, fault in and zero fresh pages for every slide.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "imaging/RgbBuffer.h"

namespace vantor {

// A byte block with the size it was allocated with, which may be more than the
// picture in it needs.
struct PixelBlock {
    RgbBuffer bytes;
    std::uint64_t capacity = 0;

    std::uint8_t* get() const { return bytes.get(); }
    explicit operator bool() const { return bytes != nullptr; }
    void reset() {
        bytes.reset();
        capacity = 0;
    }
};

// Safe to use from several threads.
class PictureMemory {
public:
    // Keeps at most this many bytes of freed blocks, in at most kKeptBlocks blocks.
    static constexpr std::uint64_t kDefaultKeepBytes = 16u << 20;
    static constexpr std::size_t kKeptBlocks = 4;

    explicit PictureMemory(std::uint64_t keepBytes = kDefaultKeepBytes) : m_keepBytes(keepBytes) {}
    PictureMemory(const PictureMemory&) = delete;
    PictureMemory& operator=(const PictureMemory&) = delete;

    // A block of at least bytes, uninitialised: a kept one that is at most twice
    // as large, else a new one. Nothing when bytes is 0, above what any picture
    // may need, or not there.
    PixelBlock Take(std::uint64_t bytes);
    // Keeps a block for later; the oldest kept ones go when there are too many.
    void Give(PixelBlock block);
    // Frees every kept block.
    void Release();
    // While set, frees every kept block and keeps none given: for the length of a
    // decode that holds a large picture's coefficients.
    void KeepNone(bool none);
    std::uint64_t KeptBytes() const;

private:
    mutable std::mutex m_mutex;
    std::vector<PixelBlock> m_kept;  // oldest first
    std::uint64_t m_keepBytes;
    std::uint64_t m_keptBytes = 0;
    bool m_keepNone = false;
};

// A block from memory when there is one, else a plain allocation.
PixelBlock TakeBlock(PictureMemory* memory, std::uint64_t bytes);
void GiveBlock(PictureMemory* memory, PixelBlock block);

}  // namespace vantor
