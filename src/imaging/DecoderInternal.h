// What the decoders of PictureDecoders.h share: where their bytes come from, the
// outcomes every one of them gives alike, and the rows they write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "imaging/PictureDecoders.h"

namespace vantor::decoders {

// An open file or a block in memory, read from its start. Plain data, so that a
// decoder whose library longjmps may hold one across the jump.
struct Source {
    std::FILE* file = nullptr;
    const std::uint8_t* data = nullptr;  // without a file
    std::uint64_t size = 0;              // the whole length
    std::uint64_t position = 0;          // in memory only
    bool cutShort = false;               // a read asked for more than there was

    // Fewer bytes than asked only at the end (or on a read error), noted in cutShort.
    std::size_t Read(void* into, std::size_t bytes);
    bool Seek(std::uint64_t offset);
    std::uint64_t Tell() const;
    // All of it into one block of size bytes; nothing when that is not there or
    // could not be read.
    std::unique_ptr<std::uint8_t[]> ReadAll();
};

// One decode: what is asked, and where the picture goes.
struct Job {
    Source* source = nullptr;
    const DecodeRequest* request = nullptr;
    bool headerOnly = false;  // the size alone: trueWidth and trueHeight
    const char* name = "";    // the format, in the texts
    DecodedPicture* picture = nullptr;
};

void DecodePng(Job& job);
void DecodeGif(Job& job);
void DecodeWebp(Job& job);
void DecodeTiff(Job& job);
void DecodeHeif(Job& job);

// The outcomes every decoder gives alike, set on the job's picture; each returns
// false, for a decoder to end with.
bool NotOfFormat(Job& job);  // "not a PNG picture"
bool CutShort(Job& job);
bool Damaged(Job& job, const std::string& why);       // "damaged: why"
bool Unsupported(Job& job, const std::string& what);  // "a kind of PNG that is not read: what"
bool NoMemory(Job& job);
bool Cancelled(Job& job);

// Records the picture's own size; false (TooLarge, refused before any allocation)
// when it is above the cap, or empty (Corrupt). A size query stops here, Ok.
bool SizeKnown(Job& job, std::uint64_t width, std::uint64_t height);
bool WantsCancel(const Job& job);
// The picture's block for width x height pixels, recorded as the decoded size;
// nullptr (OutOfMemory) when it is not there. extraPerPixel widens the block for
// a library that writes four bytes a pixel before the rows are made three. On a
// failure the block goes back to the request's memory.
std::uint8_t* TakePicture(Job& job, std::uint32_t width, std::uint32_t height, std::uint32_t extraPerPixel = 0);

// Row y (0 at the top) of a picture in display order.
inline std::uint8_t* DisplayRow(std::uint8_t* pixels, std::uint32_t width, std::uint32_t height, std::uint32_t y) {
    return pixels + std::size_t{height - 1 - y} * width * 3;
}

// Rows of count pixels into display order (blue green red): red green blue; red
// green blue alpha, straight or premultiplied, over the background (out = a * c +
// (1 - a) * background, rounded). into may be the row itself, made three bytes a
// pixel in place.
void RgbRow(const std::uint8_t* rgb, std::uint32_t count, std::uint8_t* into);
void RgbaRow(const std::uint8_t* rgba, std::uint32_t count, const std::uint8_t* background, std::uint8_t* into);
void PremultipliedRow(const std::uint8_t* rgba, std::uint32_t count, const std::uint8_t* background,
                      std::uint8_t* into);

}  // namespace vantor::decoders
