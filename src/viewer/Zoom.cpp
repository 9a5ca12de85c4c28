// The picture when no show, write, search or sort runs: zoom in steps about a
// point, the fit again, 100 %, and the texts of full screen.
#include <algorithm>
#include <cmath>
#include <iterator>

#include "platform/Ui.h"
#include "viewer/CVantorView.h"

namespace vantor {

namespace {

// The zoom's steps, in drawn pixels per pixel of the picture.
constexpr double kZoomSteps[] = {1.0 / 16, 1.0 / 12, 1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3, 1,
                                 1.5,      2,        3,       4,       6,       8,       12,      16};

// The step after scale, up or down; scale itself when there is none that way.
double NextStep(double scale, bool in) {
    if (in) {
        const auto* next = std::find_if(std::begin(kZoomSteps), std::end(kZoomSteps),
                                        [scale](double step) { return step > scale * 1.001; });
        return next == std::end(kZoomSteps) ? scale : *next;
    }
    const auto next = std::find_if(std::rbegin(kZoomSteps), std::rend(kZoomSteps),
                                   [scale](double step) { return step < scale / 1.001; });
    return next == std::rend(kZoomSteps) ? scale : *next;
}

}  // namespace

bool CVantorView::OnViewKey(unsigned k) {
    if (k == 'I' && m_fullScreen) {
        m_fullScreenTexts = !m_fullScreenTexts;
        InvalidateView(true);
        return true;
    }
    if (!m_buf) return false;
    const Size client = TheUi().ClientSize();
    const auto zoomAboutCentre = [&](double zoom) { ZoomAbout(zoom, client.cx / 2, client.cy / 2); };
    switch (k) {
        case VK_ADD:
        case VK_OEM_MINUS:
        case VK_SUBTRACT: {
            const double scale = LayOut(client.cx, client.cy).scale;
            const double zoom = NextStep(scale, k == VK_ADD);
            if (zoom != scale) zoomAboutCentre(zoom);
            return true;
        }
        case '0':
        case VK_NUMPAD0:
        case VK_OEM_PLUS: zoomAboutCentre(0); return true;
        case '1':
        case VK_NUMPAD1: zoomAboutCentre(1); return true;
        default: return false;
    }
}

void CVantorView::OnZoomWheel(int notches, int x, int y) {
    if (!NoRunGoing() || !m_buf || notches == 0) return;
    const Size client = TheUi().ClientSize();
    const double scale = LayOut(client.cx, client.cy).scale;
    double zoom = scale;
    for (int i = 0; i < std::abs(notches); ++i) zoom = NextStep(zoom, notches > 0);
    if (zoom != scale) ZoomAbout(zoom, x, y);
}

void CVantorView::ZoomAbout(double zoom, int x, int y) {
    Ui& ui = TheUi();
    const Size client = ui.ClientSize();
    const Layout before = LayOut(client.cx, client.cy);
    const Point scroll = ui.ScrollPosition();
    // The point of the picture under (x, y), as a share of its drawn size: it stays under (x, y).
    const double u = (x - before.picture.left + std::clamp(scroll.x, 0, before.scrollX)) /
                     static_cast<double>(std::max(1, before.picture.Width()));
    const double v = (y - before.picture.top + std::clamp(scroll.y, 0, before.scrollY)) /
                     static_cast<double>(std::max(1, before.picture.Height()));
    m_zoom = zoom;
    const Layout after = LayOut(client.cx, client.cy);
    ui.SetScrollRange({after.scrollX, after.scrollY});
    ui.ScrollTo({static_cast<int>(std::lround(after.picture.left + u * after.picture.Width() - x)),
                 static_cast<int>(std::lround(after.picture.top + v * after.picture.Height() - y))});
    InvalidateView(true);
}

}  // namespace vantor
