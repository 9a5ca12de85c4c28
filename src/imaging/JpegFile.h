// Reading and writing JPEG files over libjpeg, with the library's fatal errors
// and warnings shown to the user in message boxes.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/RgbBuffer.h"

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
    // The same without a word to the user, for any thread: nothing on any failure
    // or warning (the caller then loads again with LoadToDisplayScaled, which
    // reports). The chooser runs on the calling thread.
    static RgbBuffer TryLoadToDisplayScaled(const std::string& path, std::uint32_t& width, std::uint32_t& height,
                                            std::uint32_t& trueWidth, std::uint32_t& trueHeight,
                                            ScaleChooser choose, void* context);
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

}  // namespace vantor
