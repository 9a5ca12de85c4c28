// Browsing the slide list while no show, write, search or sort runs: the keys a
// desktop viewer's users expect step through the list, and q quits. At either end
// of the list the keys stop, as the show does; they never wrap around.
#include <algorithm>

#include "platform/FileSystem.h"
#include "platform/Format.h"
#include "platform/PictureFormats.h"
#include "platform/Ui.h"
#include "resource.h"
#include "viewer/CVantorView.h"

namespace vantor {

bool CVantorView::OnBrowseKey(unsigned k) {
    // A key that arrives while a command pumps (a load, a box) must not start a
    // second load under it.
    if (InCommand()) return false;
    const std::uint32_t count = m_slides.m_slideCount;
    // Where the list stands: the slide on screen, or none yet (a list just picked,
    // a number the jump dialog left past the end).
    const std::uint32_t at = m_slideNo >= 1 && m_slideNo <= count ? m_slideNo : 0;
    std::uint32_t to = 0;
    switch (k) {
        case 'Q': return OnCommand(ID_APP_EXIT);  // Ctrl+Q reaches the view as Q too
        case VK_RIGHT:
        case VK_NEXT:
        case 'N': to = at == 0 ? 1 : std::min(at + 1, count); break;
        case VK_LEFT:
        case VK_PRIOR:
        case VK_BACK:
        case 'P': to = at <= 1 ? 1 : at - 1; break;
        case VK_HOME: to = 1; break;
        case VK_END: to = count; break;
        default: return false;
    }
    // At an end the key does nothing: the slide stays as it is.
    if (count > 0 && !(to == at && m_strFile == m_slides.PathAt(to - 1))) BrowseTo(to);
    return true;
}

void CVantorView::BrowseTo(std::uint32_t number) {
    Ui& ui = TheUi();
    const std::uint32_t count = m_slides.m_slideCount;
    const std::uint32_t from = m_slideNo;
    const std::string path = m_slides.PathAt(number - 1);
    ui.BeginWaitCursor();
    m_slideNo = number;
    m_curSlidePath = m_strFile = path;
    // Only the slide about to be shown may stay decoded ahead, for the memory bound.
    if (!m_buf.Ahead().IsFor(path)) m_buf.Ahead().Drop();
    // A name no loader takes is told in a box; the picture before it is not shown
    // under its name.
    if (PictureKindOf(path) == PictureKind::None) m_buf.Clear();
    OpenByEnding(path);
    m_lastShownPath = path;
    ui.EndWaitCursor();
    std::string name = PathTail(path);
    if (!name.empty() && name.front() == kPathSeparator) name.erase(0, 1);
    ui.SetTitle(Format("%s ( %u / %u ) - %s", name.c_str(), number, count, kAppTitle));
    InvalidateView(true);
    if (m_buf) ui.SlideShown(m_slideNo, path, m_width, m_height);

    // The slide the user will most likely ask for next is decoded meanwhile: the one
    // beyond, in the direction of the last step.
    const bool forward = number == 1 || (number != count && number > from);
    const std::uint32_t next = forward ? number + 1 : number - 1;
    if (!m_prefetchSlides || next < 1 || next > count) return;
    const std::string& nextPath = m_slides.PathAt(next - 1);
    const PictureFormat* format = FormatOf(nextPath);
    if (format != nullptr && format->decodedAhead && nextPath != path)
        m_buf.Ahead().Start(nextPath, &ChooseDisplayScale, DisplayFrame(), m_autoRotate, PictureBackground(),
                            &DisplayFit);
}

}  // namespace vantor
