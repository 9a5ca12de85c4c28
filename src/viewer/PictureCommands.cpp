// The single-picture commands of the File menu: open a picture, save the current
// one as colour or grayscale JPEG, 24-bit or colour-mapped BMP (or GIF, which has
// no writer), and read a picture file's size.
#include <cstdio>
#include <memory>

#include "imaging/BmpCodec.h"
#include "imaging/ColorQuantizer.h"
#include "imaging/JpegFile.h"
#include "imaging/PictureDecoders.h"
#include "imaging/QuantizeDialogs.h"
#include "platform/PictureFormats.h"
#include "platform/Ui.h"
#include "viewer/CVantorView.h"
#include "viewer/DecodeMessages.h"

namespace vantor {

namespace {

constexpr const char* kSaveRgbFilter =
    "JPG File (*.JPG)|*.JPG|GIF File (*.GIF)|*.GIF|BMP (*.BMP)|*.BMP|All files (*.*)|*.*||";
constexpr const char* kJpegFilter = "JPG File (*.JPG)|*.JPG|All files (*.*)|*.*||";
constexpr const char* kBmpFilter = "BMP (*.BMP)|*.BMP|All files (*.*)|*.*||";

// Shows the wait cursor for its lifetime, so every way out ends it.
class WaitCursor {
public:
    WaitCursor() { TheUi().BeginWaitCursor(); }
    ~WaitCursor() { TheUi().EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

std::string ChooseFile(FileDialogOptions::Kind kind, const char* title, const char* defaultExt,
                       const std::string& initialName, const std::string& filter) {
    FileDialogOptions options;
    options.kind = kind;
    options.title = title;
    options.defaultExt = defaultExt;
    options.initialName = initialName;
    options.filter = filter;
    options.mustExist = kind == FileDialogOptions::Kind::Open;
    options.confirmOverwrite = kind == FileDialogOptions::Kind::Save;
    const auto paths = TheUi().FileDialog(options);
    return paths.empty() ? std::string() : paths.front();
}

}  // namespace

std::string CVantorView::ProposedSaveName(const std::string& current, const char* extension) {
    const auto slash = current.find_last_of('/');
    std::string name = slash == std::string::npos ? current : current.substr(slash + 1);
    // A picture of a format no save writes is proposed under the save's ending.
    if (CodecFor(PictureKindOf(name))) return WrittenName(name, extension);
    // Only the upper-case endings are rewritten; a lower-case name is left as it is.
    if (name.size() >= 4) {
        const std::string ending = name.substr(name.size() - 4);
        if (ending == ".BMP" || ending == ".JPG") name.replace(name.size() - 3, 3, extension);
    }
    return name;
}

void CVantorView::OnOpenImage() {
    const std::string path =
        ChooseFile(FileDialogOptions::Kind::Open, "File to load", "*.JPG", "*.JPG", PictureFilter(FilterRows::All));
    if (!path.empty()) {
        WaitCursor wait;
        m_strFile = path;
        OpenByEnding(path);
    }
    InvalidateView(true);
}

void CVantorView::OnSaveRgbAs() {
    const std::string path = ChooseFile(FileDialogOptions::Kind::Save, "File to save as", "*.JPG",
                                        ProposedSaveName(m_strFile, "JPG"), kSaveRgbFilter);
    if (path.empty()) return;
    WaitCursor wait;
    switch (PictureKindOf(path)) {
        case PictureKind::Jpeg: SaveJpegFile(path, true); break;
        case PictureKind::Bmp: SaveBmpFile(path); break;
        case PictureKind::Gif: SaveGifFile(path); break;
        default: break;  // no writer: nothing is saved
    }
}

void CVantorView::OnSaveGrayscaleJpeg() {
    const std::string path = ChooseFile(FileDialogOptions::Kind::Save, "File to save as grayscale", "*.JPG",
                                        ProposedSaveName(m_strFile, "JPG"), kJpegFilter);
    if (path.empty()) return;
    WaitCursor wait;
    if (PictureKindOf(path) == PictureKind::Jpeg) SaveJpegFile(path, false);
}

void CVantorView::OnGetJpgDimensions() {
    const std::string path =
        ChooseFile(FileDialogOptions::Kind::Open, "File to examine", "*.JPG", "*.JPG", kJpegFilter);
    if (path.empty()) return;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // A picture of the other formats a decoder reads gives its header's size, or why not.
    const PictureKind kind = PictureKindOf(path);
    if (const std::optional<PictureCodec> codec = CodecFor(kind)) {
        const PictureSize size = ReadPictureSize(*codec, path);
        if (!size.outcome.Ok()) {
            ShowDecodeOutcome(size.outcome, kind);
            return;
        }
        width = size.width;
        height = size.height;
    } else if (const DecodeOutcome outcome = JpegFile::ReadDimensions(path, width, height); !outcome.Ok()) {
        ShowDecodeOutcome(outcome, PictureKind::Jpeg);
        AfxMessageBox("JPEG Error");
        return;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%d %d", static_cast<int>(width), static_cast<int>(height));
    AfxMessageBox(text);
}

void CVantorView::OnSaveColormappedbmp() {
    if (!m_buf) {
        AfxMessageBox("No Image!");
        return;
    }
    const std::string path = ChooseFile(FileDialogOptions::Kind::Save, "File to save as", "*.BMP",
                                        ProposedSaveName(m_strFile, "BMP"), kBmpFilter);
    if (path.empty()) return;
    CBitsDialog bitsDialog;
    if (TheUi().DoModal(bitsDialog) != IDOK) return;
    const int bits = bitsDialog.m_bits == 1 || bitsDialog.m_bits == 4 ? bitsDialog.m_bits : 8;

    WaitCursor wait;
    if (!m_buf.MakeFull()) return;  // every pixel of the picture, not the screen's share
    const unsigned levels = 1u << bits;
    const std::uint64_t pixels = static_cast<std::uint64_t>(m_width) * m_height;
    std::unique_ptr<std::uint8_t[]> indices;
    std::uint8_t palette[256 * 4] = {};
    bool gray = bits != 8;
    if (bits == 8) {
        CQuantizeDialog quantize;
        if (TheUi().DoModal(quantize) != IDOK) return;
        gray = quantize.m_colorMode == 0;
        if (!gray) {
            indices = AllocBytes(pixels);
            if (!indices) {
                AfxMessageBox("Memory Error in OnSaveColormappedbmp!");
                return;
            }
            std::uint8_t planes[768];
            if (!ColorQuantizer::QuantizeImage(m_buf.get(), indices.get(), m_width, m_height, quantize.m_paletteColors,
                                               planes)) {
                AfxMessageBox("Quantization error");
                return;
            }
            // The buffer is blue, green, red: the quantiser's channel 0 is blue.
            for (unsigned i = 0; i < 256; ++i) {
                palette[i * 4 + 0] = planes[512 + i];
                palette[i * 4 + 1] = planes[256 + i];
                palette[i * 4 + 2] = planes[i];
            }
        }
    }
    if (gray) {
        PaletteEntry grays[256];
        indices = MakeGrayIndexImage(m_buf.get(), m_width, m_height, m_width * 3, levels, PixelOrder::Display, grays);
        if (!indices) {
            AfxMessageBox("Failed to allocate space for RGB buffer");
            return;
        }
        for (unsigned i = 0; i < levels; ++i) {
            for (int c = 0; c < 3; ++c) palette[i * 4 + c] = grays[i].c[c];
        }
    }

    ShowSavedBmp(
        BmpCodec().SaveIndexed(path, indices.get(), m_width, m_height, bits, static_cast<int>(levels), palette), path);
}

void CVantorView::SaveJpegFile(const std::string& path, bool color) {
    if (!m_buf) {
        AfxMessageBox("No Image!");
        return;
    }
    if (!m_buf.MakeFull()) return;  // every pixel of the picture, not the screen's share
    // One write at the chosen quality: a second write over the first could only
    // leave a broken file where a good one was.
    const int quality = JpegQualityFor(m_output.m_jpegQualityIndex);
    bool written = false;
    {
        const CurrentPicture::FileOrder fileOrder(m_buf);  // the order the codec writes
        written = JpegFile::SaveFromRgb(path, fileOrder.get(), m_width, m_height, color, quality);
    }
    if (!written) {
        AfxMessageBox("Write Error");
        AfxMessageBox(path);
        return;
    }
    TheUi().FileWritten(path);
    // Shows the picture as stored, with the losses of the encoding.
    LoadJpegFile(path);
    InvalidateView(true);
}

void CVantorView::SaveGifFile(const std::string& path) {
    (void)path;  // there is no GIF writer
    if (!m_buf) {
        AfxMessageBox("No Image!");
        return;
    }
    CQuantizeDialog quantize;
    if (TheUi().DoModal(quantize) != IDOK) return;
    if (!m_buf.MakeFull()) return;

    // What is made of the picture in file order comes to nothing but a word.
    const char* outcome = "No GIF support";
    {
        const CurrentPicture::FileOrder fileOrder(m_buf);
        std::unique_ptr<std::uint8_t[]> indices;
        if (quantize.m_colorMode != 0) {
            indices = AllocBytes(static_cast<std::uint64_t>(m_width) * m_height);
            std::uint8_t planes[768];
            if (!indices) {
                outcome = "Alloc error in SaveGIF!";
            } else if (!ColorQuantizer::QuantizeImage(fileOrder.get(), indices.get(), m_width, m_height,
                                                      quantize.m_paletteColors, planes)) {
                outcome = "Quantization error";
            }
        } else {
            PaletteEntry grays[256];
            indices = MakeGrayIndexImage(fileOrder.get(), m_width, m_height, m_width * 3, 256, PixelOrder::File, grays);
            if (!indices) outcome = "Failed to make 256 color image";
        }
    }
    AfxMessageBox(outcome);
}

}  // namespace vantor
