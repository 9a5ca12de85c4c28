#include "imaging/PictureMemory.h"

#include <utility>

namespace vantor {

PixelBlock PictureMemory::Take(std::uint64_t bytes) {
    if (bytes == 0 || bytes > kMaxPicturePixels * 3) return {};
    {
        std::lock_guard lock(m_mutex);
        std::size_t best = m_kept.size();
        for (std::size_t i = 0; i < m_kept.size(); ++i) {
            const std::uint64_t capacity = m_kept[i].capacity;
            if (capacity >= bytes && capacity / 2 <= bytes &&
                (best == m_kept.size() || capacity < m_kept[best].capacity))
                best = i;
        }
        if (best != m_kept.size()) {
            PixelBlock block = std::move(m_kept[best]);
            m_kept.erase(m_kept.begin() + static_cast<std::ptrdiff_t>(best));
            m_keptBytes -= block.capacity;
            return block;
        }
    }
    return {AllocBytes(bytes), bytes};
}

void PictureMemory::Give(PixelBlock block) {
    if (!block || block.capacity > m_keepBytes) return;  // freed here
    std::vector<PixelBlock> dropped;                     // freed outside the lock
    std::lock_guard lock(m_mutex);
    if (m_keepNone) {
        dropped.push_back(std::move(block));
        return;
    }
    m_keptBytes += block.capacity;
    m_kept.push_back(std::move(block));
    while (m_keptBytes > m_keepBytes || m_kept.size() > kKeptBlocks) {
        m_keptBytes -= m_kept.front().capacity;
        dropped.push_back(std::move(m_kept.front()));
        m_kept.erase(m_kept.begin());
    }
}

void PictureMemory::Release() {
    std::vector<PixelBlock> dropped;
    std::lock_guard lock(m_mutex);
    dropped.swap(m_kept);
    m_keptBytes = 0;
}

void PictureMemory::KeepNone(bool none) {
    if (none) Release();
    std::lock_guard lock(m_mutex);
    m_keepNone = none;
}

std::uint64_t PictureMemory::KeptBytes() const {
    std::lock_guard lock(m_mutex);
    return m_keptBytes;
}

PixelBlock TakeBlock(PictureMemory* memory, std::uint64_t bytes) {
    if (memory != nullptr) return memory->Take(bytes);
    if (bytes > kMaxPicturePixels * 3) return {};
    return {AllocBytes(bytes), bytes};
}

void GiveBlock(PictureMemory* memory, PixelBlock block) {
    if (memory != nullptr) memory->Give(std::move(block));
}

}  // namespace vantor
