#include "viewer/CVantorView.h"

#include "platform/FileSystem.h"
#include "platform/PictureFormats.h"
#include "platform/Ui.h"
#include "viewer/Commands.h"

namespace vantor {

CVantorView::CVantorView() = default;

CVantorView::~CVantorView() = default;

bool CVantorView::IsCommandEnabled(int id) const {
    const Command* command = FindCommand(id);
    if (command == nullptr || command->handler == nullptr) return false;
    if ((command->rule & kNoLongRun) && LongRunActive()) return false;
    if (command->rule & kWhenStopped) return m_stopped == 1;
    if (command->rule & kWhenRunning) return m_stopped != 1;
    return true;
}

bool CVantorView::IsCommandChecked(int id) const {
    const Command* command = FindCommand(id);
    return command != nullptr && command->checked != nullptr && command->checked(*this);
}

bool CVantorView::OnCommand(int id) {
    if (!IsCommandEnabled(id)) return false;
    ++m_commandDepth;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{m_commandDepth};
    (this->*FindCommand(id)->handler)();
    return true;
}

void CVantorView::RequestClose() {
    m_closeRequested = true;
    // Every long loop reads these on its next step and ends.
    if (m_stopped != 1) {
        m_haltState = kHaltRunning;
        m_stopped = 1;
        m_writeMode = 0;
    }
    m_searchStop = 1;
    m_sortStop = 1;
}

bool CVantorView::WaitingForUser() const {
    if (m_stopped == 1) return false;
    if (m_haltState == kHaltHalted) return m_backRequest == 0;
    if (m_haltState == kHaltStepping) return m_backRequest == 0 && m_keyBackRequest == 0 && m_keyForwardRequest == 0;
    return false;
}

std::uint64_t CVantorView::RunStateKey() const {
    const std::uint64_t flags =
        static_cast<std::uint64_t>(m_stopped & 1) | static_cast<std::uint64_t>(m_haltState & 3) << 1 |
        static_cast<std::uint64_t>(m_backRequest & 1) << 3 | static_cast<std::uint64_t>(m_keyBackRequest & 1) << 4 |
        static_cast<std::uint64_t>(m_keyForwardRequest & 1) << 5 | static_cast<std::uint64_t>(m_closeRequested) << 6;
    return flags | static_cast<std::uint64_t>(m_slideNo) << 8 | static_cast<std::uint64_t>(m_speed & 0xFF) << 40;
}

void CVantorView::OnInitialUpdate() {
    // The view window starts with a scroll range of 6000 x 6000; each paint of a
    // picture sets it to what the picture needs.
}

void CVantorView::OnAppExit() { TheUi().PostClose(); }

void CVantorView::OnBackgroundToggle() {
    // Full screen has a background of its own (black at first); the window's stays.
    std::int32_t& back = m_fullScreen ? m_fullScreenBackColor : m_backColor;
    switch (back) {
        case kBackWhite: back = kBackGray; break;
        case kBackGray:
        case kBackNone: back = kBackBlack; break;
        default: back = kBackWhite; break;
    }
    // A picture on screen with transparent parts is drawn over the new colour.
    ReloadShownPicture(&PictureFormat::transparent);
    InvalidateView(true);
}

void CVantorView::OnProgressBarToggle() {
    switch (m_progressMode) {
        case kProgressFull: m_progressMode = kProgressBrief; break;
        case kProgressBrief: m_progressMode = kProgressNone; break;
        default: m_progressMode = kProgressFull; break;
    }
    // Without the meter it stands at 0; a run in its wait between slides would
    // otherwise show the old position until the wait ends.
    if (m_progressMode == kProgressNone) TheUi().ProgressSetPos(0);
    InvalidateView(true);
}

// Both stay enabled during every run: they change only how the window shows it.
void CVantorView::OnFullScreen() { SetFullScreen(!m_fullScreen); }

void CVantorView::SetFullScreen(bool on) {
    m_fullScreen = on;
    // The window's new size repaints the view, and refits it with Fit to Window.
    TheUi().SetFullScreen(on);
}

void CVantorView::OnFitWindow() {
    m_fitWindow = !m_fitWindow;
    InvalidateView(true);
}

void CVantorView::OnAutoRotate() {
    m_autoRotate = !m_autoRotate;
    // A show or a write takes it from its next slide on; a picture on screen that
    // it turns is shown the new way at once.
    if (ReloadShownPicture(&PictureFormat::autoRotated)) InvalidateView(true);
}

bool CVantorView::ReloadShownPicture(bool PictureFormat::*when) {
    const PictureFormat* format = FormatOf(m_strFile);
    if (m_stopped != 1 || !m_buf || format == nullptr || !(format->*when) || !IsRegularFile(m_strFile)) return false;
    LoadByEnding(m_strFile);
    return true;
}

void CVantorView::InvalidateView(bool erase) {
    if (erase) m_overlay.clear();
    TheUi().Invalidate(erase);
}

void CVantorView::ClientTextOut(int x, int y, const std::string& text, Rgb color, Rgb cell) {
    OverlayText& row = m_overlay[y];
    row.x = x;
    row.text = text;
    ++row.draws;
    // Not a repaint: the view's own texts (the header with its count) are not drawn
    // again over themselves, and a blank line drawn first erases a longer text's tail.
    TheUi().ClientTextOut(x, y, text, color, cell);
}

}  // namespace vantor
