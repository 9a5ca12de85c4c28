#include "platform/script/ScriptUi.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/Canvas.h"

namespace vantor {

namespace {

const char* ButtonsName(MsgButtons b) {
    switch (b) {
        case MsgButtons::OK: return "OK";
        case MsgButtons::OKCancel: return "OKCancel";
        case MsgButtons::YesNo: return "YesNo";
        case MsgButtons::YesNoCancel: return "YesNoCancel";
    }
    return "OK";
}

const char* IconName(MsgIcon i) {
    switch (i) {
        case MsgIcon::None: return "none";
        case MsgIcon::Error: return "error";
        case MsgIcon::Warning: return "warning";
        case MsgIcon::Information: return "information";
        case MsgIcon::Question: return "question";
    }
    return "none";
}

const char* AnswerName(int a) {
    switch (a) {
        case IDOK: return "OK";
        case IDCANCEL: return "Cancel";
        case IDYES: return "Yes";
        case IDNO: return "No";
        default: return "?";
    }
}

bool Allowed(MsgButtons b, int a) {
    switch (b) {
        case MsgButtons::OK: return a == IDOK;
        case MsgButtons::OKCancel: return a == IDOK || a == IDCANCEL;
        case MsgButtons::YesNo: return a == IDYES || a == IDNO;
        case MsgButtons::YesNoCancel: return a == IDYES || a == IDNO || a == IDCANCEL;
    }
    return false;
}

// A surface that draws nothing: the scripted window has no pixels.
class NullCanvas : public Canvas {
public:
    void FillRect(const Rect&, Rgb) override {}
    void TextOut(int, int, const std::string&, Rgb) override {}
    void StretchImage(const Rect&, const DibImage&, const Rect&, StretchMode) override {}
};

}  // namespace

ScriptUi::ScriptUi(std::ostream& transcript) : m_out(transcript) {}

void ScriptUi::Event(const Json& event) { m_out << event.dump() << '\n' << std::flush; }

const std::string& ScriptUi::StatusPane(int pane) const {
    static const std::string empty;
    auto it = m_panes.find(pane);
    return it == m_panes.end() ? empty : it->second;
}

void ScriptUi::PaintIfNeeded() {
    if (!m_dirty || !paint) return;
    m_dirty = false;
    NullCanvas canvas;
    paint(canvas);
}

int ScriptUi::MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon) {
    int answer = buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? IDYES : IDOK;
    if (!m_boxAnswers.empty()) {
        const int queued = m_boxAnswers.front();
        m_boxAnswers.pop_front();
        if (Allowed(buttons, queued)) answer = queued;
    }
    Json e{{"event", "box"}};
    PutText(e, "caption", caption);
    PutText(e, "text", text);
    e["buttons"] = ButtonsName(buttons);
    e["icon"] = IconName(icon);
    e["answer"] = AnswerName(answer);
    Event(e);
    return answer;
}

void ScriptUi::RangeMessage(Dialog&, const std::string& text) {
    if (m_rangeMessages != nullptr) m_rangeMessages->push_back(text);
}

int ScriptUi::DoModal(Dialog& dialog) {
    std::vector<std::string> messages;
    std::vector<std::string>* outer = m_rangeMessages;
    m_rangeMessages = &messages;
    dialog.Reset();
    dialog.OnInitDialog();
    DialogAnswer answer;  // no queued answer: the dialog is cancelled
    if (!m_dialogAnswers.empty()) {
        answer = std::move(m_dialogAnswers.front());
        m_dialogAnswers.pop_front();
    }
    for (const auto& [name, value] : answer.values) {
        int id = -1;
        if (!name.empty() && name[0] == '#') {
            id = std::atoi(name.c_str() + 1);
        } else {
            auto it = dialog.Bindings().find(name);
            if (it != dialog.Bindings().end()) id = it->second;
        }
        if (id >= 0 && dialog.HasControl(id)) dialog.Control(id).text = value;
    }
    for (const auto& step : answer.steps) {
        if (dialog.Ended()) break;
        switch (step.kind) {
            case DialogAnswer::Step::Kind::Click: dialog.Click(step.id); break;
            case DialogAnswer::Step::Kind::Scroll: dialog.Scroll(step.id, step.code, step.pos); break;
            case DialogAnswer::Step::Kind::Select:
                // What the user's clicks leave selected, then the list's change reaction.
                if (dialog.HasControl(step.id)) {
                    ControlState& list = dialog.Control(step.id);
                    list.selection.clear();
                    for (int line : step.lines) {
                        if (line >= 0 && static_cast<std::size_t>(line) < list.items.size())
                            list.selection.push_back(line);
                    }
                    dialog.OnSelChange(step.id);
                }
                break;
        }
    }
    if (!dialog.Ended()) {
        if (answer.button == IDOK) dialog.OnOK();
        // A value out of range keeps the dialog open; the script has nothing more to
        // type, so the user gives up.
        if (!dialog.Ended()) dialog.OnCancel();
    }
    m_rangeMessages = outer;
    Json e{{"event", "dialog"}, {"id", dialog.TemplateId()}};
    PutText(e, "title", dialog.Template().title);
    e["answer"] = AnswerName(dialog.Result());
    if (!messages.empty()) PutText(e, "message", messages.front());
    // The lines of each list box, as the user saw them.
    Json lists = Json::object();
    for (const ControlTemplate& c : dialog.Template().controls) {
        if (c.kind != ControlKind::ListBox || !dialog.HasControl(c.id)) continue;
        Json lines = Json::array();
        for (const std::string& item : dialog.Control(c.id).items) lines.push_back(ReadableUtf8(item));
        lists[std::to_string(c.id)] = std::move(lines);
    }
    if (!lists.empty()) e["lists"] = std::move(lists);
    Event(e);
    return dialog.Result();
}

std::vector<std::string> ScriptUi::FileDialog(const FileDialogOptions& options) {
    FilesAnswer answer;
    if (!m_fileAnswers.empty()) {
        answer = std::move(m_fileAnswers.front());
        m_fileAnswers.pop_front();
    }
    Json e{{"event", "filedialog"}};
    PutText(e, "title", options.title);
    if (answer.cancel || answer.paths.empty()) {
        e["answer"] = "Cancel";
        Event(e);
        return {};
    }
    // A folder typed where the name need not exist stands for the initial name in it.
    if (options.kind == FileDialogOptions::Kind::Open && !options.mustExist && answer.paths.size() == 1 &&
        std::filesystem::is_directory(answer.paths.front())) {
        std::string& path = answer.paths.front();
        if (path.back() != '/') path += '/';
        path += options.initialName;
    }
    e["answer"] = "OK";
    Json paths = Json::array();
    for (const auto& p : answer.paths) paths.push_back(ReadableUtf8(p));
    e["paths"] = std::move(paths);
    Event(e);
    return answer.paths;
}

void ScriptUi::Pump(unsigned) {
    ++m_pumps;
    if (!m_inPump) {
        m_inPump = true;
        // Changes and actions due now (or overdue: a nested loop may have counted past them).
        while (!m_outsideAtPump.empty() && m_outsideAtPump.begin()->first <= m_pumps) {
            const std::function<void()> change = std::move(m_outsideAtPump.begin()->second);
            m_outsideAtPump.erase(m_outsideAtPump.begin());
            if (change) change();
        }
        while (!m_atPump.empty() && m_atPump.begin()->first <= m_pumps) {
            const ScriptAction action = m_atPump.begin()->second;
            m_atPump.erase(m_atPump.begin());
            if (deliver) deliver(action);
        }
        m_inPump = false;
    }
    // Exit posted from inside a running command: the window's close arrives at its
    // next pump and ends the loop under it at once, so it does here.
    if (m_closePosted && !m_closeDelivered && requestClose) {
        m_closeDelivered = true;
        requestClose();
    }
    PaintIfNeeded();
    if (m_atPump.empty() && waitingForUser && waitingForUser() && requestClose) requestClose();
    if (m_pumps >= kPumpLimit && !m_limitReported) {
        m_limitReported = true;
        Event(Json{{"event", "error"}, {"text", "pump limit reached: the program did not finish"}});
        if (requestClose) requestClose();
    }
}

void ScriptUi::Sleep(unsigned ms, const WakeCondition&) {
    // The clock is virtual: nothing can happen during the wait.
    Event(Json{{"event", "sleep"}, {"ms", ms}});
}

// The scroll is silent: what it shows is the paint's, which a script does not see.
void ScriptUi::SetScrollRange(Size range) {
    m_scrollRange = {std::max(0, range.cx), std::max(0, range.cy)};
    ScrollTo(m_scroll);
}

void ScriptUi::ScrollTo(Point position) {
    m_scroll = {std::clamp(position.x, 0, m_scrollRange.cx), std::clamp(position.y, 0, m_scrollRange.cy)};
}

void ScriptUi::SetTitle(const std::string& text) {
    if (text == m_title) return;
    m_title = text;
    Json e{{"event", "title"}};
    PutText(e, "text", text);
    Event(e);
}

void ScriptUi::SetStatusPane(int pane, const std::string& text) {
    auto it = m_panes.find(pane);
    if (it != m_panes.end() && it->second == text) return;
    m_panes[pane] = text;
    Json e{{"event", "status"}, {"pane", pane}};
    PutText(e, "text", text);
    Event(e);
}

void ScriptUi::ProgressStep() {
    ++m_progressSteps;
    m_meter.Step();
}

void ScriptUi::SlideShown(unsigned number, const std::string& path, unsigned width, unsigned height) {
    Json e{{"event", "slide"}, {"number", number}};
    PutText(e, "path", path);
    e["width"] = width;
    e["height"] = height;
    Event(e);
}

void ScriptUi::FileWritten(const std::string& path) {
    Json e{{"event", "write"}};
    PutText(e, "path", path);
    Event(e);
}

}  // namespace vantor
