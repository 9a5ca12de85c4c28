// Pictures decoded ahead of need on threads of their own: while one slide is on
// screen (or being written), the ones most likely needed next are decoded
// quietly, and handed over only if asked for exactly and their files have not
// changed since. A JPEG is decoded at the reduction its chooser picks, a picture
// of another format (imaging/PictureDecoders) whole, over the background given.
// A worker only decodes into a block of its own (from the picture memory it is
// given); everything else, the decision to use a picture included, stays with
// the caller's thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "imaging/JpegFile.h"
#include "imaging/PictureDecoders.h"
#include "imaging/RgbBuffer.h"
#include "platform/FileSystem.h"

namespace vantor {

class JpegPrefetch {
public:
    // What a chooser (see JpegFile::ScaleChooser) is given as its context.
    using ScaleContext = std::array<std::uint32_t, 3>;
    // Red, green, blue: what the transparent parts of a picture are drawn over.
    using Background = std::array<std::uint8_t, 3>;

    // How many pictures may be decoded ahead at once: one per core, so that a
    // show at full speed decodes on both while the window paints.
    static constexpr std::size_t kDepth = 2;
    // A multi-scan (progressive) file holds all its coefficients while it decodes:
    // one that needs more than this is not decoded ahead but at its turn, and so
    // never beside another big decode.
    static constexpr std::uint64_t kMaxCoefficientBytes = 4u << 20;
    // A picture this big (as decoded) is decoded in two bands on two threads: its
    // decode is what keeps a show from its pace, while the window waits.
    static constexpr std::uint64_t kSplitFromPixels = 4'000'000;

    // Pictures are decoded into blocks from memory (kept ones when they fit).
    explicit JpegPrefetch(PictureMemory* memory = nullptr) : m_memory(memory) {}
    JpegPrefetch(const JpegPrefetch&) = delete;
    JpegPrefetch& operator=(const JpegPrefetch&) = delete;
    ~JpegPrefetch() { Drop(); }

    // Begins decoding paths (the first kDepth of them, the most wanted first) at
    // the reduction choose picks (full size without a chooser), turned upright by
    // their Exif orientation when upright is set; those of other formats whole,
    // over background. A decode already under way for one of them goes on; any
    // other is dropped first.
    void Start(const std::vector<std::string>& paths, JpegFile::ScaleChooser choose = nullptr,
               const ScaleContext& context = {}, bool upright = false, const Background& background = {});
    void Start(const std::string& path, JpegFile::ScaleChooser choose = nullptr, const ScaleContext& context = {},
               bool upright = false, const Background& background = {}) {
        Start(std::vector<std::string>{path}, choose, context, upright, background);
    }

    // The picture for exactly this request, once its decode is done, if it decoded
    // without a word and the file is still the one read (the same file, size and
    // modification time). Otherwise nothing, and the caller loads as usual. A
    // request for a file not under way keeps the rest; one for a file under way
    // that gives nothing drops every other decode too, so that the load at its
    // turn runs alone.
    std::optional<JpegFile::Picture> Take(const std::string& path, JpegFile::ScaleChooser choose = nullptr,
                                          const ScaleContext& context = {}, bool upright = false);
    // The same for a picture of another format, decoded over background. One
    // decoded over another background is dropped with the rest: it is decoded
    // again at its turn.
    std::optional<DecodedPicture> Take(const std::string& path, const Background& background);

    // Gives up every decode under way and frees what was decoded.
    void Drop();

    // Waits until every decode under way is done; for tests.
    void Wait();

    bool Pending() const;
    // Whether path is decoded ahead (or under way), at whatever scale.
    bool IsFor(const std::string& path) const;
    // How many pictures Take has handed over so far.
    std::uint64_t HandedOver() const { return m_handedOver; }

private:
    struct Slot {
        std::thread worker;
        std::atomic<bool> cancel{false};
        // The request, written before the worker starts and only read while it runs.
        std::string path;
        JpegFile::ScaleChooser choose = nullptr;
        ScaleContext context{};
        bool upright = false;
        // Set for a picture of another format than JPEG.
        std::optional<PictureCodec> codec;
        Background background{};
        // The worker's result, read only after it has been joined.
        JpegFile::Picture picture;
        DecodedPicture decoded;  // of another format
        bool done = false;       // joined, with picture as it left it

        bool Pending() const { return worker.joinable() || done; }
        bool Matches(const std::string& p, JpegFile::ScaleChooser c, const ScaleContext& x, bool u,
                     const Background& b) const {
            if (!Pending() || p != path) return false;
            // Another format is decoded whole: only what it is drawn over tells two apart.
            return codec ? b == background : c == choose && x == context && u == upright;
        }
        void Wait();
    };
    void Drop(Slot& slot);
    void Decode(Slot& slot) const;
    // The slot asked for, once its decode is done, when it holds the file as it is
    // now: counted as handed over, for the caller to take its picture and drop it.
    // Otherwise nullptr; a slot that was asked for but gives nothing drops every decode.
    Slot* HandOver(const std::string& path, JpegFile::ScaleChooser choose, const ScaleContext& context, bool upright,
                   const Background& background);

    PictureMemory* m_memory;
    std::array<Slot, kDepth> m_slots;
    std::uint64_t m_handedOver = 0;
};

}  // namespace vantor
