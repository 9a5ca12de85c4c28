// A JPEG picture decoded ahead of need on a thread of its own: while one slide is
// on screen (or being written), the one most likely needed next is decoded
// quietly, and handed over only if it is asked for exactly and its file has not
// changed since. The worker only decodes into a block of its own (from the picture
// memory it is given); everything else, the decision to use the picture included,
// stays with the caller's thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

#include "imaging/JpegFile.h"
#include "imaging/RgbBuffer.h"
#include "platform/FileSystem.h"

namespace vantor {

class JpegPrefetch {
public:
    // What a chooser (see JpegFile::ScaleChooser) is given as its context.
    using ScaleContext = std::array<std::uint32_t, 3>;

    // A multi-scan (progressive) file holds all its coefficients while it decodes:
    // one that needs more than this is not decoded ahead. Next to the picture on
    // screen and the one decoded, this keeps a show within twice its largest
    // picture plus a fixed margin.
    static constexpr std::uint64_t kMaxCoefficientBytes = 24u << 20;
    // A picture this big is decoded in two bands on two threads: its decode is
    // what keeps a show from its pace, while the user-interface thread waits.
    static constexpr std::uint64_t kSplitFromPixels = 4'000'000;

    // Pictures are decoded into blocks from memory (kept ones when they fit).
    explicit JpegPrefetch(PictureMemory* memory = nullptr) : m_memory(memory) {}
    JpegPrefetch(const JpegPrefetch&) = delete;
    JpegPrefetch& operator=(const JpegPrefetch&) = delete;
    ~JpegPrefetch() { Drop(); }

    // Begins decoding path, at the reduction choose picks (full size without a
    // chooser). Whatever was prefetched before is dropped first; asking again for
    // what is already under way changes nothing.
    void Start(const std::string& path, JpegFile::ScaleChooser choose = nullptr, const ScaleContext& context = {});

    // The picture for exactly this request, once its decode is done, if it decoded
    // without a word and the file is still the one read (the same file, size and
    // modification time); then nothing stays prefetched. Otherwise nothing, and the
    // caller loads as usual: a request for another file keeps what is prefetched
    // (the next Start or Drop replaces it), one for this file drops it.
    std::optional<JpegFile::Picture> Take(const std::string& path, JpegFile::ScaleChooser choose = nullptr,
                                          const ScaleContext& context = {});

    // Gives up a decode under way and frees what was decoded.
    void Drop();

    // Waits until the decode under way (if any) is done; for tests.
    void Wait();

    bool Pending() const { return m_worker.joinable() || m_done; }
    // Whether what is prefetched (or under way) is path, at whatever scale.
    bool IsFor(const std::string& path) const { return Pending() && path == m_path; }
    // How many pictures Take has handed over so far.
    std::uint64_t HandedOver() const { return m_handedOver; }

private:
    bool Matches(const std::string& path, JpegFile::ScaleChooser choose, const ScaleContext& context) const {
        return Pending() && path == m_path && choose == m_choose && context == m_context;
    }

    std::thread m_worker;
    std::atomic<bool> m_cancel{false};
    // The request, written before the worker starts and only read while it runs.
    std::string m_path;
    JpegFile::ScaleChooser m_choose = nullptr;
    ScaleContext m_context{};
    PictureMemory* m_memory;
    // The worker's result, read only after it has been joined.
    JpegFile::Picture m_picture;
    bool m_done = false;  // joined, with m_picture as it left it
    std::uint64_t m_handedOver = 0;
};

}  // namespace vantor
