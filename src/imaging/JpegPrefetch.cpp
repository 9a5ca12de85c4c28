#include "imaging/JpegPrefetch.h"

#include <utility>

namespace vantor {

void JpegPrefetch::Start(const std::string& path, JpegFile::ScaleChooser choose, const ScaleContext& context,
                         Finish finish) {
    if (Matches(path, choose, context)) {
        m_spare.reset();
        return;
    }
    RgbBuffer spare = std::move(m_spare);
    Drop();
    m_path = path;
    m_choose = choose;
    m_context = context;
    m_load = JpegFile::QuietLoad{};
    m_load.choose = choose;
    m_load.context = &m_context;
    m_load.cancel = &m_cancel;
    m_load.maxCoefficientBytes = kMaxCoefficientBytes;
    m_load.splitFromPixels = kSplitFromPixels;
    m_load.spare = std::move(spare);
    m_load.spareBytes = m_spareBytes;
    m_finish = std::move(finish);
    m_worker = std::thread([this] {
        m_picture.pixels = JpegFile::TryLoadToDisplay(m_path, m_load);
        if (!m_picture.pixels) return;
        m_picture.width = m_load.width;
        m_picture.height = m_load.height;
        m_picture.trueWidth = m_load.trueWidth;
        m_picture.trueHeight = m_load.trueHeight;
        if (m_finish) m_finish(m_picture);
    });
}

void JpegPrefetch::Wait() {
    if (!m_worker.joinable()) return;
    m_worker.join();
    m_done = true;
}

std::optional<JpegPrefetch::Picture> JpegPrefetch::Take(const std::string& path, JpegFile::ScaleChooser choose,
                                                        const ScaleContext& context) {
    // Another file loaded meanwhile (a written slide read back, a halted show
    // reloading its slide) leaves the prefetched one for its own turn.
    if (!Matches(path, choose, context)) return std::nullopt;
    Wait();
    std::optional<Picture> picture;
    FileStamp now;
    if (m_picture.pixels && StampOf(path, now) && now == m_load.stamp) {
        picture = std::move(m_picture);
        ++m_handedOver;
    }
    Drop();
    return picture;
}

void JpegPrefetch::Drop() {
    if (m_worker.joinable()) {
        m_cancel.store(true, std::memory_order_relaxed);
        m_worker.join();
        m_cancel.store(false, std::memory_order_relaxed);
    }
    m_done = false;
    m_picture = Picture{};
    m_finish = nullptr;
    m_spare.reset();
    m_load.spare.reset();
    m_path.clear();
}

}  // namespace vantor
