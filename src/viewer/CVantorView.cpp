#include "viewer/CVantorView.h"

#include "platform/FileSystem.h"
#include "platform/Ui.h"
#include "help/Help.h"
#include "resource.h"

namespace vantor {

CVantorView::CVantorView()
    : m_slidePath(kSlideArraySize, "Null"),
      m_slidePath2(kSlideArraySize),
      m_slideName(kSlideArraySize),
      m_dirList(kDirArraySize) {}

CVantorView::~CVantorView() = default;

namespace {

// Commands greyed while a show or a batch write runs.
bool NeedsStopped(int id) {
    switch (id) {
        case ID_APP_EXIT:
        case ID_SLIDESHOW_FILE_SELECT:
        case ID_SLIDESHOW_START:
        case ID_SLIDESHOW_FILE_CLEAR:
        case ID_FILE_WRITE_START:
        case ID_SLIDESHOW_AUTO_SEARCH:
        case ID_AUTO_SEARCH_SELECT_MODE:
        case ID_AUTO_SEARCH_REMOVE_MODE:
        case ID_AUTO_SEARCH_DRIVE_MODE:
        case ID_SLIDESHOW_FILE_SORT:
        case ID_EFFECT_SHOW_SLIDE_FILES:
        case ID_EFFECT_SHOW_DIRECTORIES: return true;
        default: return false;
    }
}

// Commands enabled only while a show or a batch write runs.
bool NeedsRunning(int id) {
    return id == ID_SLIDESHOW_HALT_RESTART || id == ID_VIEW_HALT_RESTART || id == ID_SLIDESHOW_ABORT ||
           id == ID_VIEW_ABORT;
}

// Commands refused while a search or a sort runs: they would change the slide list
// under it or start a second long run.
bool ChangesListOrRuns(int id) {
    switch (id) {
        case ID_SLIDESHOW_FILE_SELECT:
        case ID_SLIDESHOW_FILE_CLEAR:
        case ID_SLIDESHOW_START:
        case ID_FILE_WRITE_START:
        case ID_SLIDESHOW_AUTO_SEARCH:
        case ID_AUTO_SEARCH_SELECT_MODE:
        case ID_AUTO_SEARCH_REMOVE_MODE:
        case ID_AUTO_SEARCH_DRIVE_MODE:
        case ID_SLIDESHOW_FILE_SORT: return true;
        default: return false;
    }
}

}  // namespace

bool CVantorView::IsImplemented(int id) const {
    switch (id) {
        case ID_APP_EXIT:
        case ID_SLIDESHOW_START:
        case ID_SLIDESHOW_HALT_RESTART:
        case ID_VIEW_HALT_RESTART:
        case ID_SLIDESHOW_ABORT:
        case ID_VIEW_ABORT:
        case ID_SLIDESHOW_FILE_CLEAR:
        case ID_SLIDESHOW_FILE_SELECT:
        case ID_SLIDESHOW_SPEED:
        case ID_SLIDESHOW_SCALE:
        case ID_SLIDESHOW_JUMP:
        case ID_SLIDESHOW_FILE_SORT:
        case ID_EFFECT_SHOW_SLIDE_FILES:
        case ID_EFFECT_SHOW_DIRECTORIES:
        case ID_EFFECT_BACKGROUND:
        case ID_EFFECT_PROGRESS_BAR:
        case ID_FILE_OPEN:
        case ID_FILE_SAVE_RGB_AS:
        case ID_FILE_SAVE_GRAYSCALE_JPEG:
        case ID_FILE_GET_JPG_DIMENSIONS:
        case ID_FILE_SAVE_COLORMAPPED_BMP:
        case ID_HELP_HOW_TO_USE_1:
        case ID_HELP_HOW_TO_USE_2:
        case ID_HELP_HOW_TO_USE_FEATURES:
        case ID_APP_ABOUT:
        case ID_SLIDESHOW_AUTO_SEARCH:
        case ID_AUTO_SEARCH_SELECT_MODE:
        case ID_AUTO_SEARCH_REMOVE_MODE:
        case ID_AUTO_SEARCH_DRIVE_MODE:
        case ID_FILE_WRITE_START:
        case ID_VIEW_AUTO_ROTATE: return true;
        default: return false;
    }
}

bool CVantorView::IsCommandEnabled(int id) const {
    if (!IsImplemented(id)) return false;
    if (LongRunActive() && ChangesListOrRuns(id)) return false;
    if (NeedsStopped(id)) return m_stopped == 1;
    if (NeedsRunning(id)) return m_stopped != 1;
    return true;
}

bool CVantorView::IsCommandChecked(int id) const {
    if (id == ID_EFFECT_BACKGROUND) return m_backColor == 0;
    if (id == ID_EFFECT_PROGRESS_BAR) return m_progressMode == 0;
    if (id == ID_VIEW_AUTO_ROTATE) return m_autoRotate;
    return false;
}

bool CVantorView::OnCommand(int id) {
    if (!IsCommandEnabled(id)) return false;
    ++m_commandDepth;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{m_commandDepth};
    switch (id) {
        case ID_APP_EXIT: OnAppExit(); break;
        case ID_SLIDESHOW_START: OnSlideShowStart(); break;
        case ID_SLIDESHOW_HALT_RESTART:
        case ID_VIEW_HALT_RESTART: OnHaltRestart(); break;
        case ID_SLIDESHOW_ABORT:
        case ID_VIEW_ABORT: OnAbort(); break;
        case ID_SLIDESHOW_FILE_CLEAR: OnFileClear(); break;
        case ID_SLIDESHOW_FILE_SELECT: OnFileSelect(); break;
        case ID_SLIDESHOW_SPEED: OnSpeed(); break;
        case ID_SLIDESHOW_SCALE: OnScale(); break;
        case ID_SLIDESHOW_JUMP: OnJump(); break;
        case ID_EFFECT_BACKGROUND: OnBackgroundToggle(); break;
        case ID_EFFECT_PROGRESS_BAR: OnProgressBarToggle(); break;
        case ID_FILE_OPEN: OnOpenImage(); break;
        case ID_FILE_SAVE_RGB_AS: OnSaveRgbAs(); break;
        case ID_FILE_SAVE_GRAYSCALE_JPEG: OnSaveGrayscaleJpeg(); break;
        case ID_FILE_GET_JPG_DIMENSIONS: OnGetJpgDimensions(); break;
        case ID_FILE_SAVE_COLORMAPPED_BMP: OnSaveColormappedbmp(); break;
        case ID_HELP_HOW_TO_USE_1: OnHowToUse1(); break;
        case ID_HELP_HOW_TO_USE_2: OnHowToUse2(); break;
        case ID_HELP_HOW_TO_USE_FEATURES: OnHowToUseFeatures(); break;
        case ID_APP_ABOUT: OnAppAbout(); break;
        case ID_SLIDESHOW_AUTO_SEARCH: OnAutoSearch(); break;
        case ID_AUTO_SEARCH_SELECT_MODE: OnAutoSearchSelectMode(); break;
        case ID_AUTO_SEARCH_REMOVE_MODE: OnAutoSearchRemoveMode(); break;
        case ID_AUTO_SEARCH_DRIVE_MODE: OnAutoSearchDriveMode(); break;
        case ID_SLIDESHOW_FILE_SORT: OnFileSort(); break;
        case ID_EFFECT_SHOW_SLIDE_FILES: OnShowSlideFiles(); break;
        case ID_EFFECT_SHOW_DIRECTORIES: OnShowDirectories(); break;
        case ID_FILE_WRITE_START: OnFileWriteStart(); break;
        case ID_VIEW_AUTO_ROTATE: OnAutoRotate(); break;
        default: return false;
    }
    return true;
}

void CVantorView::RequestClose() {
    m_closeRequested = true;
    // Every long loop reads these on its next step and ends.
    if (m_stopped != 1) {
        m_haltState = 0;
        m_stopped = 1;
        m_writeMode = 0;
    }
    m_searchStop = 1;
    m_sortStop = 1;
}

bool CVantorView::WaitingForUser() const {
    if (m_stopped == 1) return false;
    if (m_haltState == 1) return m_backRequest == 0;
    if (m_haltState == 2) return m_backRequest == 0 && m_keyBackRequest == 0 && m_keyForwardRequest == 0;
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
    // The scroll range (6000 x 6000) belongs to the view window; the logic has nothing to set.
}

void CVantorView::OnAppExit() { TheUi().PostClose(); }

void CVantorView::OnBackgroundToggle() {
    switch (m_backColor) {
        case 0: m_backColor = 1; break;
        case 1:
        case 2: m_backColor = 3; break;
        default: m_backColor = 0; break;
    }
    InvalidateView(true);
}

void CVantorView::OnProgressBarToggle() {
    switch (m_progressMode) {
        case 0: m_progressMode = 1; break;
        case 1: m_progressMode = 2; break;
        default: m_progressMode = 0; break;
    }
    // Without the meter it stands at 0; a run in its wait between slides would
    // otherwise show the old position until the wait ends.
    if (m_progressMode == 2) TheUi().ProgressSetPos(0);
    InvalidateView(true);
}

void CVantorView::OnAutoRotate() {
    m_autoRotate = !m_autoRotate;
    // A show or a write takes it from its next slide on; a JPEG on screen is
    // shown the new way at once.
    if (m_stopped == 1 && m_buf && PictureKindOf(m_strFile) == PictureKind::Jpeg && IsRegularFile(m_strFile)) {
        LoadJpegFile(m_strFile);
        InvalidateView(true);
    }
}

void CVantorView::InvalidateView(bool erase) {
    if (erase) m_overlay.clear();
    TheUi().Invalidate(erase);
}

void CVantorView::ClientTextOut(int x, int y, const std::string& text) {
    OverlayText& row = m_overlay[y];
    row.x = x;
    row.text = text;
    ++row.draws;
    // Not a repaint: the view's own texts (the header with its count) are not drawn
    // again over themselves, and a blank line drawn first erases a longer text's tail.
    TheUi().ClientTextOut(x, y, text);
}

void CVantorView::StoreSlide(std::uint32_t index, const std::string& path) {
    m_slidePath[index] = path;
    m_slidePath2[index] = path;
    m_slideName[index] = PathTail(path);
}

}  // namespace vantor
