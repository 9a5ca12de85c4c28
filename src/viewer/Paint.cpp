// Fitting the current picture into the frame, and the view's paint.
#include "platform/Ui.h"
#include "viewer/CVantorView.h"

namespace vantor {

void CVantorView::ComputeFit() {
    constexpr std::uint32_t K = 100000;
    const std::uint32_t w = m_width, h = m_height, W = m_maxWidth, H = m_maxHeight;
    const std::uint32_t Wp = W + 1, Hp = H + 1;
    m_fitFrameWidth = Wp;
    m_fitFrameHeight = Hp;
    m_fitSrcWidth = w;
    m_fitSrcHeight = h;
    std::uint32_t rw = w, rh = h;
    std::uint32_t r = 1;
    if (m_outScaleMode == 1) {
        // as is: no clamp
    } else if (m_outScaleMode == 3) {
        m_fitSrcWidth = Wp;
        m_fitSrcHeight = Hp;
        rw = W;
        rh = H;
    } else {
        if (w > Wp) {
            r = (w * K) / Wp;
            rw = W;
            rh = (h * K) / r;
            if (rh > Hp) {
                r = (rh * K) / Hp;
                rw = (W * K) / r;
                rh = H;
            }
        } else if (h > Hp) {
            r = (h * K) / Hp;
            rw = (w * K) / r;
            rh = H;
        } else if (m_outScaleMode == 2 && w < Wp) {
            const std::uint32_t r0 = (w * K) / Wp;
            if (r0 != 0 && (h * K) / r0 <= Hp) {
                r = (w * K) / W;
                rw = W;
                rh = (h * K) / r;
            } else {
                r = (h * K) / H;
                rw = (w * K) / r;
                rh = H;
            }
        }
        if (rw > W) rw = W;
        if (rh > H) rh = H;
    }
    m_fitWidth = rw;
    m_fitHeight = rh;
    m_fitRatio = r;
}

void CVantorView::OnDraw(Canvas& canvas) {
    (void)canvas;
    if (m_slideCount == 0) TheUi().SetTitle("Vantor - Windows Application for SLIDESHOW");
}

}  // namespace vantor
