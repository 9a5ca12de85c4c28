// The batch write: File Write Start with its explanation, output folder, confirmation
// and start number, and the write step that turns each slide into a framed JPEG or
// BMP file in the output folder. The run itself is the show's loop (SlideShow.cpp).
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "batch/Compose.h"
#include "batch/OutputFolder.h"
#include "imaging/BmpCodec.h"
#include "imaging/JpegFile.h"
#include "imaging/PictureDecoders.h"
#include "platform/FileSystem.h"
#include "platform/Format.h"
#include "platform/PictureFormats.h"
#include "platform/Ui.h"
#include "viewer/CVantorView.h"
#include "viewer/Dialogs.h"

namespace vantor {

namespace {

constexpr const char* kAtFirst = "at First";
constexpr const char* kDummyName = "MFC_DUMMY.JPG";
constexpr const char* kTempBmpName = "MFC_DUMMY.BMP";
// The last suffix number the free-name search tries.
constexpr unsigned kLastSuffix = 9989;
constexpr const char* kNotWritten = "! m_buf は NULL です。書き込みは失敗しています!\n 中止しますか?";
constexpr const char* kWriteError = "Write Error...中止しますか?";
// Said under the name in the window, and as the reason on the command line.
constexpr const char* kAllNamesTaken =
    "This name and all its 9989 numbered names (~(1) to ~9989) are taken: nothing was written.";
constexpr const char* kAllNamesTakenReason = "the name and all its 9989 numbered names (~(1) to ~9989) are taken";

// Anything at the path takes the name: a file, a folder, a FIFO, a link (even a
// dangling one, which a write would follow).
bool NameTaken(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool IsRegularOrMissing(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return true;  // the loader reports a missing file
    return S_ISREG(st.st_mode);
}

std::string Suffix(unsigned n) {
    if (n <= 9) return Format("~(%u)", n);
    if (n <= 99) return Format("~0%02u", n);
    if (n <= 999) return Format("~%03u", n);
    return Format("~%04u", n);
}

// The size a picture's header declares, read quietly; false when it cannot be read.
bool HeaderSize(PictureKind kind, const std::string& path, std::uint32_t& width, std::uint32_t& height) {
    switch (kind) {
        case PictureKind::Jpeg: return JpegFile::ReadDimensions(path, width, height).Ok();
        case PictureKind::Bmp: return BmpCodec::ReadDimensions(path, width, height).Ok();
        default: break;
    }
    const std::optional<PictureCodec> codec = CodecFor(kind);
    if (!codec) return false;
    const PictureSize size = ReadPictureSize(*codec, path);
    width = size.width;
    height = size.height;
    return size.outcome.Ok();
}

// Why a slide gave no picture to write, in plain words.
std::string WhyNoPicture(const std::string& path) {
    const PictureFormat* format = FormatOf(path);
    if (format == nullptr) return NotAPictureName();
    if (!format->decoded) return std::string(format->name) + " pictures are not supported";
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return std::strerror(EISDIR);
    if (!S_ISREG(st.st_mode)) return "not a regular file";
    if (::access(path.c_str(), R_OK) != 0) return std::strerror(errno);
    // A picture above the cap is refused for the size its header declares, before
    // any memory is asked for: never an "out of memory".
    std::uint32_t width = 0, height = 0;
    if (HeaderSize(format->kind, path, width, height) && std::uint64_t{width} * height > kMaxPicturePixels)
        return TooLargeReason(width, height);
    return std::string("not a readable ") + format->name + " picture";
}

// Why an output file was not stored, in plain words: the system's own reason.
std::string WhyNotStored(const SafeWrite& out, bool encoded) {
    if (!encoded) return "could not be encoded";
    const char* what = out.Created() ? "could not be written: " : "could not be created: ";
    return what + std::string(std::strerror(out.Error() != 0 ? out.Error() : EIO));
}

// The frame a slide is written into, for the choice of its DCT reduction: width,
// height and the scale mode.
JpegPrefetch::ScaleContext WriteFrame(std::uint32_t width, std::uint32_t height, std::int32_t scaleMode) {
    return {width, height, static_cast<std::uint32_t>(scaleMode)};
}

// Picks the smallest DCT reduction whose picture still covers the frame (or the
// whole picture, when it is smaller), so the stretch only ever shrinks a faithful
// picture; the fitted size is never larger than that. The straight mode writes the
// picture's own pixels: full size. A pure function of the size and the frame, so
// a decode on the second thread picks exactly what the first would.
unsigned ChooseWriteScale(std::uint32_t width, std::uint32_t height, const void* context) {
    const auto& [frameWidth, frameHeight, scaleMode] = *static_cast<const JpegPrefetch::ScaleContext*>(context);
    if (scaleMode == 1) return 8;
    return CoveringScale(width, height, std::min(width, frameWidth), std::min(height, frameHeight));
}

}  // namespace

void CVantorView::OnFileWriteStart() {
    Ui& ui = TheUi();
    m_slides.UseAllWhenFull();
    AfxMessageBox(
        "これから選択されているSLIDE_FILEを任意folderに書き込みます。\n"
        " Scale設定 -> 書き込み対象folder設定の順にパラメータを設定してください。\n"
        " dafaultは800*600のグレーの矩形に縦横 fit させ出力させます(大->縮小/小そのまま)。\n"
        " jpeg or bmp 出力の設定可\n"
        " originalの大きさで出力の時は そのまま(staright) / 他 小->大mode ひずみ変形mode 有り。");
    OnScale();  // OK or Cancel, the setup goes on
    m_writeMode = 1;
    ChooseOutputFolder();
    if (m_writeMode == 0) return;
    const std::string text = "選択された output folder  \r" + m_outFolder + " に\r　書込み処理を実行します。";
    if (ui.MessageBox(text, "Output Folder 選択終了", MsgButtons::OKCancel, MsgIcon::None) == IDCANCEL) {
        m_writeMode = 0;
        return;
    }
    m_writeMode = 0;
    m_jumpTarget = m_slideNo;
    m_writtenCountShown = m_writtenCount;
    CJumpDialog dlg;
    dlg.m_jumpNo = static_cast<std::int32_t>(m_jumpTarget);
    dlg.m_writtenNo = static_cast<std::int32_t>(m_writtenCountShown);
    if (ui.DoModal(dlg) != IDOK) return;
    m_writtenCountShown = static_cast<std::uint32_t>(dlg.m_writtenNo);
    m_writtenCount = m_writtenCountShown;
    m_writeMode = 1;
    m_jumpTarget = static_cast<std::uint32_t>(dlg.m_jumpNo);
    StartWriteRun();
}

void CVantorView::ChooseOutputFolder() {
    m_writeSourcePath = kAtFirst;
    FileDialogOptions options;
    options.kind = FileDialogOptions::Kind::Save;
    options.title = "( Decide Output Folder )書込先 Directory 取得。MFC_DUMMY.JPGは dummy なのでOKしてください。";
    options.defaultExt = kDummyName;
    options.initialName = kDummyName;
    options.filter = "JPG File (*.JPG)|*.JPG|BMP (*.BMP)|*.BMP|GIF (*.GIF)|*.GIF|All files (*.*)|*.*||";
    const std::vector<std::string> chosen = TheUi().FileDialog(options);
    if (chosen.empty()) {
        m_writeMode = 0;
        TheUi().MessageBox(
            "Decide Out Directory / Try Again   \r書込先 Directoryを決定してください。\r"
            "もう一度File Write Startを実行してください。",
            "書込み先ﾌｫﾙﾀﾞ取得失敗!!", MsgButtons::OK, MsgIcon::None);
        return;
    }
    // The folder is the chosen path without the chosen name: whatever name was typed,
    // nothing is ever written under it.
    const std::string& path = chosen.front();
    const std::size_t slash = path.rfind(kPathSeparator);
    const std::size_t nameLength = slash == std::string::npos ? path.size() : path.size() - slash - 1;
    m_outFolder = path.substr(0, path.size() - nameLength);
    m_tempBmpPath = m_outFolder + kTempBmpName;
    if (IsRootFolder(m_outFolder)) {
        TheUi().MessageBox("output folder に drive/root_path は指定できません。\r 任意の folder を指定してください｡",
                           " !!! try_again !!! ", MsgButtons::OK, MsgIcon::None);
        m_writeMode = 0;
    }
}

void CVantorView::StartWriteRun() {
    // A start number past the list is taken as the last slide.
    m_jumpTarget = std::min(m_jumpTarget, m_slides.m_slideCount);
    m_slideNo = m_jumpTarget;
    m_lastStepSlide = 0;
    RunLoop(true);
}

void CVantorView::LoadWriteSource(const std::string& path) {
    m_buf.Clear();
    const JpegPrefetch::ScaleContext frame =
        WriteFrame(m_output.m_maxWidth, m_output.m_maxHeight, m_output.m_outScaleMode);
    if (PictureKindOf(path) == PictureKind::Jpeg) {  // decoded at the write's scale; opens regular files only
        // No picture, no size: nothing of it is drawn or written.
        if (!LoadJpegScaled(path, &ChooseWriteScale, frame) && !m_buf) m_buf.Replace(RgbBuffer(), 0, 0);
    } else if (!IsDecodedPicture(path) || IsRegularOrMissing(path)) {
        // Only regular files are read: a FIFO or a device named like a picture would
        // block the run; it is reported like a picture that did not load. A format
        // without a decoder only has its loader say so.
        LoadByEnding(path);
    }
    PrefetchNextSlide(&ChooseWriteScale, frame);
}

void CVantorView::WriteStep() {
    Ui& ui = TheUi();
    // Every entry is written once a run, a picture listed twice included; only a
    // pass that lands on the entry of the last step again (a jump back by one, a
    // step forward and back at once) leaves it. A halted run composes the slide
    // again on every pass without writing it.
    if (m_slideNo == m_lastStepSlide && m_haltState != kHaltHalted) return;
    const std::uint32_t entry = m_slideNo;
    ui.UpdateWindow();
    const std::string path = m_curSlidePath;
    const bool supported = FormatOf(path) != nullptr;
    if (supported) LoadWriteSource(path);
    // A slide without a picture is never written: no empty frame stands for it.
    const bool missing = !m_buf;
    if (supported && !missing) ConvertAndWriteSlide();
    ui.EndWaitCursor();
    if ((!supported || (missing && m_slideNo != 0)) && ReportUnwritten(path, WhyNoPicture(path), {kNotWritten, path}))
        return;
    InvalidateView(false);
    m_lastShownPath = m_curSlidePath;
    m_lastStepSlide = entry;  // a failure may have moved the slide number on
}

bool CVantorView::ReportUnwritten(const std::string& path, const std::string& reason,
                                  const std::vector<std::string>& boxes, bool ask) {
    Ui& ui = TheUi();
    ui.WriteOutcome(path, reason);
    return ui.CanAsk() && TellSlideFailed(boxes, ask);
}

void CVantorView::ConvertAndWriteSlide() {
    SlideOutput output;
    if (!PrepareSlideOutput(output)) return;
    if (!m_deferStore) {
        StoreSlideOutput(output, true);
        return;
    }
    // A worker of a parallel write: the frame of a BMP goes along with the rest.
    if (m_output.m_outFileType == OutputSettings::kOutBmp) output.frame = m_buf.Release(output.width, output.height);
    m_deferred = std::move(output);
}

bool CVantorView::PrepareSlideOutput(SlideOutput& output) {
    Ui& ui = TheUi();
    const int bottom = ui.ClientSize().cy;
    ComputeFit();

    // What the view shows about the run: the file written last (the slide itself
    // before the first), its size and date, and the status panes. The texts take the
    // paint's colours, each on a cell of the screen around the picture, so a text
    // drawn again over itself stays as sharp as the first.
    const Backdrop backdrop = ScreenBackdrop();
    if (m_writeSourcePath == kAtFirst) m_writeSourcePath = m_strFile;
    ClientTextOut(2, bottom - 40, m_writeSourcePath, backdrop.text, backdrop.band);
    if (m_progressMode == kProgressFull) {
        std::uint64_t size = 0;
        std::time_t modified = 0;
        if (FileSizeAndTime(m_writeSourcePath, size, modified)) {
            char when[32] = {};
            ctime_r(&modified, when);
            when[24] = '\0';
            ClientTextOut(0, bottom - 80,
                          Format("(%s %s %llu %s )", "Write_Size:", "", static_cast<unsigned long long>(size), "bytes"),
                          backdrop.text, backdrop.band);
            ClientTextOut(0, bottom - 60, Format("(%s %s %s %s )", "Write_Date:", "", when, ""), backdrop.text,
                          backdrop.band);
        }
    }
    m_statusPhase = m_statusPhase == 0 ? 1 : 0;
    if (m_progressMode < kProgressNone) {
        SetStatusPanes(Format("( %s   %d x %d  %d / %d  %s  %s %d )", m_statusPhase == 0 ? "○" : "●", m_width, m_height,
                              m_slideNo, m_slides.m_slideCount, m_strFile.c_str(), StateText(), m_haltState));
    }

    ComposeOutputImage();
    if (!m_buf) {
        ReportUnwritten(m_curSlidePath, "out of memory",
                        {"Unable to allocate DIB memory", "書き込み処理を中止します。"}, false);
        // The window's boxes tell the user that the run ends after the next slide.
        // Nobody is told so on the command line, where every picture still gets its
        // turn and its line: the next one, holding less memory for its own picture
        // while the frame is asked for, may well fit.
        if (ui.CanAsk()) m_slideNo = m_slides.m_slideCount - 1;
        return false;
    }
    if (m_output.m_outScaleMode != OutputSettings::kScaleAsIs) {
        constexpr Rgb kGreen{0, 255, 0};
        ClientTextOut(10, static_cast<int>(m_height) - 20, Format("(%d x %d)", m_width, m_height), kGreen,
                      backdrop.band);
    }

    // a.jpg (a.jpeg, a.jpe) is written as a.JPG or a.BMP.
    const std::size_t slash = m_strFile.rfind(kPathSeparator);
    output.slidePath = m_curSlidePath;
    output.name = slash == std::string::npos ? m_strFile : m_strFile.substr(slash + 1);
    if (m_output.m_outFileType == OutputSettings::kOutJpeg || m_output.m_outFileType == OutputSettings::kOutBmp)
        output.name = WrittenName(output.name, m_output.m_outFileType == OutputSettings::kOutJpeg ? "JPG" : "BMP");
    if (m_haltState == kHaltHalted) return false;  // halted: the slide is shown again, nothing is written
    if (m_output.m_outFileType == OutputSettings::kOutJpeg && EndsWithNoCase(output.name, ".JPG"))
        EncodeSlideJpeg(true, output.jpeg);
    return true;
}

void CVantorView::StoreSlideOutput(SlideOutput& output, bool reload) {
    Ui& ui = TheUi();
    const std::string& outName = output.name;
    const bool jpg = m_output.m_outFileType == OutputSettings::kOutJpeg && EndsWithNoCase(outName, ".JPG");
    const bool bmp = m_output.m_outFileType == OutputSettings::kOutBmp && EndsWithNoCase(outName, ".BMP");

    const std::string candidate = FreeOutputName(m_outFolder, outName);
    if (candidate.empty()) {
        // Every name is taken: nothing is overwritten, the slide is reported instead.
        const std::string name = m_outFolder + outName;
        ReportUnwritten(name, kAllNamesTakenReason, {name + "\n" + kAllNamesTaken});
        return;
    }

    // The file gets its name only once it is whole, and only a name still free
    // then: one taken since the search (by another writer into the folder, or by a
    // link swapped in) is passed over for the next free one.
    SafeWrite out;
    out.NewNamesOnly([&] { return FreeOutputName(m_outFolder, outName); });
    bool written = false;
    if (jpg) {
        written = WriteSlideJpeg(out, candidate, output.jpeg);
        if (!written) ReportUnwritten(candidate, WhyNotStored(out, !output.jpeg.empty()), {kWriteError, candidate});
    } else if (bmp) {
        const std::string failure =
            output.frame ? BmpCodec().SaveRgb(out, candidate, output.frame.get(), output.width, output.height)
                         : BmpCodec().SaveRgb(out, candidate, m_buf.get(), m_width, m_height);
        written = failure.empty();
        if (!written) {
            AfxMessageBox(failure, MsgButtons::OK, MsgIcon::Error);
            ReportUnwritten(candidate, WhyNotStored(out, true), {}, false);  // the run goes on
        }
    }
    if (written) {
        ui.FileWritten(out.Path());
        // The window shows what it wrote; on the command line nobody would see it.
        if (reload && ui.CanAsk()) {
            if (jpg)
                LoadJpegFile(out.Path());
            else
                LoadBmpFile(out.Path());
        }
        m_strFile = out.Path();
        ++m_writtenCount;
        ui.WriteOutcome(output.slidePath, {});  // any box shown meanwhile was a warning
    }
    m_writeSourcePath = m_strFile;
}

void CVantorView::ComposeOutputImage() {
    // Straight: the slide's own pixels at its own size, decoded whole.
    if (m_output.m_outScaleMode == OutputSettings::kScaleAsIs) return;
    const std::uint32_t W = m_output.m_maxWidth, H = m_output.m_maxHeight;
    std::uint32_t x = 0, y = 0, w = W, h = H;
    if (m_output.m_dispScaleMode == OutputSettings::kPlaceFitted) {
        w = m_fit.m_fitWidth;
        h = m_fit.m_fitHeight;
        x = (W + 1 - w) / 2;
        y = (H + 1 - h) / 2;
    }
    PixelBlock frame = m_buf.Memory().Take(std::uint64_t{W} * H * 3);
    if (!frame) {
        m_buf.Replace(RgbBuffer(), 0, 0);
        return;
    }
    ComposeFrame(m_buf.get(), m_buf.PixelWidth(), m_buf.PixelHeight(), frame.get(), W, H, x, y, w, h,
                 OutputBackground(m_output.m_outBackColor));
    m_buf.Replace(std::move(frame), W, H);
}

bool CVantorView::EncodeSlideJpeg(bool color, std::vector<std::uint8_t>& bytes) {
    if (!m_buf) {
        AfxMessageBox("No Image!");
        return false;
    }
    // One write at the chosen quality leaves the same file as a write at 75 followed
    // by a rewrite at the chosen quality.
    const int quality = JpegQualityFor(m_output.m_jpegQualityIndex);
    const CurrentPicture::FileOrder fileOrder(m_buf);
    return JpegFile::EncodeRgb(fileOrder.get(), m_buf.PixelWidth(), m_buf.PixelHeight(), color, quality, bytes);
}

bool CVantorView::WriteSlideJpeg(SafeWrite& out, const std::string& path, const std::vector<std::uint8_t>& bytes) {
    // A failure is the caller's to report: the boxes, or one line on the command line.
    return JpegFile::SaveEncoded(out, path, bytes);
}

std::string CVantorView::FreeOutputName(const std::string& folder, const std::string& name) {
    std::string candidate = folder + name;
    if (!EndsWithNoCase(name, ".JPG") && !EndsWithNoCase(name, ".BMP")) return candidate;
    const std::string ext = name.substr(name.size() - 4);
    const std::string stem = name.substr(0, name.size() - 4);
    for (unsigned n = 0;; ++n) {
        if (n > 0) candidate.assign(folder).append(stem).append(Suffix(n)).append(ext);
        if (!NameTaken(candidate)) return candidate;
        if (n == kLastSuffix) return {};
    }
}

}  // namespace vantor
