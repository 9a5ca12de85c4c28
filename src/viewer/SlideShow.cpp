// The slide show: the run loop inside the Start command, the slide step, and the
// reactions of the mouse buttons, the keys, Halt-Restart, Abort and File Clear,
// which only set flags that the loop reads on its next pass.
#include <cstring>

#include "platform/PictureFormats.h"
#include "platform/Ui.h"
#include "viewer/CVantorView.h"
#include "viewer/Dialogs.h"

namespace vantor {

unsigned CVantorView::DelayForSpeed(std::uint32_t s) {
    if (s <= 4) return s;
    if (s <= 13) return 26 * s;
    if (s <= 33) return 36 * s;
    if (s <= 55) return 40 * s;
    if (s <= 110) return 46 * s;
    if (s <= 255) return 50 * s;
    return s;
}

bool CVantorView::AskStop() {
    CStopOrContinueDialog dlg;
    return TheUi().DoModal(dlg) == IDCANCEL;
}

bool CVantorView::TellSlideFailed(const std::vector<std::string>& boxes, bool ask) {
    for (const std::string& text : boxes) AfxMessageBox(text);
    if (!ask || !AskStop()) return false;
    m_slideNo = m_slides.m_slideCount;
    return true;
}

void CVantorView::OnSlideShowStart() {
    m_slides.UseAllWhenFull();
    RunLoop(false);
}

void CVantorView::RunLoop(bool writing) {
    Ui& ui = TheUi();
    // A write run starts where its setup put the slide number.
    if (!writing) m_slideNo = 1;
    m_haltState = kHaltRunning;
    m_stopped = 0;
    m_backRequest = m_keyBackRequest = m_keyForwardRequest = 0;
    m_zoom = 0;  // a run shows each slide at the fit
    // Not reloading the path shown last saves a load between passes of one run
    // only: a new run always loads its first slide.
    m_lastShownPath.clear();
    bool firstPassDone = false;
    ui.SetTitle("VANTOR FOR SLIDE SHOW WINDOWS APPLICATION");
    ui.SetViewTimer(true);

    // The first pass always runs on a list that is not empty: it shows the first
    // slide (or writes the start slide), even when that is the last one.
    while (m_slides.m_slideCount > 0 && (!firstPassDone || m_slideNo < m_slides.m_slideCount)) {
        ui.Pump(10000);
        if (m_closeRequested) break;
        ui.SetCursor(CursorKind::AppStarting);
        if (m_stopped == 1) {
            m_haltState = kHaltRunning;
            m_slideNo = m_slides.m_slideCount - 1;
        }
        const bool pending = m_backRequest == 1 || m_keyBackRequest == 1 || m_keyForwardRequest == 1;
        if (!(m_haltState == kHaltStepping && !pending)) {
            // A step back never goes below 0: two back requests on slide 1, or one
            // after a jump to 0, would wrap the unsigned number past the list.
            auto stepBack = [this] {
                if (m_slideNo > 0) --m_slideNo;
            };
            if (m_haltState == kHaltHalted && m_backRequest == 1) {
                m_backRequest = 0;
                stepBack();
            }
            if (m_haltState == kHaltStepping) {
                if (m_backRequest == 1) {
                    m_backRequest = 0;
                    stepBack();
                }
                if (m_keyBackRequest == 1) {
                    m_keyBackRequest = 0;
                    stepBack();
                }
                if (m_keyForwardRequest == 1) {
                    m_keyForwardRequest = 0;
                    ++m_slideNo;
                }
            }
            if (m_slideNo < 1) m_slideNo = 1;
            if (m_haltState == kHaltRunning) ++m_slideNo;
            if (writing && m_jumpTarget == 0) m_jumpTarget = 1;
            if (!firstPassDone) {
                firstPassDone = true;
                m_slideNo = writing ? m_jumpTarget : 1;
            }
            // Slide m_slideNo is at index m_slideNo - 1; the arrays are larger than the
            // list, so any number a jump or a step can produce is a valid entry.
            const std::uint32_t index = m_slideNo == 0 ? 0 : m_slideNo - 1;
            m_curSlidePath = m_slides.PathAt(index);
            m_strFile = m_curSlidePath;
            if (writing)
                WriteStep();
            else
                ShowSlide();
        }
        ui.Pump(10000);
        if (m_closeRequested) break;
        const unsigned delay = DelayForSpeed(m_speed);
        // A halt, a step, a jump, a new speed or a close ends the wait at once.
        const std::uint64_t state = RunStateKey();
        const auto changed = [this, state] { return m_closeRequested || RunStateKey() != state; };
        if (m_haltState == kHaltRunning)
            ui.Sleep(delay, changed);
        else if (m_haltState == kHaltHalted)
            ui.Sleep(0);
        ui.Pump(6667);
        if (m_closeRequested) break;
        if (m_progressMode < kProgressNone)
            ui.ProgressStep();
        else if (m_progressMode == kProgressNone)
            ui.ProgressSetPos(0);
        ui.SetCursor(CursorKind::Arrow);
    }

    m_buf.Ahead().Drop();  // a slide the run did not reach
    m_stopped = 1;
    m_writeMode = 0;
    ui.SetViewTimer(false);
    ui.SetCursor(CursorKind::Arrow);
    if (m_progressMode < kProgressNone) ui.ProgressSetPos(0);
    // The paint that follows sets these only over a picture; a run whose last
    // slide loaded nothing would leave the running state in the status bar.
    SetStatusTexts();
    InvalidateView(false);
}

void CVantorView::ShowSlide() {
    Ui& ui = TheUi();
    if (m_lastShownPath == m_curSlidePath && m_haltState != kHaltHalted) {
        PrefetchNextSlide(&ChooseDisplayScale, DisplayFrame(), &DisplayFit);
        return;
    }
    ui.UpdateWindow();
    const std::string& path = m_curSlidePath;
    // A halted show holds nothing decoded ahead but the slide it is about to show:
    // reloading its slide beside another picture would break the memory bound.
    if (m_haltState != kHaltRunning && !m_buf.Ahead().IsFor(path)) m_buf.Ahead().Drop();
    LoadByEnding(path);
    PrefetchNextSlide(&ChooseDisplayScale, DisplayFrame(), &DisplayFit);
    ui.EndWaitCursor();
    if (!m_buf && m_slideNo > 2 && TellSlideFailed({path})) return;
    InvalidateView(false);
    m_lastShownPath = m_curSlidePath;
    if (m_buf) ui.SlideShown(m_slideNo, m_curSlidePath, m_width, m_height);
}

void CVantorView::PrefetchNextSlide(JpegFile::ScaleChooser choose, const JpegPrefetch::ScaleContext& frame,
                                    JpegPrefetch::Fitter fit) {
    // Unless a click, a key or a command intervenes, the next passes show the
    // following slides; one with the path of the slide before it is not loaded again.
    if (!m_prefetchSlides || m_haltState != kHaltRunning || m_stopped == 1) return;
    std::vector<std::string> next;
    const std::string* previous = &m_curSlidePath;
    for (std::uint32_t index = m_slideNo;
         index < m_slides.m_slideCount && index < m_slides.m_slidePath.size() && next.size() < JpegPrefetch::kMostAhead;
         ++index) {
        const std::string& path = m_slides.m_slidePath[index];
        const PictureFormat* format = FormatOf(path);
        if (path != *previous && format != nullptr && format->decodedAhead) next.push_back(path);
        previous = &path;
    }
    m_buf.Ahead().Start(next, choose, frame, m_autoRotate, PictureBackground(), fit);
}

void CVantorView::OnHaltRestart() {
    if (m_stopped == 1) {
        m_haltState = kHaltRunning;
        return;
    }
    m_haltState = m_haltState == kHaltRunning ? kHaltHalted : kHaltRunning;
}

void CVantorView::OnLButtonDown() { OnHaltRestart(); }

void CVantorView::OnAbort() {
    if (m_stopped != 1 && m_haltState >= kHaltRunning && m_haltState <= kHaltStepping) {
        m_haltState = kHaltRunning;
        m_stopped = 1;
        m_writeMode = 0;
    }
}

void CVantorView::OnRButtonDown() {
    if (m_stopped == 1) return;
    if (m_haltState == kHaltHalted) {
        m_haltState = kHaltStepping;
        m_backRequest = 1;
    } else if (m_haltState == kHaltStepping) {
        m_backRequest = 1;
    }
}

void CVantorView::OnKeyDown(unsigned k) {
    Ui& ui = TheUi();
    // Esc leaves full screen only when there is no run for it to stop.
    if (k == VK_ESCAPE && m_fullScreen && NoRunGoing()) {
        SetFullScreen(false);
        return;
    }
    if (NoRunGoing() && OnBrowseKey(k)) return;
    if (NoRunGoing() && OnViewKey(k)) return;
    if (m_searchStop == 0 && m_searching == 1 && k == VK_ESCAPE) {
        ui.MessageBox("検索を中断しますか? クリックしてください。", "stop directory search ?", MsgButtons::OK,
                      MsgIcon::None);
        if (AskStop()) {
            m_searchStop = 1;
            m_searching = 0;
        }
    }
    if (m_sorting == 1 && k == VK_ESCAPE) {
        ui.MessageBox("ソートを中断しますか? クリックしてください。", "stop sorting ?", MsgButtons::OK, MsgIcon::None);
        m_sortStop = 1;
    }
    if (m_stopped == 1) return;
    if (m_haltState == kHaltRunning || k == VK_ESCAPE) {
        if (AskStop()) {
            m_haltState = kHaltRunning;
            m_stopped = 1;
            m_writeMode = 0;
        }
    } else if (k == VK_SPACE && (m_haltState == kHaltHalted || m_haltState == kHaltStepping)) {
        m_keyBackRequest = 1;
        m_haltState = kHaltStepping;
    } else if (m_haltState == kHaltHalted || m_haltState == kHaltStepping) {
        m_keyForwardRequest = 1;
        m_haltState = kHaltStepping;
    }
}

void CVantorView::OnFileClear() {
    if (m_stopped != 1) return;
    m_slides.Clear();
    InvalidateView(true);
}

void CVantorView::OnSpeed() {
    CSpeedDialog dlg;
    dlg.m_speedValue = static_cast<std::int32_t>(m_speed);
    if (TheUi().DoModal(dlg) == IDOK) m_speed = static_cast<std::uint32_t>(dlg.m_speedValue);
}

void CVantorView::OnScale() {
    m_origWidthShown = m_width;
    m_origHeightShown = m_height;
    m_deepSearch = m_deepSearchSetting;
    CScaleDialog dlg;
    dlg.m_origWidth = m_width;
    dlg.m_origHeight = m_height;
    dlg.m_output = m_output;
    dlg.m_deepSearch = m_deepSearchSetting;
    if (TheUi().DoModal(dlg) != IDOK) return;
    m_origWidthShown = dlg.m_origWidth;
    m_origHeightShown = dlg.m_origHeight;
    m_output = dlg.m_output;
    m_deepSearchSetting = dlg.m_deepSearch;
    m_deepSearch = dlg.m_deepSearch;
    InvalidateView(true);
}

void CVantorView::OnJump() {
    m_jumpTarget = m_slideNo;
    m_writtenCountShown = m_writtenCount;
    CJumpDialog dlg;
    dlg.m_jumpNo = static_cast<std::int32_t>(m_jumpTarget);
    dlg.m_writtenNo = static_cast<std::int32_t>(m_writtenCountShown);
    if (TheUi().DoModal(dlg) != IDOK) return;
    m_writtenCountShown = static_cast<std::uint32_t>(dlg.m_writtenNo);
    m_writtenCount = m_writtenCountShown;
    const auto t = static_cast<std::uint32_t>(dlg.m_jumpNo);
    m_jumpTarget = t;
    if (t < m_slides.m_slideCount) m_slideNo = t;
    if (t > m_slides.m_slideCount - 1 && t > 1) m_slideNo = m_slides.m_slideCount - 1;
}

}  // namespace vantor
