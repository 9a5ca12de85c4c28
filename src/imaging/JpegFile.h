// Reading and writing JPEG files over libjpeg. A read shows nothing: it returns
// how it went, the library's own words included, for the caller to tell the user.
// A write shows the library's fatal errors and warnings in message boxes.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imaging/DecodeOutcome.h"
#include "imaging/PictureMemory.h"
#include "imaging/RgbBuffer.h"
#include "platform/FileSystem.h"

namespace vantor {

class JpegFile {
public:
    // A new buffer in file order into pixels, or nothing when the outcome is not
    // Ok. width and height are set to 0 first, and hold the picture's size once
    // the decode has sized it (also when it failed after that).
    static DecodeOutcome LoadToRgb(const std::string& path, RgbBuffer& pixels, std::uint32_t& width,
                                   std::uint32_t& height);
    // The same, with the picture in display order (bottom row first, blue green red).
    static DecodeOutcome LoadToDisplay(const std::string& path, RgbBuffer& pixels, std::uint32_t& width,
                                       std::uint32_t& height);

    // Picks a decode's DCT reduction from the picture's own size: the scale in
    // eighths (8, or anything outside 1..7, decodes at full size). Called on the
    // decoding thread, with the context it was given.
    using ScaleChooser = unsigned (*)(std::uint32_t width, std::uint32_t height, const void* context);

    // Any thread may decode. cancel, splitFromPixels and admit are for decoding ahead.
    struct Options {
        ScaleChooser choose = nullptr;  // full size without one
        const void* context = nullptr;
        // Set from another thread to give up early: Cancelled.
        const std::atomic<bool>* cancel = nullptr;
        // A single-scan picture of at least this many pixels (as decoded) is decoded
        // in two bands on two threads: the same pixels and words, sooner.
        std::uint64_t splitFromPixels = UINT64_MAX;
        // Where the picture's block (and a file read whole) comes from.
        PictureMemory* memory = nullptr;
        // Turns the picture upright by the orientation its Exif block records; the
        // chooser is then given the upright size, and every size below is upright.
        bool upright = false;
        // Asked, once the header is read, whether the decode may go on to hold
        // bytes (its coefficients, for a file of several scans, and its pixels)
        // for a picture of width x height as decoded (before it is turned); it may
        // wait for memory to be free. False gives up: Cancelled.
        std::function<bool(std::uint64_t bytes, std::uint32_t width, std::uint32_t height)> admit;
    };

    // A picture in display order, decoded at width x height; trueWidth x trueHeight
    // is the file's own size, and stamp the file as it was opened. Without pixels,
    // width and height are 0 unless the decode failed after it had sized the picture.
    struct Picture {
        PixelBlock pixels;
        std::uint32_t width = 0, height = 0, trueWidth = 0, trueHeight = 0;
        FileStamp stamp;
        bool upright = false;  // loaded with Options::upright
    };
    // Only a regular file is read, so a FIFO named like a picture never blocks.
    // The picture has pixels when the outcome is Ok, warnings or not.
    static DecodeOutcome Load(const std::string& path, const Options& options, Picture& picture);

    // The frame header's size, without decoding; set only when the outcome is Ok.
    static DecodeOutcome ReadDimensions(const std::string& path, std::uint32_t& width, std::uint32_t& height);
    // Writes a buffer in file order as a colour (RGB) or grayscale JPEG file.
    static bool SaveFromRgb(const std::string& path, const std::uint8_t* buffer, std::uint32_t width,
                            std::uint32_t height, bool color, int quality);
    // The same file's bytes into memory, to be written later by SaveEncoded; false
    // (told) on failure. What SaveFromRgb writes is SaveEncoded of these bytes.
    static bool EncodeRgb(const std::uint8_t* buffer, std::uint32_t width, std::uint32_t height, bool color,
                          int quality, std::vector<std::uint8_t>& bytes);
    static bool SaveEncoded(const std::string& path, const std::vector<std::uint8_t>& bytes);
    // The same through out, which may be set to take new names only; out tells the
    // name the file got, or why it got none.
    static bool SaveEncoded(SafeWrite& out, const std::string& path, const std::vector<std::uint8_t>& bytes);
};

// The path of the JPEG file most recently opened by the reader or the writer (the
// size alone leaves it): the second box of a warning names it.
const std::string& LastJpegPath();
// Records path as the one opened last on this thread, for a picture decoded ahead
// on another.
void NoteJpegPath(const std::string& path);

// The quality a JPEG is written at for the scale dialog's quality index (0..9,
// from 100 down to 50); 75 for an index outside the table.
int JpegQualityFor(int index);

}  // namespace vantor
