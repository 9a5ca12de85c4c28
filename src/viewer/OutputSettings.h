// The frame and the write parameters: what the scale dialog edits, the screen fits
// pictures into, and the batch write writes by. One value type, held by the view,
// by the scale dialog and by the command line's write, so its defaults are written
// once, here.
#pragma once

#include <cstdint>

#include "platform/Canvas.h"

namespace vantor {

struct OutputSettings {
    // The frame for the screen and for written files, 1..6000 each.
    std::uint32_t m_maxWidth = 800;
    std::uint32_t m_maxHeight = 600;
    // m_outScaleMode: how the fit treats a picture, on screen and in written files.
    static constexpr std::int32_t kScaleShrink = 0;   // shrink a bigger picture to the frame, keep a smaller one
    static constexpr std::int32_t kScaleAsIs = 1;     // the picture's own size
    static constexpr std::int32_t kScaleFit = 2;      // shrink or enlarge to the frame
    static constexpr std::int32_t kScaleStretch = 3;  // fill the frame, the aspect ratio given up
    std::int32_t m_outScaleMode = kScaleShrink;
    // m_dispScaleMode: where the batch write puts the picture in its frame (shown read-only).
    static constexpr std::uint32_t kPlaceFitted = 2;  // at its fitted size, centred; any other value fills the frame
    std::uint32_t m_dispScaleMode = kPlaceFitted;
    // m_outBackColor: the background of written files.
    static constexpr std::int32_t kOutBackWhite = 0;
    static constexpr std::int32_t kOutBackGray = 1;
    static constexpr std::int32_t kOutBackBlack = 2;
    std::int32_t m_outBackColor = kOutBackGray;
    // Its colour: white, gray or black; gray for any other value.
    static Rgb BackColorOf(std::int32_t outBackColor) {
        switch (outBackColor) {
            case kOutBackWhite: return {255, 255, 255};
            case kOutBackBlack: return {0, 0, 0};
            default: return {200, 200, 200};
        }
    }
    std::int32_t m_jpegQualityIndex = 5;  // 0..9: JPEG quality 100, 95, 90, 85, 80, 75, 70, 65, 60, 50
    // m_outFileType: what the batch write writes.
    static constexpr std::int32_t kOutJpeg = 0;
    static constexpr std::int32_t kOutBmp = 1;
    std::int32_t m_outFileType = kOutJpeg;
    std::uint32_t m_spare = 0;          // a fill variant, shown read-only
    std::uint32_t m_writePosition = 0;  // 0 centre, 1 top edge, 2 as is; shown read-only, read by nothing

    bool operator==(const OutputSettings&) const = default;
};

}  // namespace vantor
