#include "imaging/JpegPrefetch.h"

#include <utility>

namespace vantor {

void JpegPrefetch::Start(const std::string& path, JpegFile::ScaleChooser choose, const ScaleContext& context) {
    if (Matches(path, choose, context)) return;
    Drop();
    m_path = path;
    m_choose = choose;
    m_context = context;
    m_worker = std::thread([this] {
        JpegFile::Options options;
        options.choose = m_choose;
        options.context = &m_context;
        options.quiet = true;
        options.cancel = &m_cancel;
        options.maxCoefficientBytes = kMaxCoefficientBytes;
        options.splitFromPixels = kSplitFromPixels;
        options.memory = m_memory;
        m_picture = JpegFile::Load(m_path, options);
    });
}

void JpegPrefetch::Wait() {
    if (!m_worker.joinable()) return;
    m_worker.join();
    m_done = true;
}

std::optional<JpegFile::Picture> JpegPrefetch::Take(const std::string& path, JpegFile::ScaleChooser choose,
                                                    const ScaleContext& context) {
    // Another file loaded meanwhile (a written slide read back, a halted show
    // reloading its slide) leaves the prefetched one for its own turn.
    if (!Matches(path, choose, context)) return std::nullopt;
    Wait();
    std::optional<JpegFile::Picture> picture;
    FileStamp now;
    if (m_picture.pixels && StampOf(path, now) && now == m_picture.stamp) {
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
    GiveBlock(m_memory, std::move(m_picture.pixels));
    m_picture = JpegFile::Picture{};
    m_path.clear();
}

}  // namespace vantor
