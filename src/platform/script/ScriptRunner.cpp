#include "platform/script/ScriptRunner.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <utility>

#include "platform/script/ScriptUi.h"
#include "resource.h"
#include "viewer/CVantorView.h"
#include "viewer/Commands.h"

namespace vantor {

std::vector<std::string> SplitScriptLine(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"')
                quoted = false;
            else
                word += c;
            continue;
        }
        // "#1003=1024" names a dialog field by control id; any other '#' at the
        // start of a word opens a comment.
        const bool fieldId = i + 1 < line.size() && std::isdigit(static_cast<unsigned char>(line[i + 1]));
        if (c == '#' && !inWord && !fieldId) break;
        if (c == '"') {
            quoted = true;
            inWord = true;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

namespace {

bool ParseUnsigned(const std::string& s, long& out) {
    if (s.empty()) return false;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    out = std::strtol(s.c_str(), nullptr, 10);
    return true;
}

bool ParseButton(const std::string& s, int& out) {
    if (s == "OK")
        out = IDOK;
    else if (s == "Cancel")
        out = IDCANCEL;
    else if (s == "Yes")
        out = IDYES;
    else if (s == "No")
        out = IDNO;
    else
        return false;
    return true;
}

// The keys a script names, with their virtual-key codes.
constexpr std::pair<const char*, int> kKeyNames[] = {
    {"Esc", 27}, {"Space", 32}, {"Enter", 13}, {"BackSpace", 8}, {"PageUp", 33}, {"PageDown", 34},
    {"End", 35}, {"Home", 36},  {"Left", 37},  {"Up", 38},       {"Right", 39},  {"Down", 40},
};

bool ParseKey(const std::string& s, int& out) {
    long n = 0;
    const auto named =
        std::find_if(std::begin(kKeyNames), std::end(kKeyNames), [&s](const auto& k) { return s == k.first; });
    if (named != std::end(kKeyNames))
        out = named->second;
    else if (ParseUnsigned(s, n) && n > 0 && n < 256)
        out = static_cast<int>(n);
    else if (s.size() == 1 && std::isalpha(static_cast<unsigned char>(s[0])))
        out = std::toupper(static_cast<unsigned char>(s[0]));
    else
        return false;
    return true;
}

bool ParseScrollCode(const std::string& s, ScrollCode& out) {
    if (s == "left")
        out = ScrollCode::LineLeft;
    else if (s == "right")
        out = ScrollCode::LineRight;
    else if (s == "pageleft")
        out = ScrollCode::PageLeft;
    else if (s == "pageright")
        out = ScrollCode::PageRight;
    else if (s == "thumb")
        out = ScrollCode::ThumbPosition;
    else if (s == "track")
        out = ScrollCode::ThumbTrack;
    else if (s == "end")
        out = ScrollCode::EndScroll;
    else
        return false;
    return true;
}

// Parses "command NAME", "click left|right" or "key NAME" starting at words[i].
bool ParseAction(const std::vector<std::string>& w, std::size_t i, ScriptAction& action, std::string& why) {
    if (i + 1 >= w.size() || i + 2 != w.size()) {
        why = "an action needs exactly one argument";
        return false;
    }
    const std::string& verb = w[i];
    const std::string& arg = w[i + 1];
    if (verb == "command") {
        long n = 0;
        int id = ParseUnsigned(arg, n) ? static_cast<int>(n) : CommandByName(arg);
        if (id == 0) {
            why = "unknown command " + arg;
            return false;
        }
        action = {ScriptAction::Kind::Command, id};
        return true;
    }
    if (verb == "click") {
        if (arg == "left")
            action = {ScriptAction::Kind::LeftClick, 0};
        else if (arg == "right")
            action = {ScriptAction::Kind::RightClick, 0};
        else {
            why = "click takes left or right";
            return false;
        }
        return true;
    }
    if (verb == "key") {
        int vk = 0;
        if (!ParseKey(arg, vk)) {
            why = "unknown key " + arg;
            return false;
        }
        action = {ScriptAction::Kind::Key, vk};
        return true;
    }
    why = "unknown action " + verb;
    return false;
}

bool ParseDialogAnswer(const std::vector<std::string>& w, DialogAnswer& a, std::string& why) {
    if (w.size() < 3 || !ParseButton(w[2], a.button) || (a.button != IDOK && a.button != IDCANCEL)) {
        why = "answer dialog takes OK or Cancel";
        return false;
    }
    for (std::size_t i = 3; i < w.size(); ++i) {
        const auto eq = w[i].find('=');
        if (eq == std::string::npos || eq == 0) {
            why = "expected NAME=VALUE, got " + w[i];
            return false;
        }
        const std::string name = w[i].substr(0, eq);
        const std::string value = w[i].substr(eq + 1);
        long n = 0;
        if (name == "click") {
            if (!ParseUnsigned(value, n)) {
                why = "click= takes a control id";
                return false;
            }
            DialogAnswer::Step step;
            step.id = static_cast<int>(n);
            a.steps.push_back(std::move(step));
        } else if (name == "scroll") {
            // scroll=ID:CODE or scroll=ID:thumb:POS
            const auto c1 = value.find(':');
            DialogAnswer::Step step;
            step.kind = DialogAnswer::Step::Kind::Scroll;
            if (c1 == std::string::npos || !ParseUnsigned(value.substr(0, c1), n)) {
                why = "scroll= takes ID:CODE";
                return false;
            }
            step.id = static_cast<int>(n);
            std::string code = value.substr(c1 + 1);
            const auto c2 = code.find(':');
            if (c2 != std::string::npos) {
                if (!ParseUnsigned(code.substr(c2 + 1), n)) {
                    why = "scroll position must be a number";
                    return false;
                }
                step.pos = static_cast<int>(n);
                code = code.substr(0, c2);
            }
            if (!ParseScrollCode(code, step.code)) {
                why = "unknown scroll code " + code;
                return false;
            }
            a.steps.push_back(step);
        } else if (name == "select") {
            // select=ID:LINE,LINE,... (0-based lines; none after the colon clears it)
            const auto colon = value.find(':');
            DialogAnswer::Step step;
            step.kind = DialogAnswer::Step::Kind::Select;
            if (colon == std::string::npos || !ParseUnsigned(value.substr(0, colon), n)) {
                why = "select= takes ID:LINE,LINE,...";
                return false;
            }
            step.id = static_cast<int>(n);
            std::string rest = value.substr(colon + 1);
            while (!rest.empty()) {
                const auto comma = rest.find(',');
                const std::string item = rest.substr(0, comma);
                if (!ParseUnsigned(item, n) || n > 1000000) {
                    why = "select= lines must be numbers";
                    return false;
                }
                step.lines.push_back(static_cast<int>(n));
                rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
            }
            a.steps.push_back(std::move(step));
        } else {
            a.values.emplace_back(name, value);
        }
    }
    return true;
}

// One parsed script line.
struct Step {
    enum class Kind { Action, AtPump, BoxAnswer, DialogAnswer, FilesAnswer, Client };
    Kind kind = Kind::Action;
    ScriptAction action;
    unsigned pump = 0;
    int box = 0;
    DialogAnswer dialog;
    FilesAnswer files;
    int cx = 0;
    int cy = 0;
};

bool ParseStep(const std::vector<std::string>& w, Step& step, std::string& why) {
    const std::string& verb = w[0];
    if (verb == "answer") {
        if (w.size() < 3) {
            why = "answer needs a kind and a value";
            return false;
        }
        if (w[1] == "box") {
            step.kind = Step::Kind::BoxAnswer;
            if (w.size() != 3 || !ParseButton(w[2], step.box)) {
                why = "answer box takes OK, Cancel, Yes or No";
                return false;
            }
            return true;
        }
        if (w[1] == "dialog") {
            step.kind = Step::Kind::DialogAnswer;
            return ParseDialogAnswer(w, step.dialog, why);
        }
        if (w[1] == "files") {
            step.kind = Step::Kind::FilesAnswer;
            step.files.cancel = w.size() == 3 && w[2] == "Cancel";
            if (!step.files.cancel) step.files.paths.assign(w.begin() + 2, w.end());
            return true;
        }
        why = "answer takes box, dialog or files";
        return false;
    }
    if (verb == "client") {
        long cx = 0, cy = 0;
        if (w.size() != 3 || !ParseUnsigned(w[1], cx) || !ParseUnsigned(w[2], cy) || cx > 100000 || cy > 100000) {
            why = "client takes a width and a height";
            return false;
        }
        step.kind = Step::Kind::Client;
        step.cx = static_cast<int>(cx);
        step.cy = static_cast<int>(cy);
        return true;
    }
    if (verb == "at") {
        long n = 0;
        if (w.size() < 5 || w[1] != "pump" || !ParseUnsigned(w[2], n) || n < 1 || n > 1000000000) {
            why = "expected: at pump N ACTION";
            return false;
        }
        step.kind = Step::Kind::AtPump;
        step.pump = static_cast<unsigned>(n);
        return ParseAction(w, 3, step.action, why);
    }
    step.kind = Step::Kind::Action;
    return ParseAction(w, 0, step.action, why);
}

class Runner {
public:
    explicit Runner(std::ostream& out) : m_ui(out), m_scope(m_ui) {
        m_ui.deliver = [this](const ScriptAction& a) { Deliver(a); };
        m_ui.paint = [this](Canvas& c) { m_view->OnDraw(c); };
        m_ui.waitingForUser = [this] { return m_view->WaitingForUser(); };
        m_ui.requestClose = [this] { m_view->RequestClose(); };
        m_view = std::make_unique<CVantorView>();
        m_view->OnInitialUpdate();
        m_ui.PaintIfNeeded();
    }

    void Run(const Step& step) {
        switch (step.kind) {
            case Step::Kind::BoxAnswer: m_ui.QueueBoxAnswer(step.box); break;
            case Step::Kind::DialogAnswer: m_ui.QueueDialogAnswer(step.dialog); break;
            case Step::Kind::FilesAnswer: m_ui.QueueFilesAnswer(step.files); break;
            case Step::Kind::AtPump: m_ui.QueueAtPump(step.pump, step.action); break;
            case Step::Kind::Client:
                m_ui.SetClientSize(step.cx, step.cy);
                m_ui.Invalidate(true);
                m_ui.PaintIfNeeded();
                break;
            case Step::Kind::Action:
                if (step.action.kind == ScriptAction::Kind::Command) {
                    m_ui.ResetPumpCount();
                    Deliver(step.action);
                    // Actions that the command never reached are not carried over.
                    m_ui.DropAtPump();
                } else {
                    Deliver(step.action);
                }
                break;
        }
    }

    // Pictures given after the script's name, as if on the program's command line.
    void CommandLine(const std::vector<std::string>& paths) {
        if (paths.empty()) return;
        m_ui.ResetPumpCount();
        m_view->OnCommandLine(paths);
        m_ui.PaintIfNeeded();
        if (m_ui.ClosePosted() || m_view->CloseRequested()) Close();
    }

    void Apply(const ViewOptions& options) { ApplyOptions(*m_view, options); }

    bool Finished() const { return m_quit; }

    // The user closes the window.
    void Close() {
        if (m_quit) return;
        m_quit = true;
        m_ui.Event(Json{{"event", "quit"}});
    }

private:
    void Deliver(const ScriptAction& a) {
        switch (a.kind) {
            case ScriptAction::Kind::Command:
                if (!m_view->OnCommand(a.value)) {
                    const char* name = CommandName(a.value);
                    m_ui.Event(Json{{"event", "disabled"}, {"command", *name ? name : std::to_string(a.value)}});
                }
                break;
            case ScriptAction::Kind::LeftClick: m_view->OnLButtonDown(); break;
            case ScriptAction::Kind::RightClick: m_view->OnRButtonDown(); break;
            case ScriptAction::Kind::Key: m_view->OnKeyDown(static_cast<unsigned>(a.value)); break;
        }
        m_ui.PaintIfNeeded();
        if (!m_view->InCommand() && (m_ui.ClosePosted() || m_view->CloseRequested())) Close();
    }

    ScriptUi m_ui;
    ScopedUi m_scope;
    std::unique_ptr<CVantorView> m_view;
    bool m_quit = false;
};

}  // namespace

bool RunScript(std::istream& script, std::ostream& out, ScriptError& error, const std::vector<std::string>& commandLine,
               const ViewOptions& options) {
    // The whole script is read and checked first, so that a typo is reported
    // before anything runs.
    std::vector<Step> steps;
    std::string text;
    int number = 0;
    while (std::getline(script, text)) {
        ++number;
        const auto words = SplitScriptLine(text);
        if (words.empty()) continue;
        Step step;
        std::string why;
        if (!ParseStep(words, step, why)) {
            error = {number, why};
            return false;
        }
        steps.push_back(std::move(step));
    }
    Runner runner(out);
    runner.Apply(options);
    runner.CommandLine(commandLine);
    for (const auto& step : steps) {
        if (runner.Finished()) break;
        runner.Run(step);
    }
    runner.Close();
    return true;
}

}  // namespace vantor
