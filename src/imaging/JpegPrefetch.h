// Pictures decoded ahead of need: while one slide is on screen (or being
// written), the ones most likely needed next are decoded quietly, in the order
// they will be wanted, by a worker per core, and handed over only if asked for
// exactly and their files have not changed since. A JPEG is decoded at the
// reduction its chooser picks, a picture of another format (imaging/
// PictureDecoders) whole, over the background given; with a fitter, each is also
// shrunk to the size it will be shown at, so that the screen only draws it.
//
// What is decoded ahead is held to a memory budget: a decode waits, in list
// order, until what it will hold fits beside what the others hold. One that
// does not fit even then (a large picture of several scans holds every
// coefficient while it decodes) takes the one lane kept for a large decode, so
// at most one such is under way, and only while the others hold at most a third
// of the budget, as they may beside it. A worker only decodes into blocks of its own
// (from the picture memory it is given); everything else, the decision to use a
// picture included, stays with the caller's thread.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "imaging/AreaShrink.h"
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
    // The size a picture of its own size width x height is shown at, in the
    // context the chooser is given.
    struct ShownSize {
        std::uint32_t width = 0, height = 0;
    };
    using Fitter = ShownSize (*)(std::uint32_t width, std::uint32_t height, const void* context);

    // How many slides ahead may be asked for; how many are decoded is the budget's call.
    static constexpr std::size_t kMostAhead = 8;
    // What the pictures decoded ahead (and those under way) may hold together; a
    // third of it beside the one large decode. A fixed figure, not a share of the
    // machine: the show is to stay within what a one-picture decoder needs for
    // its costliest picture plus 40 MB, whatever the machine, and this holds
    // three or four screen-sized slides, enough to keep two cores busy.
    static constexpr std::uint64_t kBudgetBytes = 24u << 20;
    // A picture this big (as decoded) is decoded in two bands on two threads: its
    // decode is what keeps a show from its pace, while the window waits.
    static constexpr std::uint64_t kSplitFromPixels = 4'000'000;

    // Pictures are decoded into blocks from memory (kept ones when they fit).
    explicit JpegPrefetch(PictureMemory* memory = nullptr, std::uint64_t budget = kBudgetBytes)
        : m_memory(memory), m_budget(budget) {}
    JpegPrefetch(const JpegPrefetch&) = delete;
    JpegPrefetch& operator=(const JpegPrefetch&) = delete;
    ~JpegPrefetch();

    // Begins decoding paths (the first kMostAhead of them, the most wanted first)
    // at the reduction choose picks (full size without a chooser), turned upright
    // by their Exif orientation when upright is set; those of other formats whole,
    // over background; with fit, each is also shrunk to the size it gives. A decode
    // already under way for one of them goes on; any other is dropped first.
    void Start(const std::vector<std::string>& paths, JpegFile::ScaleChooser choose = nullptr,
               const ScaleContext& context = {}, bool upright = false, const Background& background = {},
               Fitter fit = nullptr);
    void Start(const std::string& path, JpegFile::ScaleChooser choose = nullptr, const ScaleContext& context = {},
               bool upright = false, const Background& background = {}, Fitter fit = nullptr) {
        Start(std::vector<std::string>{path}, choose, context, upright, background, fit);
    }

    // The picture for exactly this request, once its decode is done, if it decoded
    // without a word and the file is still the one read (the same file, size and
    // modification time); with shrunk, also the picture shrunk for the screen, when
    // one was made. Otherwise nothing, and the caller loads as usual. Whatever
    // else is decoded ahead goes on.
    std::optional<JpegFile::Picture> Take(const std::string& path, JpegFile::ScaleChooser choose = nullptr,
                                          const ScaleContext& context = {}, bool upright = false, Fitter fit = nullptr,
                                          ShrunkPicture* shrunk = nullptr);
    // The same for a picture of another format, decoded over background.
    std::optional<DecodedPicture> Take(const std::string& path, const Background& background, Fitter fit = nullptr,
                                       const ScaleContext& context = {}, ShrunkPicture* shrunk = nullptr);

    // Gives up every decode under way and frees what was decoded.
    void Drop();

    // Waits until every decode asked for is done; for tests.
    void Wait();

    bool Pending() const;
    // Whether path is decoded ahead (or under way, or waiting), at whatever scale.
    bool IsFor(const std::string& path) const;
    // How many pictures Take has handed over so far.
    std::uint64_t HandedOver() const { return m_handedOver; }
    // The most the decodes ahead have held at once, by the budget's count; for tests.
    std::uint64_t MostHeld() const;

private:
    struct Request {
        std::string path;
        JpegFile::ScaleChooser choose = nullptr;
        ScaleContext context{};
        bool upright = false;
        Background background{};
        Fitter fit = nullptr;
        std::optional<PictureCodec> codec;  // set for a picture of another format than JPEG

        bool Same(const Request& r) const {
            if (path != r.path || fit != r.fit || (fit != nullptr && context != r.context)) return false;
            // Another format is decoded whole: only what it is drawn over tells two apart.
            return codec ? background == r.background
                         : choose == r.choose && context == r.context && upright == r.upright;
        }
    };
    enum class State { Queued, Running, Done };
    struct Job {
        Request request;  // written before it is queued, then only read
        std::atomic<bool> cancel{false};
        // Under m_mutex:
        State state = State::Queued;
        bool admitted = false;  // holds memory by the budget's count
        bool large = false;     // in the lane of the one large decode
        bool forced = false;    // taken while under way: admitted whatever the budget
        bool waiting = false;   // waiting in Admit
        std::uint64_t held = 0;
        // The worker's result, read only once Done.
        JpegFile::Picture picture;
        DecodedPicture decoded;  // of another format
        ShrunkPicture shrunk;
    };

    void Work();
    void Decode(Job& job);
    // Under the lock: the decode is over; what it holds is counted.
    void Settle(Job& job);
    // Blocks until job may hold bytes, in list order; false when it is dropped meanwhile.
    bool Admit(Job& job, std::uint64_t bytes);
    // Under the lock: the budget's count of job becomes bytes.
    void Hold(Job& job, std::uint64_t bytes);
    // Under the lock: the lane of the large decode is taken or left.
    void LargeLane(bool busy);
    void StartWorkers();
    // Under the lock: cancels every job but those kept, which stay queued in
    // their order, and waits for the workers to leave the others; those are
    // handed back, to be freed.
    std::vector<std::unique_ptr<Job>> Replace(std::unique_lock<std::mutex>& lock,
                                              std::deque<std::unique_ptr<Job>> kept);
    void Free(std::unique_ptr<Job> job);
    // The done job for the request, taken out of the queue (its file checked);
    // nothing when there is none or it gave nothing.
    std::unique_ptr<Job> HandOver(const Request& request);

    PictureMemory* m_memory;
    const std::uint64_t m_budget;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::unique_ptr<Job>> m_jobs;  // in the order they are wanted
    std::uint64_t m_held = 0;                 // by the jobs outside the large lane
    std::uint64_t m_largeHeld = 0;            // by the one in it
    std::uint64_t m_mostHeld = 0;
    bool m_largeLaneBusy = false;
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
    std::uint64_t m_handedOver = 0;
};

}  // namespace vantor
