#include "batch/ParallelWrite.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "batch/ConsoleUi.h"
#include "viewer/CVantorView.h"

namespace vantor {

namespace {

// A box or an outcome of a worker's slide, told again on the console in list order.
struct Told {
    bool box = true;
    std::string text;  // the box's text, or the outcome's path
    std::string caption;
    MsgButtons buttons = MsgButtons::OK;
    MsgIcon icon = MsgIcon::None;
    std::string reason;  // the outcome's
};

std::ostream& Nowhere() {
    static std::ostream nowhere(nullptr);  // never written: every output is overridden
    return nowhere;
}

// A worker's user: answers as the console does and keeps what it was told.
class RecordingUi : public ConsoleUi {
public:
    RecordingUi() : ConsoleUi(Nowhere(), Nowhere(), false) {}
    std::vector<Told> told;

    int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon) override {
        told.push_back({true, text, caption, buttons, icon, {}});
        return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? IDYES : IDOK;
    }
    void WriteOutcome(const std::string& path, const std::string& reason) override {
        told.push_back({false, path, {}, MsgButtons::OK, MsgIcon::None, reason});
    }
    void FileWritten(const std::string&) override {}
    void ProgressStep() override {}
};

struct Prepared {
    bool ready = false;
    std::vector<Told> told;
    std::optional<CVantorView::SlideOutput> output;
    std::uint32_t slideNoAfter = 0;  // where the step left the slide number
};

// Slides first, first + 1, ... up to last prepared ahead by the workers, at most
// two a worker ahead of the one taken, so memory stays bounded whatever the list.
class Pipeline {
public:
    Pipeline(std::vector<std::unique_ptr<CVantorView>>& views, const std::vector<std::string>& paths,
             std::size_t offset, std::uint32_t first, std::uint32_t last)
        : m_paths(paths),
          m_offset(offset),
          m_first(first),
          m_last(last),
          m_next(first),
          m_wanted(first),
          m_ring(2 * views.size()),
          m_here(*views.front()) {
        for (auto& view : views) {
            try {
                m_threads.emplace_back([this, v = view.get()] { Work(*v); });
            } catch (const std::system_error&) {
                break;  // no room for another thread (a memory limit): those started do the work
            }
        }
    }
    ~Pipeline() {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        for (auto& t : m_threads) t.join();
    }
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    // Slide number, taken in order from first.
    Prepared Take(std::uint32_t number) {
        if (m_threads.empty()) return Prepare(m_here, number);  // not even one thread: here, in turn
        std::unique_lock lock(m_mutex);
        Prepared& slot = Slot(number);
        m_changed.wait(lock, [&] { return slot.ready; });
        Prepared taken = std::move(slot);
        slot = Prepared();
        m_wanted = number + 1;
        lock.unlock();
        m_changed.notify_all();
        return taken;
    }

private:
    Prepared& Slot(std::uint32_t number) { return m_ring[(number - m_first) % m_ring.size()]; }

    // The write step of slide number on view, told to a user that keeps what it hears.
    Prepared Prepare(CVantorView& view, std::uint32_t number) {
        RecordingUi ui;
        const ThreadUi scope(ui);
        view.m_slideNo = number;
        view.m_lastStepSlide = 0;
        view.m_curSlidePath = m_paths[m_offset + number - 1];
        view.m_strFile = view.m_curSlidePath;
        view.m_deferred.reset();
        view.WriteStep();
        Prepared done;
        done.ready = true;
        done.told = std::move(ui.told);
        done.output = std::move(view.m_deferred);
        done.slideNoAfter = view.m_slideNo;
        return done;
    }

    void Work(CVantorView& view) {
        for (;;) {
            std::uint32_t number = 0;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return m_stop || m_next > m_last || m_next < m_wanted + m_ring.size(); });
                if (m_stop || m_next > m_last) return;
                number = m_next++;
            }
            Prepared done = Prepare(view, number);
            {
                const std::lock_guard lock(m_mutex);
                Slot(number) = std::move(done);
            }
            m_changed.notify_all();
        }
    }

    const std::vector<std::string>& m_paths;
    const std::size_t m_offset;
    const std::uint32_t m_first, m_last;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::uint32_t m_next;    // the next slide a worker takes up
    std::uint32_t m_wanted;  // the next slide Take hands out
    bool m_stop = false;
    std::vector<Prepared> m_ring;
    CVantorView& m_here;  // the view that prepares on the calling thread when no thread starts
    std::vector<std::thread> m_threads;
};

}  // namespace

void RunParallelWrite(CVantorView& view, ConsoleUi& ui, const std::vector<std::string>& paths, std::size_t offset,
                      std::uint32_t count, std::uint32_t startNo, unsigned jobs,
                      const std::function<void(CVantorView&)>& configure) {
    if (count == 0) return;
    std::vector<std::unique_ptr<CVantorView>> views;
    for (unsigned i = 0; i < jobs; ++i) {
        auto worker = std::make_unique<CVantorView>();
        configure(*worker);
        worker->m_prefetchSlides = false;  // the other workers are the ones ahead
        worker->m_deferStore = true;
        worker->m_slides.m_slideCount = count;
        views.push_back(std::move(worker));
    }
    // The run loop's course: every slide from the start number on, each once,
    // unless a step moves the slide number (the window's steps do, on a failure its
    // user is asked about): the workers then start again from there.
    std::uint32_t slideNo = std::min(std::max(startNo, 1u), count);
    std::uint32_t lastStep = 0;
    for (bool done = false; !done;) {
        Pipeline pipeline(views, paths, offset, slideNo, count);
        for (;;) {
            std::uint32_t after = slideNo;
            if (slideNo != lastStep) {
                Prepared prepared = pipeline.Take(slideNo);
                for (const Told& t : prepared.told) {
                    if (t.box)
                        ui.MessageBox(t.text, t.caption, t.buttons, t.icon);
                    else
                        ui.WriteOutcome(t.text, t.reason);
                }
                if (prepared.output) view.StoreSlideOutput(*prepared.output, false);
                lastStep = slideNo;
                after = prepared.slideNoAfter;
            }
            view.m_slideNo = slideNo;
            ui.ProgressStep();
            if (after >= count) {
                done = true;
                break;
            }
            const std::uint32_t next = after + 1;
            const bool inCourse = next == slideNo + 1;
            slideNo = next;
            if (!inCourse) break;
        }
    }
}

}  // namespace vantor
