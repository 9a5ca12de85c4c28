// The loader of the formats beside JPEG and BMP (imaging/PictureDecoders): the
// picture whole, at its own size, its transparent parts over the background of
// where it goes. A failure is told in one box with the decoder's reason, and the
// size is what the header said, as far as it was read.
#include "imaging/PictureDecoders.h"
#include "platform/PictureFormats.h"
#include "platform/Ui.h"
#include "viewer/CVantorView.h"
#include "viewer/DecodeMessages.h"

namespace vantor {

Rgb CVantorView::PictureBackground() const {
    return m_writeMode == 1 ? OutputSettings::BackColorOf(m_output.m_outBackColor) : ScreenBackdrop().band;
}

void CVantorView::LoadDecodedFile(const std::string& path) {
    m_buf.Clear();
    const PictureKind kind = PictureKindOf(path);
    const std::optional<PictureCodec> codec = CodecFor(kind);
    if (!codec) return;
    DecodeRequest request;
    const Rgb background = PictureBackground();
    request.background[0] = background.r;
    request.background[1] = background.g;
    request.background[2] = background.b;
    request.memory = &m_buf.Memory();
    DecodedPicture picture = DecodePicture(*codec, path, request);
    if (!picture.outcome.Ok()) {
        m_buf.Replace(PixelBlock{}, picture.trueWidth, picture.trueHeight);
        ShowDecodeOutcome(picture.outcome, kind);
        return;
    }
    m_buf.Replace(std::move(picture.pixels), picture.width, picture.height);
}

}  // namespace vantor
