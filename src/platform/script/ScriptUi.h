// The scripted user: answers message boxes, dialogs and file dialogs from queues,
// delivers clicks, keys and commands at chosen pump steps, records sleeps instead of waiting,
// and writes a transcript of everything a user would see, one JSON object a line.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/Dialog.h"
#include "platform/MainFrame.h"
#include "platform/Ui.h"
#include "platform/script/Json.h"

namespace vantor {

class Canvas;

// One action a scripted user takes: a command, a click or a key.
struct ScriptAction {
    enum class Kind { Command, LeftClick, RightClick, Key };
    Kind kind = Kind::Command;
    int value = 0;  // command id or virtual-key code
};

struct DialogAnswer {
    int button = IDCANCEL;                                    // IDOK or IDCANCEL
    std::vector<std::pair<std::string, std::string>> values;  // member name or "#id" -> text
    struct Step {
        enum class Kind { Click, Scroll, Select };
        Kind kind = Kind::Click;
        int id = 0;
        ScrollCode code = ScrollCode::EndScroll;
        int pos = 0;
        std::vector<int> lines;  // Select: the list box lines selected, 0-based
    };
    std::vector<Step> steps;
};

struct FilesAnswer {
    bool cancel = true;
    std::vector<std::string> paths;
};

class ScriptUi : public Ui {
public:
    explicit ScriptUi(std::ostream& transcript);

    // ---- what the script queues ----------------------------------------------------
    void QueueBoxAnswer(int answer) { m_boxAnswers.push_back(answer); }
    void QueueDialogAnswer(DialogAnswer answer) { m_dialogAnswers.push_back(std::move(answer)); }
    void QueueFilesAnswer(FilesAnswer answer) { m_fileAnswers.push_back(std::move(answer)); }
    // Delivers action during the n-th pump step counted from the next ResetPumpCount.
    void QueueAtPump(unsigned n, ScriptAction action) { m_atPump.emplace(n, action); }
    // Runs change during the n-th pump step: something done behind the program's back,
    // such as a file replaced or deleted while a show runs.
    void QueueOutsideAtPump(unsigned n, std::function<void()> change) { m_outsideAtPump.emplace(n, std::move(change)); }
    void SetClientSize(int cx, int cy) { m_client = {cx, cy}; }

    // ---- how the runner connects it ---------------------------------------------------
    std::function<void(const ScriptAction&)> deliver;  // runs an action against the view
    std::function<void(Canvas&)> paint;                // the view's paint
    std::function<void()> requestClose;                // the user closes the window

    void ResetPumpCount() { m_pumps = 0; }
    unsigned PumpCount() const { return m_pumps; }
    void DropAtPump() { m_atPump.clear(); }
    bool ClosePosted() const { return m_closePosted; }
    void PaintIfNeeded();
    void Event(const Json& event);  // writes one transcript line
    int ProgressPos() const { return m_meter.Pos(); }
    int ProgressSteps() const { return m_progressSteps; }
    const std::string& Title() const { return m_title; }
    const std::string& StatusPane(int pane) const;

    // ---- Ui -------------------------------------------------------------------------------
    int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon) override;
    int DoModal(Dialog& dialog) override;
    void RangeMessage(Dialog& dialog, const std::string& text) override;
    std::vector<std::string> FileDialog(const FileDialogOptions& options) override;
    void Pump(unsigned attempts) override;
    using Ui::Sleep;
    void Sleep(unsigned ms, const WakeCondition& wake) override;
    void SetCursor(CursorKind) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void SetTitle(const std::string& text) override;
    void SetStatusPane(int pane, const std::string& text) override;
    void ProgressStep() override;
    void ProgressSetPos(int pos) override { m_meter.SetPos(pos); }
    void Invalidate(bool) override { m_dirty = true; }
    void UpdateWindow() override { PaintIfNeeded(); }
    Size ClientSize() override { return m_client; }
    Point ScrollPosition() override { return m_scroll; }
    void SetScrollRange(Size range) override;
    void ScrollTo(Point position) override;
    void SetViewTimer(bool) override {}
    void PostClose() override { m_closePosted = true; }
    void SetFullScreen(bool on) override { Event(Json{{"event", "fullscreen"}, {"on", on}}); }
    void SlideShown(unsigned number, const std::string& path, unsigned width, unsigned height) override;
    void FileWritten(const std::string& path) override;

private:
    std::ostream& m_out;
    std::deque<int> m_boxAnswers;
    std::deque<DialogAnswer> m_dialogAnswers;
    std::deque<FilesAnswer> m_fileAnswers;
    std::multimap<unsigned, ScriptAction> m_atPump;
    std::multimap<unsigned, std::function<void()>> m_outsideAtPump;
    Size m_client{1000, 700};
    Size m_scrollRange{};
    Point m_scroll{};
    unsigned m_pumps = 0;
    static constexpr unsigned kPumpLimit = 5'000'000;
    bool m_limitReported = false;
    bool m_inPump = false;
    bool m_dirty = true;
    bool m_closePosted = false;
    bool m_closeDelivered = false;  // the posted close has reached the view
    std::string m_title;
    std::map<int, std::string> m_panes;
    ProgressMeter m_meter;
    int m_progressSteps = 0;
    std::vector<std::string>* m_rangeMessages = nullptr;
};

}  // namespace vantor
