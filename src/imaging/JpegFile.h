// Reading and writing JPEG files over libjpeg, with the library's fatal errors
// and warnings shown to the user in message boxes.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "imaging/RgbBuffer.h"
#include "platform/FileSystem.h"

namespace vantor {

class JpegFile {
public:
    // A new buffer in file order, or nothing on failure (the user has been told).
    // width and height are set to 0 first.
    static RgbBuffer LoadToRgb(const std::string& path, std::uint32_t& width, std::uint32_t& height);
    // The same, with the picture in display order (bottom row first, blue green red).
    static RgbBuffer LoadToDisplay(const std::string& path, std::uint32_t& width, std::uint32_t& height);
    // Picks a decode's DCT reduction from the picture's own size: the scale in
    // eighths (8, or anything outside 1..7, decodes at full size).
    using ScaleChooser = unsigned (*)(std::uint32_t width, std::uint32_t height, void* context);
    // LoadToDisplay at the reduction the chooser picks: width x height are the
    // decoded picture's, trueWidth x trueHeight the file's own. Only a regular file
    // is read, so a FIFO named like a picture never blocks.
    static RgbBuffer LoadToDisplayScaled(const std::string& path, std::uint32_t& width, std::uint32_t& height,
                                         std::uint32_t& trueWidth, std::uint32_t& trueHeight, ScaleChooser choose,
                                         void* context);
    // A decode without a word to the user, for any thread: nothing on any failure
    // or warning (the caller then loads again aloud, and the user hears of it then).
    struct QuietLoad {
        ScaleChooser choose = nullptr;  // full size without one; runs on the decoding thread
        void* context = nullptr;
        // Set from another thread to give up early, with nothing.
        const std::atomic<bool>* cancel = nullptr;
        // A file of several scans (progressive) holds every coefficient of the picture
        // while it decodes; one that needs more than this is declined, with nothing.
        std::uint64_t maxCoefficientBytes = UINT64_MAX;
        // A buffer of spareBytes to decode into when the picture needs exactly that
        // many (instead of faulting in fresh memory); freed otherwise, before any
        // new one is allocated.
        RgbBuffer spare;
        std::uint64_t spareBytes = 0;
        // A single-scan picture of at least this many pixels (as decoded) is decoded
        // in two bands on two threads: the same pixels, sooner, for more work.
        std::uint64_t splitFromPixels = UINT64_MAX;
        // What was read: the decoded size, the file's own size and the file's stamp.
        std::uint32_t width = 0, height = 0, trueWidth = 0, trueHeight = 0;
        FileStamp stamp;
    };
    static RgbBuffer TryLoadToDisplay(const std::string& path, QuietLoad& load);
    // The frame header's size, without decoding; false on failure.
    static bool ReadDimensions(const std::string& path, std::uint32_t& width, std::uint32_t& height);
    // Writes a buffer in file order as a colour (RGB) or grayscale JPEG file.
    static bool SaveFromRgb(const std::string& path, const std::uint8_t* buffer, std::uint32_t width,
                            std::uint32_t height, bool color, int quality);

private:
    static RgbBuffer Load(const std::string& path, std::uint32_t& width, std::uint32_t& height, PixelOrder order);
};

// The path of the JPEG file most recently opened by the reader or the writer.
const std::string& LastJpegPath();
// Records path as the one opened last, for a picture read by a quiet decode.
void NoteJpegPath(const std::string& path);

}  // namespace vantor
