// The view's file loaders: the only way a file becomes the current picture.
// Each frees the previous picture first and leaves m_buf either empty or in
// display order with m_width x m_height pixels (a JPEG may hold fewer: decoded
// reduced for the screen).
#include <cstdio>
#include <memory>

#include "imaging/BmpCodec.h"
#include "imaging/JpegFile.h"
#include "platform/FileSystem.h"
#include "platform/PictureFormats.h"
#include "platform/Ui.h"
#include "viewer/CVantorView.h"
#include "viewer/DecodeMessages.h"

namespace vantor {

namespace {

// A file larger than this cannot hold a picture the decoders accept.
constexpr std::uint64_t kMaxBitmapFileBytes = std::uint64_t{1} << 30;

}  // namespace

// Each format of the table to its loader: the one place a new format's kind is named.
void CVantorView::LoadByEnding(const std::string& path) {
    // Another picture is shown at the fit, from its top left corner; the same one
    // loaded again (a halted show's every pass) keeps its zoom and scroll.
    if (path != m_viewedPath) {
        m_viewedPath = path;
        m_zoom = 0;
        TheUi().ScrollTo({0, 0});
    }
    switch (PictureKindOf(path)) {
        case PictureKind::Jpeg: LoadJpegFile(path); break;
        case PictureKind::Bmp: LoadBmpFile(path); break;
        case PictureKind::None: break;
        default: LoadDecodedFile(path); break;  // imaging/PictureDecoders
    }
}

void CVantorView::LoadJpegFile(const std::string& path) {
    m_buf.Clear();
    // Decoded at the reduction the screen needs: m_width x m_height stay the file's
    // own size, and the picture commands decode it whole when they need every pixel.
    const JpegPrefetch::ScaleContext frame = DisplayFrame();
    // A slide decoded while the one before was on screen, if it is this very file
    // as it is now: the same pixels the load below would give. A file that failed
    // there, warned or changed since is loaded below, and only then reported.
    LoadJpegScaled(path, &ChooseDisplayScale, frame, &DisplayFit);
}

bool CVantorView::LoadJpegScaled(const std::string& path, JpegFile::ScaleChooser choose,
                                 const JpegPrefetch::ScaleContext& frame, JpegPrefetch::Fitter fit) {
    ShrunkPicture shrunk;
    if (auto ahead = m_buf.Ahead().Take(path, choose, frame, m_autoRotate, fit, &shrunk)) {
        NoteJpegPath(path);
        m_buf.Replace(std::move(*ahead), path);
        m_buf.KeepShrunk(std::move(shrunk));
        return true;
    }
    JpegFile::Options options;
    options.choose = choose;
    options.context = &frame;
    options.memory = &m_buf.Memory();
    options.upright = m_autoRotate;
    JpegFile::Picture picture;
    // Told before the picture takes the screen, as the boxes always came.
    ShowDecodeOutcome(JpegFile::Load(path, options, picture), PictureKind::Jpeg);
    m_buf.Replace(std::move(picture), path);
    return false;
}

void CVantorView::LoadBmpFile(const std::string& path) {
    m_buf.Clear();
    BmpCodec codec;
    RgbBuffer pixels;
    std::uint32_t width = 0, height = 0;
    int needsFallback = 0;
    const DecodeOutcome outcome = codec.ProbeLoad(path, pixels, width, height, needsFallback);
    if (needsFallback == 1) {
        m_buf.Replace(RgbBuffer(), width, height);  // the size as far as the probe came
        LoadBmpThroughFallback(path);
        return;
    }
    if (!outcome.Ok()) {
        m_buf.Replace(RgbBuffer(), width, height);  // the size as far as the reader came
        ShowDecodeOutcome(outcome, PictureKind::Bmp);
        return;
    }
    ToggleOrder(pixels.get(), width, height);
    m_buf.Replace(std::move(pixels), width, height);
}

void CVantorView::LoadBmpThroughFallback(const std::string& path) {
    Ui& ui = TheUi();
    FilePtr file(OpenRegularFile(path));
    if (!file) {
        AfxMessageBox("DIB Can't open file for reading :\n" + path);
        return;
    }
    ui.BeginWaitCursor();
    std::vector<std::uint8_t> bytes;
    bool readFailed = false;
    if (std::fseek(file.get(), 0, SEEK_END) == 0) {
        const long size = std::ftell(file.get());
        if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
            readFailed = true;
        } else if (static_cast<std::uint64_t>(size) <= kMaxBitmapFileBytes) {
            bytes.resize(static_cast<std::size_t>(size));
            if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) readFailed = true;
        } else {
            ui.EndWaitCursor();
            AfxMessageBox("m_buf nothing Write Error ni naruyo!!!");
            return;
        }
    } else {
        readFailed = true;
    }
    file.reset();
    ui.EndWaitCursor();
    if (readFailed) {
        AfxMessageBox("DIB Can't open file for reading2 :\n" + path);
        return;
    }

    DecodedBmp decoded;
    const DecodeOutcome outcome = DecodeBmpFallback(bytes.data(), bytes.size(), path, decoded);
    if (!outcome.Ok()) {
        ShowDecodeOutcome(outcome, PictureKind::Bmp);  // not a bitmap at all, or cut short: nothing to say
        return;
    }
    // Decoded in file order, like the codec's own read.
    ToggleOrder(decoded.pixels.get(), decoded.width, decoded.height);
    m_buf.Replace(std::move(decoded.pixels), decoded.width, decoded.height);
}

void CVantorView::SaveBmpFile(const std::string& path) {
    if (!m_buf) {
        AfxMessageBox("No Image!");
        return;
    }
    if (!m_buf.MakeFull()) return;  // every pixel of the picture, not the screen's share
    ShowSavedBmp(BmpCodec().SaveRgb(path, m_buf.get(), m_width, m_height), path);
}

void CVantorView::ShowSavedBmp(const std::string& failure, const std::string& path) {
    if (!failure.empty()) {
        AfxMessageBox(failure, MsgButtons::OK, MsgIcon::Error);
        return;
    }
    TheUi().FileWritten(path);
    LoadBmpFile(path);
    InvalidateView(true);
}

}  // namespace vantor
