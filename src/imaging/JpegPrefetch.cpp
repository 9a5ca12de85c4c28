#include "imaging/JpegPrefetch.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace vantor {

void JpegPrefetch::Slot::Wait() {
    if (!worker.joinable()) return;
    worker.join();
    done = true;
}

void JpegPrefetch::Drop(Slot& slot) {
    if (slot.worker.joinable()) {
        slot.cancel.store(true, std::memory_order_relaxed);
        slot.worker.join();
        slot.cancel.store(false, std::memory_order_relaxed);
    }
    slot.done = false;
    GiveBlock(m_memory, std::move(slot.picture.pixels));
    slot.picture = JpegFile::Picture{};
    slot.path.clear();
}

void JpegPrefetch::Start(const std::vector<std::string>& paths, JpegFile::ScaleChooser choose,
                         const ScaleContext& context, bool upright) {
    const std::size_t wanted = std::min(paths.size(), kDepth);
    const auto asked = [&](const Slot& slot) {
        for (std::size_t i = 0; i < wanted; ++i) {
            if (slot.Matches(paths[i], choose, context, upright)) return true;
        }
        return false;
    };
    // What is no longer wanted goes first, so that its memory is free for the rest.
    for (Slot& slot : m_slots) {
        if (!asked(slot)) Drop(slot);
    }
    for (std::size_t i = 0; i < wanted; ++i) {
        const bool underWay = std::any_of(m_slots.begin(), m_slots.end(),
                                          [&](const Slot& s) { return s.Matches(paths[i], choose, context, upright); });
        if (underWay) continue;
        const auto free = std::find_if(m_slots.begin(), m_slots.end(), [](const Slot& s) { return !s.Pending(); });
        if (free == m_slots.end()) break;
        Slot& slot = *free;
        slot.path = paths[i];
        slot.choose = choose;
        slot.context = context;
        slot.upright = upright;
        try {
            slot.worker = std::thread([this, &slot] {
                JpegFile::Options options;
                options.choose = slot.choose;
                options.context = &slot.context;
                options.cancel = &slot.cancel;
                options.maxCoefficientBytes = kMaxCoefficientBytes;
                options.splitFromPixels = kSplitFromPixels;
                options.memory = m_memory;
                options.upright = slot.upright;
                // Nobody hears of this decode: a picture that has anything to tell is
                // dropped, and the load at its turn decodes the file again and tells it.
                if (!JpegFile::Load(slot.path, options, slot.picture).Clean()) {
                    GiveBlock(m_memory, std::move(slot.picture.pixels));
                    slot.picture.pixels.reset();
                }
            });
        } catch (const std::system_error&) {
            slot.path.clear();
            break;  // no room for another thread (a memory limit): the slide loads at its turn
        }
    }
}

void JpegPrefetch::Wait() {
    for (Slot& slot : m_slots) slot.Wait();
}

bool JpegPrefetch::Pending() const {
    return std::any_of(m_slots.begin(), m_slots.end(), [](const Slot& s) { return s.Pending(); });
}

bool JpegPrefetch::IsFor(const std::string& path) const {
    return std::any_of(m_slots.begin(), m_slots.end(), [&](const Slot& s) { return s.Pending() && s.path == path; });
}

std::optional<JpegFile::Picture> JpegPrefetch::Take(const std::string& path, JpegFile::ScaleChooser choose,
                                                    const ScaleContext& context, bool upright) {
    // Another file loaded meanwhile (a written slide read back, a halted show
    // reloading its slide) leaves what is decoded ahead for its own turn.
    const auto slot = std::find_if(m_slots.begin(), m_slots.end(),
                                   [&](const Slot& s) { return s.Matches(path, choose, context, upright); });
    if (slot == m_slots.end()) return std::nullopt;
    slot->Wait();
    std::optional<JpegFile::Picture> picture;
    FileStamp now;
    if (slot->picture.pixels && StampOf(path, now) && now == slot->picture.stamp) {
        picture = std::move(slot->picture);
        ++m_handedOver;
        Drop(*slot);
    } else {
        // Loaded at its turn, perhaps a big picture of many scans: alone.
        Drop();
    }
    return picture;
}

void JpegPrefetch::Drop() {
    for (Slot& slot : m_slots) Drop(slot);
}

}  // namespace vantor
