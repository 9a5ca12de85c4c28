// The whole road of a slide on arbitrary bytes: the view's loaders (as a .jpg and
// as a .bmp), then the fit into a tiny and a small frame in every scale mode, each
// painted through the real canvas into an offscreen picture. An input whose fifth
// byte from the end is 'F' also names a frame in its last four bytes (width and
// height, 1 to 6000), so large frames stay within reach; painting them for every
// input would try a few inputs a second instead of hundreds.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <vector>

#include "FuzzSupport.h"
#include "platform/qt/QtCanvas.h"
#include "viewer/CVantorView.h"

namespace {

// The silent user, with a window of a real size.
class RoadUi : public vantor::fuzz::SilentUi {
public:
    vantor::Size ClientSize() override { return {640, 480}; }
};

struct Frame {
    std::uint32_t width;
    std::uint32_t height;
};

std::vector<Frame> FramesFor(const std::uint8_t* data, std::size_t size) {
    std::vector<Frame> frames = {{1, 1}, {64, 48}};
    if (size >= 6 && data[size - 5] == 'F') {
        auto le16 = [&](std::size_t at) { return static_cast<std::uint32_t>(data[at] | data[at + 1] << 8); };
        frames.push_back({1 + le16(size - 4) % 6000, 1 + le16(size - 2) % 6000});
    }
    return frames;
}

// A picture of megapixels (a few bytes of run-length data can declare one) is
// painted once: every further paint would only shrink all its pixels again.
constexpr std::uint64_t kPaintOncePixels = 1'000'000;

void PaintEveryFit(vantor::CVantorView& view, QImage& window, const std::vector<Frame>& frames) {
    const bool big = std::uint64_t{view.m_width} * view.m_height > kPaintOncePixels;
    for (auto [w, h] : frames) {
        view.m_output.m_maxWidth = w;
        view.m_output.m_maxHeight = h;
        for (int mode = 0; mode <= (big ? 0 : 3); ++mode) {
            view.m_output.m_outScaleMode = mode;
            QPainter painter(&window);
            vantor::QtCanvas canvas(painter);
            view.OnDraw(canvas);
        }
        if (big) return;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int qargc = 1;
    static QGuiApplication app(qargc, *argv);
    (void)argc;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static RoadUi ui;
    vantor::SetTheUi(&ui);
    static QImage window(640, 480, QImage::Format_RGB32);
    const std::string& base = vantor::fuzz::WriteInput(data, size);
    vantor::SetTheUi(&ui);  // WriteInput installs its own silent user the first time
    static vantor::CVantorView* view = new vantor::CVantorView;
    view->m_slides.m_slideCount = 2;
    view->m_slideNo = 1;
    const std::vector<Frame> frames = FramesFor(data, size);
    for (const char* ending : {".jpg", ".bmp"}) {
        const std::string path = base + ending;
        std::rename(base.c_str(), path.c_str());
        view->m_slides.m_slidePath[0] = path;
        view->LoadByEnding(path);
        PaintEveryFit(*view, window, frames);
        std::rename(path.c_str(), base.c_str());
    }
    return 0;
}
