#include "imaging/JpegPrefetch.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "platform/PictureFormats.h"

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
    GiveBlock(m_memory, std::move(slot.decoded.pixels));
    slot.decoded = DecodedPicture{};
    slot.codec.reset();
    slot.path.clear();
}

void JpegPrefetch::Decode(Slot& slot) const {
    // Nobody hears of this decode: a picture that has anything to tell is
    // dropped, and the load at its turn decodes the file again and tells it.
    if (slot.codec) {
        DecodeRequest request;
        std::copy(slot.background.begin(), slot.background.end(), request.background);
        request.cancel = &slot.cancel;
        request.memory = m_memory;
        slot.decoded = DecodePicture(*slot.codec, slot.path, request);
        if (!slot.decoded.outcome.Ok()) {
            GiveBlock(m_memory, std::move(slot.decoded.pixels));
            slot.decoded.pixels.reset();
        }
        return;
    }
    JpegFile::Options options;
    options.choose = slot.choose;
    options.context = &slot.context;
    options.cancel = &slot.cancel;
    options.maxCoefficientBytes = kMaxCoefficientBytes;
    options.splitFromPixels = kSplitFromPixels;
    options.memory = m_memory;
    options.upright = slot.upright;
    if (!JpegFile::Load(slot.path, options, slot.picture).Clean()) {
        GiveBlock(m_memory, std::move(slot.picture.pixels));
        slot.picture.pixels.reset();
    }
}

void JpegPrefetch::Start(const std::vector<std::string>& paths, JpegFile::ScaleChooser choose,
                         const ScaleContext& context, bool upright, const Background& background) {
    const std::size_t wanted = std::min(paths.size(), kDepth);
    const auto asked = [&](const Slot& slot) {
        for (std::size_t i = 0; i < wanted; ++i) {
            if (slot.Matches(paths[i], choose, context, upright, background)) return true;
        }
        return false;
    };
    // What is no longer wanted goes first, so that its memory is free for the rest.
    for (Slot& slot : m_slots) {
        if (!asked(slot)) Drop(slot);
    }
    for (std::size_t i = 0; i < wanted; ++i) {
        const bool underWay = std::any_of(m_slots.begin(), m_slots.end(), [&](const Slot& s) {
            return s.Matches(paths[i], choose, context, upright, background);
        });
        if (underWay) continue;
        const auto free = std::find_if(m_slots.begin(), m_slots.end(), [](const Slot& s) { return !s.Pending(); });
        if (free == m_slots.end()) break;
        Slot& slot = *free;
        slot.path = paths[i];
        slot.choose = choose;
        slot.context = context;
        slot.upright = upright;
        slot.codec = CodecFor(PictureKindOf(paths[i]));
        slot.background = background;
        try {
            slot.worker = std::thread([this, &slot] { Decode(slot); });
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

JpegPrefetch::Slot* JpegPrefetch::HandOver(const std::string& path, JpegFile::ScaleChooser choose,
                                           const ScaleContext& context, bool upright, const Background& background) {
    // Another file loaded meanwhile (a written slide read back, a halted show
    // reloading its slide) leaves what is decoded ahead for its own turn.
    const auto slot = std::find_if(m_slots.begin(), m_slots.end(), [&](const Slot& s) {
        return s.Matches(path, choose, context, upright, background);
    });
    if (slot == m_slots.end()) return nullptr;
    slot->Wait();
    const PixelBlock& pixels = slot->codec ? slot->decoded.pixels : slot->picture.pixels;
    const FileStamp& stamp = slot->codec ? slot->decoded.stamp : slot->picture.stamp;
    FileStamp now;
    if (pixels && StampOf(path, now) && now == stamp) {
        ++m_handedOver;
        return &*slot;
    }
    // Loaded at its turn, perhaps a big picture of many scans: alone.
    Drop();
    return nullptr;
}

std::optional<JpegFile::Picture> JpegPrefetch::Take(const std::string& path, JpegFile::ScaleChooser choose,
                                                    const ScaleContext& context, bool upright) {
    std::optional<JpegFile::Picture> picture;
    if (Slot* slot = HandOver(path, choose, context, upright, {})) {
        picture = std::move(slot->picture);
        Drop(*slot);
    }
    return picture;
}

std::optional<DecodedPicture> JpegPrefetch::Take(const std::string& path, const Background& background) {
    std::optional<DecodedPicture> picture;
    if (Slot* slot = HandOver(path, nullptr, {}, false, background)) {
        picture = std::move(slot->decoded);
        Drop(*slot);
    } else if (IsFor(path)) {
        Drop();  // decoded over another background: of no use, and the load at its turn runs alone
    }
    return picture;
}

void JpegPrefetch::Drop() {
    for (Slot& slot : m_slots) Drop(slot);
}

}  // namespace vantor
