// The view's file loaders: the only way a file becomes the current picture.
// Each frees the previous picture first and leaves m_buf either empty or in
// display order with m_width x m_height pixels.
#include <cstdio>
#include <memory>

#include "imaging/BmpCodec.h"
#include "imaging/JpegFile.h"
#include "platform/FileSystem.h"
#include "platform/Ui.h"
#include "viewer/CVantorView.h"

namespace vantor {

namespace {

// A file larger than this cannot hold a picture the decoders accept.
constexpr std::uint64_t kMaxBitmapFileBytes = std::uint64_t{1} << 30;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

void CVantorView::LoadJpegFile(const std::string& path) {
    // The picture this load replaces, when it is still the one the last JPEG load
    // left (so its size is known): the next slide decoded ahead may reuse it.
    RgbBuffer previous = std::move(m_buf);
    const bool reusable = previous && m_bufGeneration == m_jpegBufGeneration;
    ++m_bufGeneration;
    m_shrunk.reset();
    // A slide decoded while the one before was on screen, if it is this very file
    // as it is now: the same pixels the load below would give. A file that failed
    // there, warned or changed since is loaded below, and only then reported.
    if (auto ahead = m_nextSlide.Take(path)) {
        // The picture it replaces is the buffer the following one is decoded into.
        if (reusable) m_nextSlide.Recycle(std::move(previous), m_jpegBufBytes);
        NoteJpegPath(path);
        m_width = ahead->width;
        m_height = ahead->height;
        m_buf = std::move(ahead->pixels);
        if (ahead->shrunk) {
            m_shrunk = std::move(ahead->shrunk);
            m_shrunkImage = DibImage{m_shrunk.get(), ahead->shrunkWidth, ahead->shrunkHeight,
                                     PaddedRowLength(ahead->shrunkWidth), m_bufGeneration | std::uint64_t{1} << 63};
            m_shrunkGeneration = m_bufGeneration;
        }
    } else {
        previous.reset();
        // Decoded straight into display order: the same pixels as reading in file
        // order and converting, without the second pass over a large picture.
        m_buf = JpegFile::LoadToDisplay(path, m_width, m_height);
    }
    m_jpegBufGeneration = m_bufGeneration;
    m_jpegBufBytes = std::uint64_t{m_width} * m_height * 3;
}

void CVantorView::LoadBmpFile(const std::string& path) {
    m_buf.reset();
    ++m_bufGeneration;
    BmpCodec codec;
    int needsFallback = 0;
    m_buf = codec.ProbeLoad(path, m_width, m_height, needsFallback);
    if (needsFallback == 1) {
        m_buf.reset();
        LoadBmpThroughFallback(path);
    } else if (!m_buf || codec.m_status != "OK") {
        // The probe already read the whole picture when it succeeded; only a
        // failure is read again, for the reader's own message.
        m_buf.reset();
        BmpCodec reporter;
        m_buf = reporter.Load(path, m_width, m_height);
        if (!m_buf || reporter.m_status != "OK") {
            m_buf.reset();
            AfxMessageBox(reporter.m_status);
            return;
        }
    }
    ToggleOrder(m_buf.get(), m_width, m_height);
}

void CVantorView::LoadBmpThroughFallback(const std::string& path) {
    Ui& ui = TheUi();
    std::unique_ptr<std::FILE, FileCloser> file(OpenRegularFile(path));
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
    switch (DecodeBmpFallback(bytes.data(), bytes.size(), decoded)) {
        case BmpDecodeResult::Ok:
            m_width = decoded.width;
            m_height = decoded.height;
            m_buf = std::move(decoded.pixels);
            break;
        case BmpDecodeResult::NotABitmap:
            break;  // not a bitmap at all, or cut short: nothing to show, nothing to say
        case BmpDecodeResult::NegativeSize:
            AfxMessageBox("File DIB Too Big for reading3 :\n" + path);
            break;
        case BmpDecodeResult::TooLarge:
            AfxMessageBox("m_buf nothing Write Error ni naruyo!!!");
            break;
        case BmpDecodeResult::Unsupported:
            AfxMessageBox("File/DIB CANNOT LOAD for reading5 :\n" + path);
            break;
    }
}

void CVantorView::LoadGifFile(const std::string& path) {
    (void)path;
    m_buf.reset();
    ++m_bufGeneration;
    AfxMessageBox("No GIF support");
}

void CVantorView::SaveBmpFile(const std::string& path) {
    if (!m_buf) {
        AfxMessageBox("No Image!");
        return;
    }
    BmpCodec codec;
    codec.SaveRgb(path, m_buf.get(), m_width, m_height);
    if (codec.m_status != "OK") {
        AfxMessageBox(codec.m_status, MsgButtons::OK, MsgIcon::Error);
        return;
    }
    TheUi().FileWritten(path);
    LoadBmpFile(path);
    InvalidateView(true);
}

}  // namespace vantor
