#include "imaging/JpegPrefetch.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "platform/PictureFormats.h"

namespace vantor {

namespace {

// What a decoder of another format may hold at its peak for each pixel: its own
// rows or raster (up to four bytes a pixel) beside the picture it hands over.
constexpr std::uint64_t kOtherFormatBytesPerPixel = 7;
// More workers than this would only share the cores with the window.
constexpr unsigned kMostWorkers = 4;

std::uint64_t HeldBy(const PixelBlock& block) { return block ? block.capacity : 0; }

}  // namespace

JpegPrefetch::~JpegPrefetch() {
    Drop();
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread& worker : m_workers) worker.join();
}

void JpegPrefetch::StartWorkers() {
    const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, kMostWorkers);
    for (unsigned i = 0; i < cores; ++i) {
        try {
            m_workers.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            break;  // no room for another thread (a memory limit): what none takes loads at its turn
        }
    }
}

void JpegPrefetch::Work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        Job* job = nullptr;
        m_changed.wait(lock, [&] {
            if (m_stopping) return true;
            const auto queued =
                std::find_if(m_jobs.begin(), m_jobs.end(), [](const auto& j) { return j->state == State::Queued; });
            job = queued == m_jobs.end() ? nullptr : queued->get();
            return job != nullptr;
        });
        if (m_stopping) return;
        job->state = State::Running;
        lock.unlock();
        Decode(*job);
        lock.lock();
        Settle(*job);
    }
}

void JpegPrefetch::Settle(Job& job) {
    // From now on the job holds only what it hands over.
    const std::uint64_t result = HeldBy(job.picture.pixels) + HeldBy(job.decoded.pixels) +
                                 std::uint64_t{job.shrunk.width} * job.shrunk.height * 4;
    if (job.admitted) Hold(job, result);
    job.state = State::Done;
    m_changed.notify_all();
}

void JpegPrefetch::LargeLane(bool busy) {
    m_largeLaneBusy = busy;
    if (!busy) m_largeHeld = 0;
    // What the pool keeps would come on top of the large decode's coefficients.
    if (m_memory != nullptr) m_memory->KeepNone(busy);
}

void JpegPrefetch::Hold(Job& job, std::uint64_t bytes) {
    if (job.large) {
        // A large decode whose picture is small leaves its lane to the next.
        if (m_held + bytes <= m_budget) {
            job.large = false;
            LargeLane(false);
            m_held += bytes;
        } else {
            m_largeHeld = bytes;
        }
    } else {
        m_held = m_held - job.held + bytes;
    }
    job.held = bytes;
    job.admitted = true;
    m_mostHeld = std::max(m_mostHeld, m_held + m_largeHeld);
}

bool JpegPrefetch::Admit(Job& job, std::uint64_t bytes) {
    std::unique_lock lock(m_mutex);
    // Beside a large decode the others hold at most a third of the budget: the
    // large one is the most the show holds beyond a one-picture decoder's need.
    const std::uint64_t besideLarge = m_budget / 3;
    const auto fits = [&] { return m_held + bytes <= (m_largeLaneBusy ? besideLarge : m_budget); };
    const auto large = [&] { return !m_largeLaneBusy && m_held <= besideLarge; };
    job.waiting = true;
    m_changed.notify_all();  // one waiting for the work to settle may look again
    m_changed.wait(lock, [&] {
        if (job.cancel.load(std::memory_order_relaxed) || m_stopping) return true;
        if (job.forced) return true;
        // In list order: a decode that began earlier is admitted first.
        for (const auto& earlier : m_jobs) {
            if (earlier.get() == &job) break;
            if (earlier->state == State::Running && !earlier->admitted) return false;
        }
        return fits() || large();
    });
    job.waiting = false;
    if (job.cancel.load(std::memory_order_relaxed) || m_stopping) return false;
    if (!fits() && !job.forced) {
        job.large = true;
        LargeLane(true);
    }
    Hold(job, bytes);
    m_changed.notify_all();  // the next in order may ask now
    return true;
}

void JpegPrefetch::Decode(Job& job) {
    const Request& r = job.request;
    // The shrunk picture is made beside the decoded one, four bytes a pixel of the
    // size shown (whichever way a turn leaves the picture); none is made for a
    // picture shown at the size decoded, which the screen draws as it is.
    const auto shrunkBytes = [&](std::uint32_t width, std::uint32_t height) -> std::uint64_t {
        if (r.fit == nullptr) return 0;
        const std::uint64_t most = std::uint64_t{width} * height;
        const ShownSize a = r.fit(width, height, &r.context), b = r.fit(height, width, &r.context);
        const std::uint64_t shown = std::max(std::uint64_t{a.width} * a.height, std::uint64_t{b.width} * b.height);
        return shown < most ? 4 * shown : 0;
    };
    const auto shrink = [&](const PixelBlock& pixels, std::uint32_t width, std::uint32_t height,
                            std::uint32_t trueWidth, std::uint32_t trueHeight) {
        if (r.fit == nullptr || !pixels) return;
        const ShownSize shown = r.fit(trueWidth, trueHeight, &r.context);
        if (std::uint64_t{shown.width} * shown.height >= std::uint64_t{width} * height) return;
        job.shrunk = ShrinkPicture(pixels.get(), std::size_t{width} * 3, width, height, shown.width, shown.height);
    };
    // Nobody hears of this decode: a picture that has anything to tell is
    // dropped, and the load at its turn decodes the file again and tells it.
    if (r.codec) {
        const PictureSize size = ReadPictureSize(*r.codec, r.path);
        const std::uint64_t pixels = std::uint64_t{size.width} * size.height;
        if (!size.outcome.Ok() ||
            !Admit(job, pixels * kOtherFormatBytesPerPixel + shrunkBytes(size.width, size.height)))
            return;
        DecodeRequest request;
        std::copy(r.background.begin(), r.background.end(), request.background);
        if (r.fit != nullptr) {
            // A decoder that scales while decoding (WebP) gives the size shown.
            const ShownSize shown = r.fit(size.width, size.height, &r.context);
            request.atLeastWidth = shown.width;
            request.atLeastHeight = shown.height;
        }
        request.cancel = &job.cancel;
        request.memory = m_memory;
        job.decoded = DecodePicture(*r.codec, r.path, request);
        if (!job.decoded.outcome.Ok()) {
            GiveBlock(m_memory, std::move(job.decoded.pixels));
            job.decoded.pixels.reset();
            return;
        }
        const DecodedPicture& d = job.decoded;
        shrink(d.pixels, d.width, d.height, d.trueWidth, d.trueHeight);
        return;
    }
    JpegFile::Options options;
    options.choose = r.choose;
    options.context = &r.context;
    options.cancel = &job.cancel;
    options.splitFromPixels = kSplitFromPixels;
    options.memory = m_memory;
    options.upright = r.upright;
    options.admit = [&](std::uint64_t bytes, std::uint32_t width, std::uint32_t height) {
        return Admit(job, bytes + shrunkBytes(width, height));
    };
    if (!JpegFile::Load(r.path, options, job.picture).Clean()) {
        GiveBlock(m_memory, std::move(job.picture.pixels));
        job.picture.pixels.reset();
        return;
    }
    const JpegFile::Picture& p = job.picture;
    shrink(p.pixels, p.width, p.height, p.trueWidth, p.trueHeight);
}

std::vector<std::unique_ptr<JpegPrefetch::Job>> JpegPrefetch::Replace(std::unique_lock<std::mutex>& lock,
                                                                      std::deque<std::unique_ptr<Job>> kept) {
    std::vector<std::unique_ptr<Job>> gone;
    for (auto& job : m_jobs) {
        if (!job) continue;  // kept
        job->cancel.store(true, std::memory_order_relaxed);
        gone.push_back(std::move(job));
    }
    m_jobs = std::move(kept);
    m_changed.notify_all();
    m_changed.wait(lock, [&] {
        return std::none_of(gone.begin(), gone.end(), [](const auto& j) { return j->state == State::Running; });
    });
    return gone;
}

void JpegPrefetch::Free(std::unique_ptr<Job> job) {
    {
        std::lock_guard lock(m_mutex);
        if (job->large) {
            LargeLane(false);
        } else {
            m_held -= job->held;
        }
        job->held = 0;
    }
    m_changed.notify_all();
    GiveBlock(m_memory, std::move(job->picture.pixels));
    GiveBlock(m_memory, std::move(job->decoded.pixels));
}

void JpegPrefetch::Start(const std::vector<std::string>& paths, JpegFile::ScaleChooser choose,
                         const ScaleContext& context, bool upright, const Background& background, Fitter fit) {
    std::vector<Request> wanted;
    for (std::size_t i = 0; i < paths.size() && wanted.size() < kMostAhead; ++i) {
        Request r{paths[i], choose, context, upright, background, fit, CodecFor(PictureKindOf(paths[i]))};
        // A slide listed twice is decoded once, for its first turn.
        if (std::none_of(wanted.begin(), wanted.end(), [&](const Request& w) { return w.Same(r); }))
            wanted.push_back(std::move(r));
    }
    std::vector<std::unique_ptr<Job>> unwanted;
    {
        std::unique_lock lock(m_mutex);
        std::deque<std::unique_ptr<Job>> jobs;
        for (const Request& r : wanted) {
            const auto kept =
                std::find_if(m_jobs.begin(), m_jobs.end(), [&](const auto& j) { return j && j->request.Same(r); });
            if (kept != m_jobs.end()) {
                jobs.push_back(std::move(*kept));
            } else {
                jobs.push_back(std::make_unique<Job>());
                jobs.back()->request = r;
            }
        }
        // What is no longer wanted goes first, so that its memory is free for the rest.
        unwanted = Replace(lock, std::move(jobs));
        if (m_workers.empty() && !m_jobs.empty()) StartWorkers();
    }
    for (auto& job : unwanted) Free(std::move(job));
    m_changed.notify_all();
}

void JpegPrefetch::Wait() {
    std::unique_lock lock(m_mutex);
    // Each done, or waiting for memory that only a Take would free, or queued
    // while every worker waits so (or there is none): a Take decodes it.
    m_changed.wait(lock, [&] {
        const auto waiting = static_cast<std::size_t>(
            std::count_if(m_jobs.begin(), m_jobs.end(), [](const auto& j) { return j->waiting; }));
        const bool stuck = waiting == m_workers.size();
        return std::all_of(m_jobs.begin(), m_jobs.end(), [&](const auto& j) {
            return j->state == State::Done || j->waiting || (j->state == State::Queued && stuck);
        });
    });
}

bool JpegPrefetch::Pending() const {
    std::lock_guard lock(m_mutex);
    return !m_jobs.empty();
}

bool JpegPrefetch::IsFor(const std::string& path) const {
    std::lock_guard lock(m_mutex);
    return std::any_of(m_jobs.begin(), m_jobs.end(), [&](const auto& j) { return j->request.path == path; });
}

std::uint64_t JpegPrefetch::MostHeld() const {
    std::lock_guard lock(m_mutex);
    return m_mostHeld;
}

std::unique_ptr<JpegPrefetch::Job> JpegPrefetch::HandOver(const Request& request) {
    std::unique_ptr<Job> job;
    {
        std::unique_lock lock(m_mutex);
        // Another file loaded meanwhile (a written slide read back, a halted show
        // reloading its slide) leaves what is decoded ahead for its own turn.
        const auto found =
            std::find_if(m_jobs.begin(), m_jobs.end(), [&](const auto& j) { return j->request.Same(request); });
        if (found == m_jobs.end()) return nullptr;
        Job& mine = **found;
        // Wanted now: it holds what the load at its turn would, budget or not.
        mine.forced = true;
        if (mine.state == State::Queued) {
            // No worker came to it yet: decoded here, as a worker would.
            mine.state = State::Running;
            lock.unlock();
            Decode(mine);
            lock.lock();
            Settle(mine);
        } else if (mine.state == State::Running) {
            m_changed.notify_all();
            m_changed.wait(lock, [&] { return mine.state == State::Done; });
        }
        job = std::move(*found);
        m_jobs.erase(std::find(m_jobs.begin(), m_jobs.end(), nullptr));
    }
    const PixelBlock& pixels = job->request.codec ? job->decoded.pixels : job->picture.pixels;
    const FileStamp& stamp = job->request.codec ? job->decoded.stamp : job->picture.stamp;
    FileStamp now;
    if (pixels && StampOf(request.path, now) && now == stamp) {
        ++m_handedOver;
        return job;
    }
    // Nothing to hand over; whatever else is decoded ahead goes on.
    Free(std::move(job));
    return nullptr;
}

std::optional<JpegFile::Picture> JpegPrefetch::Take(const std::string& path, JpegFile::ScaleChooser choose,
                                                    const ScaleContext& context, bool upright, Fitter fit,
                                                    ShrunkPicture* shrunk) {
    std::unique_ptr<Job> job = HandOver(Request{path, choose, context, upright, {}, fit, {}});
    if (!job) return std::nullopt;
    std::optional<JpegFile::Picture> picture(std::move(job->picture));
    if (shrunk != nullptr) *shrunk = std::move(job->shrunk);
    Free(std::move(job));
    return picture;
}

std::optional<DecodedPicture> JpegPrefetch::Take(const std::string& path, const Background& background, Fitter fit,
                                                 const ScaleContext& context, ShrunkPicture* shrunk) {
    std::unique_ptr<Job> job =
        HandOver(Request{path, nullptr, context, false, background, fit, CodecFor(PictureKindOf(path))});
    if (!job) return std::nullopt;
    std::optional<DecodedPicture> picture(std::move(job->decoded));
    if (shrunk != nullptr) *shrunk = std::move(job->shrunk);
    Free(std::move(job));
    return picture;
}

void JpegPrefetch::Drop() {
    std::vector<std::unique_ptr<Job>> all;
    {
        std::unique_lock lock(m_mutex);
        all = Replace(lock, {});
    }
    for (auto& job : all) Free(std::move(job));
}

}  // namespace vantor
