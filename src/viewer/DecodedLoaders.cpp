// The loader of the formats beside JPEG and BMP (imaging/PictureDecoders): the
// picture whole, at its own size, its transparent parts over the background of
// where it goes (decoded ahead over that background, or now). A failure is told
// in one box with the decoder's reason, and the size is what the header said, as
// far as it was read.
#include <algorithm>

#include "imaging/PictureDecoders.h"
#include "platform/PictureFormats.h"
#include "platform/Ui.h"
#include "viewer/CVantorView.h"
#include "viewer/DecodeMessages.h"

namespace vantor {

JpegPrefetch::Background CVantorView::PictureBackground() const {
    const Rgb background =
        m_writeMode == 1 ? OutputSettings::BackColorOf(m_output.m_outBackColor) : ScreenBackdrop().band;
    return {background.r, background.g, background.b};
}

void CVantorView::LoadDecodedFile(const std::string& path) {
    m_buf.Clear();
    const PictureKind kind = PictureKindOf(path);
    const std::optional<PictureCodec> codec = CodecFor(kind);
    if (!codec) return;
    const JpegPrefetch::Background background = PictureBackground();
    // On screen the picture decoded ahead comes shrunk for it too.
    const JpegPrefetch::Fitter fit = m_writeMode == 1 ? nullptr : &DisplayFit;
    ShrunkPicture shrunk;
    std::optional<DecodedPicture> decoded = m_buf.Ahead().Take(path, background, fit, DisplayFrame(), &shrunk);
    if (!decoded) {
        DecodeRequest request;
        std::copy(background.begin(), background.end(), request.background);
        request.memory = &m_buf.Memory();
        // A decoder that scales gives the screen the pixels it shows; the picture
        // is decoded whole when every pixel is needed.
        const PictureFormat* format = FormatOf(path);
        if (fit != nullptr && format != nullptr && format->decodedScaled) {
            const PictureSize size = ReadPictureSize(*codec, path);
            const JpegPrefetch::ScaleContext frame = DisplayFrame();
            const JpegPrefetch::ShownSize shown = fit(size.width, size.height, &frame);
            request.atLeastWidth = shown.width;
            request.atLeastHeight = shown.height;
        }
        decoded = DecodePicture(*codec, path, request);
    }
    DecodedPicture& picture = *decoded;
    if (!picture.outcome.Ok()) {
        m_buf.Replace(PixelBlock{}, picture.trueWidth, picture.trueHeight);
        ShowDecodeOutcome(picture.outcome, kind);
        return;
    }
    m_buf.Replace(std::move(picture), path, *codec, background);
    m_buf.KeepShrunk(std::move(shrunk));
}

}  // namespace vantor
