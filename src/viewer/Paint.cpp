// Fitting the current picture into the frame, and the view's paint.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/FileSystem.h"
#include "platform/Format.h"
#include "platform/Ui.h"
#include "viewer/CVantorView.h"

namespace vantor {

CVantorView::Fit CVantorView::FitPicture(std::uint32_t width, std::uint32_t height, std::uint32_t maxWidth,
                                         std::uint32_t maxHeight, std::int32_t outScaleMode) {
    // Ratios are fixed point, in units of 1/100000, as the stored m_fitRatio is.
    // Everything is computed in 64 bits: a picture up to the codecs' cap times K
    // overflows 32 bits, and a wrapped ratio of 0 would divide by zero.
    constexpr std::uint64_t K = 100000;
    const std::uint64_t w = width, h = height, W = maxWidth, H = maxHeight;
    const std::uint64_t Wp = W + 1, Hp = H + 1;
    // A ratio is at least 1: a picture of width 0 (none has one) must not divide by zero.
    auto ratio = [](std::uint64_t num, std::uint64_t den) {
        return std::max<std::uint64_t>(1, num / std::max<std::uint64_t>(1, den));
    };
    Fit fit;
    fit.m_fitFrameWidth = static_cast<std::uint32_t>(Wp);
    fit.m_fitFrameHeight = static_cast<std::uint32_t>(Hp);
    fit.m_fitSrcWidth = width;
    fit.m_fitSrcHeight = height;
    std::uint64_t rw = w, rh = h;
    std::uint64_t r = 1;
    if (outScaleMode == OutputSettings::kScaleAsIs) {
        // as is: no clamp
    } else if (outScaleMode == OutputSettings::kScaleStretch) {
        fit.m_fitSrcWidth = static_cast<std::uint32_t>(Wp);
        fit.m_fitSrcHeight = static_cast<std::uint32_t>(Hp);
        rw = W;
        rh = H;
    } else {
        // The frame test is "more than one pixel over": a picture one pixel wider
        // or taller is only clamped below.
        if (w > Wp) {
            r = ratio(w * K, Wp);
            rw = W;
            rh = (h * K) / r;
            if (rh > Hp) {
                r = ratio(rh * K, Hp);
                rw = (W * K) / r;
                rh = H;
            }
        } else if (h > Hp) {
            r = ratio(h * K, Hp);
            rw = (w * K) / r;
            rh = H;
        } else if (outScaleMode == 2 && w < Wp) {
            const std::uint64_t r0 = ratio(w * K, Wp);
            if ((h * K) / r0 <= Hp) {
                r = ratio(w * K, W);
                rw = W;
                rh = (h * K) / r;
            } else {
                r = ratio(h * K, H);
                rw = (w * K) / r;
                rh = H;
            }
        }
        rw = std::min(rw, W);
        rh = std::min(rh, H);
    }
    fit.m_fitWidth = static_cast<std::uint32_t>(rw);
    fit.m_fitHeight = static_cast<std::uint32_t>(rh);
    // The stored ratio is 32 bits; only a picture far wider than any frame exceeds it.
    fit.m_fitRatio = static_cast<std::uint32_t>(std::min<std::uint64_t>(r, 0xFFFFFFFFu));
    return fit;
}

unsigned CVantorView::ChooseDisplayScale(std::uint32_t width, std::uint32_t height, const void* frame) {
    const auto& [maxWidth, maxHeight, mode] = *static_cast<const JpegPrefetch::ScaleContext*>(frame);
    const Fit fit = FitPicture(width, height, maxWidth, maxHeight, static_cast<std::int32_t>(mode));
    // Pixels beyond the picture's own are never decoded: an enlarged fit takes it whole.
    return CoveringScale(width, height, std::min(fit.m_fitWidth, width), std::min(fit.m_fitHeight, height));
}

JpegPrefetch::ShownSize CVantorView::DisplayFit(std::uint32_t width, std::uint32_t height, const void* frame) {
    const auto& [maxWidth, maxHeight, mode] = *static_cast<const JpegPrefetch::ScaleContext*>(frame);
    const Fit fit = FitPicture(width, height, maxWidth, maxHeight, static_cast<std::int32_t>(mode));
    return {fit.m_fitWidth, fit.m_fitHeight};
}

JpegPrefetch::ScaleContext CVantorView::DisplayFrame() const {
    const auto mode = static_cast<std::uint32_t>(m_output.m_outScaleMode);
    if (!m_fitWindow && !m_fullScreen) return {m_output.m_maxWidth, m_output.m_maxHeight, mode};
    // Full screen fits into the whole screen, to its edges; Fit to Window keeps a margin.
    const Size client = TheUi().ClientSize();
    const std::int64_t margin = m_fullScreen ? 0 : kWindowMargin;
    const auto inside = [margin](int side) {
        return static_cast<std::uint32_t>(std::max<std::int64_t>(1, std::int64_t{side} - 2 * margin));
    };
    return {inside(client.cx), inside(client.cy), mode};
}

CVantorView::Layout CVantorView::LayOut(int cx, int cy) {
    const JpegPrefetch::ScaleContext frame = DisplayFrame();
    ComputeFit(frame[0], frame[1]);
    Layout layout;
    std::uint32_t fw = m_fit.m_fitWidth, fh = m_fit.m_fitHeight;
    const double w = std::max<std::uint32_t>(m_width, 1), h = std::max<std::uint32_t>(m_height, 1);
    if (m_zoom > 0) {
        // Every coordinate stays an int, however far a long picture is zoomed.
        constexpr double kLongestSide = 1 << 29;
        fw = static_cast<std::uint32_t>(std::clamp(std::round(w * m_zoom), 1.0, kLongestSide));
        fh = static_cast<std::uint32_t>(std::clamp(std::round(h * m_zoom), 1.0, kLongestSide));
        layout.scale = m_zoom;
    } else {
        layout.scale = std::min(fw / w, fh / h);
    }
    const auto ucx = static_cast<std::uint32_t>(cx), ucy = static_cast<std::uint32_t>(cy);
    std::uint32_t x = (ucx - fw) >> 1;
    std::uint32_t y = (ucy - fh) >> 1;
    if (m_fullScreen) {
        // Centred on the screen; a picture larger than it starts at its edge.
        if (fw > ucx) x = 0;
        if (fh > ucy) y = 0;
    } else if (m_fitWindow) {
        // Centred in the window; a picture kept at its own size that does not fit
        // inside the margins starts at them.
        if (std::uint64_t{fw} + 2 * kWindowMargin > ucx) x = kWindowMargin;
        if (std::uint64_t{fh} + 2 * kWindowMargin > ucy) y = kWindowMargin;
    } else {
        if (x < 30 || static_cast<std::int64_t>(x) > cx / 2 || cx < 800) x = 30;
        if (y < 30 || y > 300 || cy < 600) y = 30;
    }
    layout.picture = {static_cast<int>(x), static_cast<int>(y), static_cast<int>(x + fw), static_cast<int>(y + fh)};
    // A picture cut off by the client area scrolls until the margin before it shows after it too.
    const auto range = [](std::int64_t at, std::int64_t drawn, std::int64_t side) {
        const std::int64_t end = at + drawn;
        return end > side ? static_cast<int>(std::min<std::int64_t>(end + at - side, 1 << 30)) : 0;
    };
    layout.scrollX = range(x, fw, cx);
    layout.scrollY = range(y, fh, cy);
    return layout;
}

void CVantorView::ComputeFit() { ComputeFit(m_output.m_maxWidth, m_output.m_maxHeight); }

void CVantorView::ComputeFit(std::uint32_t maxWidth, std::uint32_t maxHeight) {
    m_fit = FitPicture(m_width, m_height, maxWidth, maxHeight, m_output.m_outScaleMode);
}

namespace {

constexpr Rgb kLightGray{200, 200, 200};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

constexpr const char* kSelected = "件 selectされています";
constexpr const char* kSelectedWithHelp =
    "件 selectされています  When running L Click->halt : L Click again->restart / When halt R Click or "
    "SpaceBar...backward<- : anyKey...forward->";

}  // namespace

std::string DateLine(std::time_t modified) {
    // The fixed 24-character form "Www Mmm dd hh:mm:ss yyyy", rearranged.
    std::tm tm{};
    localtime_r(&modified, &tm);
    char c[32];
    asctime_r(&tm, c);
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int month = 0;
    for (int i = 0; i < 12; ++i) {
        if (std::strncmp(c + 4, kMonths[i], 3) == 0) month = i + 1;
    }
    std::string out;
    out.append(c + 20, 4);  // year
    out += "  ";
    out += Format("%02d", month);
    out += " / ";
    out.append(c + 8, 2);  // day
    out += "  ";
    out.append(c, 3);  // weekday
    out += ' ';
    out.append(c + 11, 8);  // time
    return out;
}

CVantorView::Backdrop CVantorView::ScreenBackdrop() const {
    switch (m_fullScreen ? m_fullScreenBackColor : m_backColor) {
        case kBackWhite: return {true, kWhite, kLightGray};
        case kBackGray: return {true, kLightGray, kWhite};
        case kBackNone: return {false, kWhite, kBlack};
        default: return {true, kBlack, kWhite};
    }
}

void CVantorView::OnDraw(Canvas& canvas) {
    Ui& ui = TheUi();
    if (m_slides.m_slideCount == 0) ui.SetTitle("Vantor - Windows Application for SLIDESHOW");
    const Size client = ui.ClientSize();
    const int bottom = client.cy;
    // Full screen shows the picture alone until the user asks for the texts.
    const bool texts = !m_fullScreen || m_fullScreenTexts;
    const bool full = texts && m_progressMode == kProgressFull;
    const bool some = texts && (m_progressMode == kProgressFull || m_progressMode == kProgressBrief);

    if (full) {
        canvas.TextOut(332, 5, Format(" %s %s %d %s  ", m_strFile.c_str(), "  ", m_slides.m_slideCount, kSelected),
                       kLightGray);
    }

    // Without a picture only the header and the title are drawn.
    if (!m_buf) return;
    // The view scrolls over the picture as drawn: the scroll moves it, whole.
    const Layout layout = LayOut(client.cx, client.cy);
    ui.SetScrollRange({layout.scrollX, layout.scrollY});
    const Point scroll = ui.ScrollPosition();
    const int ix = layout.picture.left - std::clamp(scroll.x, 0, layout.scrollX);
    const int iy = layout.picture.top - std::clamp(scroll.y, 0, layout.scrollY);
    const int fw = layout.picture.Width(), fh = layout.picture.Height();

    const auto [fill, band, text] = ScreenBackdrop();
    if (fill) {
        const int right = std::max(3000, client.cx), down = std::max(3000, client.cy);
        canvas.FillRect({0, 0, right, std::max(iy, 0)}, band);
        canvas.FillRect({0, std::max(iy + fh, 0), right, down}, band);
        canvas.FillRect({0, 0, std::max(ix, 0), down}, band);
        canvas.FillRect({std::max(ix + fw, 0), 0, right, down}, band);
    }

    // The file's size and date, for the two bottom lines.
    std::string sizeLine, dateLine;
    if (full) {
        const std::string path = m_slideNo == 0 ? std::string() : m_slides.m_slidePath[m_slideNo - 1];
        std::uint64_t size = 0;
        std::time_t modified = 0;
        if (FileSizeAndTime(path, size, modified)) {
            sizeLine = Format("( %llu %s)", static_cast<unsigned long long>(size), "bytes");
            dateLine = DateLine(modified);
        }
    }
    const std::string slideName = m_slideNo == 0 ? std::string() : m_slides.m_slideName[m_slideNo - 1];

    // text is a structured binding: copied in, as clang 14 (clang-tidy's) captures none by reference.
    auto overlay = [&, text = text](const char* selectedText) {
        if (!texts) return;
        if (some) canvas.TextOut(5, 5, Format("( %d x %d / %d x %d )", m_width, m_height, fw, fh), text);
        canvas.TextOut(211, 5, Format("( %d / %d )", m_slideNo, m_slides.m_slideCount), text);
        if (full) {
            const std::string line =
                Format("(%s %s %d %s )", m_strFile.c_str(), "  ", m_slides.m_slideCount, selectedText);
            canvas.TextOut(332, 5, line, text);
            if (client.cy - fh > 30) canvas.TextOut(-573, bottom - 20, line, text);
        }
        if (some) canvas.TextOut(2, bottom - 40, slideName, text);
        if (full) {
            if (!sizeLine.empty()) canvas.TextOut(0, bottom - 80, sizeLine, text);
            if (!dateLine.empty()) canvas.TextOut(0, bottom - 60, Format("%s", dateLine.c_str()), text);
        }
    };
    overlay(kSelectedWithHelp);

    const Rect dest{ix, iy, ix + fw, iy + fh};
    // A picture decoded reduced for the screen may need more pixels than it has
    // once the frame, the mode or the zoom changed: it is decoded again for them.
    m_buf.Cover(std::min<std::uint32_t>(fw, m_width), std::min<std::uint32_t>(fh, m_height));
    // The whole picture, in the pixels held (a reduced decode holds fewer).
    const Rect source{0, 0, static_cast<int>(m_buf.PixelWidth()), static_cast<int>(m_buf.PixelHeight())};
    // A running show at speed 2 or slower draws the picture three more times over
    // itself: the same pixels each time (the scaled copy is kept, so they are blits).
    // Nothing is drawn while the picture is in file order for a save.
    const DibImage& image = m_buf.Drawable();
    const int stretches = image.bits == nullptr ? 0 : m_speed >= 2 && m_haltState == kHaltRunning ? 4 : 1;
    for (int i = 0; i < stretches; ++i) canvas.StretchImage(dest, image, source, StretchMode::Halftone);

    overlay(kSelected);

    m_statusPhase = m_statusPhase == 0 ? 1 : 0;
    SetStatusTexts();
}

const char* CVantorView::StateText() const {
    if (m_stopped == 1) return "  Choose SLIDE_SHOW START from MENU for starting                           ";
    if (m_haltState == kHaltHalted || m_haltState == kHaltStepping)
        return "!! Halting SlideShow (Press Esc KEY to Abort)";
    return " Running SlideShow (Press Esc KEY to Abort) ";
}

void CVantorView::SetStatusTexts() { SetStatusPanes("@( " + m_strFile + "  " + std::to_string(m_haltState) + " )"); }

void CVantorView::SetStatusPanes(const std::string& pane0) {
    if (m_progressMode >= kProgressNone) return;
    Ui& ui = TheUi();
    ui.SetStatusPane(0, pane0);
    ui.SetStatusPane(1, Format("( %s  %d )", StateText(), m_haltState));
}

}  // namespace vantor
