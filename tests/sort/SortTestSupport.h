// A view under a scripted user that also records what the sort draws onto the
// client area, the run flag at every pump step, and the wait cursor's depth.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/script/Json.h"
#include "resource.h"

namespace vantor::test {

class RecordingUi : public ScriptUi {
public:
    using ScriptUi::ScriptUi;

    struct Drawn {
        int x = 0;
        int y = 0;
        std::string text;
    };

    CVantorView* view = nullptr;
    std::vector<Drawn> drawn;                 // every text drawn, blank erasing lines included
    std::vector<std::int32_t> sortingAtPump;  // m_sorting at pump 1, 2, ...
    std::vector<unsigned> pumpAtDialog;       // the pump count when each dialog opened
    int waitDepth = 0;

    void ClientTextOut(int x, int y, const std::string& text, Rgb, Rgb) override { drawn.push_back({x, y, text}); }
    void Pump(unsigned attempts) override {
        sortingAtPump.push_back(view != nullptr ? view->m_sorting : -1);
        ScriptUi::Pump(attempts);
    }
    int DoModal(Dialog& dialog) override {
        pumpAtDialog.push_back(PumpCount());
        return ScriptUi::DoModal(dialog);
    }
    void BeginWaitCursor() override { ++waitDepth; }
    void EndWaitCursor() override { --waitDepth; }
};

struct SortHarness {
    std::ostringstream out;
    RecordingUi ui{out};
    ScopedUi scope{ui};
    CVantorView view;

    SortHarness() {
        ui.view = &view;
        ui.paint = [this](Canvas& c) { view.OnDraw(c); };
        ui.deliver = [this](const ScriptAction& a) {
            if (a.kind == ScriptAction::Kind::Key) view.OnKeyDown(static_cast<unsigned>(a.value));
            if (a.kind == ScriptAction::Kind::Command) view.OnCommand(a.value);
        };
    }

    void SetList(const std::vector<std::string>& paths) {
        for (std::size_t i = 0; i < paths.size(); ++i) view.m_slides.Store(static_cast<std::uint32_t>(i), paths[i]);
        view.m_slides.m_slideCount = static_cast<std::uint32_t>(paths.size());
    }
    std::vector<std::string> List() const {
        return {view.m_slides.m_slidePath.begin(), view.m_slides.m_slidePath.begin() + view.m_slides.m_slideCount};
    }

    // Opens the sort dialog, clicks a button (0: none) and answers OK; the dialogs
    // that follow (the stop-or-continue dialog) get the answers in `then`.
    void Sort(int button, std::initializer_list<int> then = {}) {
        DialogAnswer a;
        a.button = IDOK;
        if (button != 0) {
            DialogAnswer::Step click;
            click.id = button;
            a.steps.push_back(click);
        }
        ui.QueueDialogAnswer(a);
        for (int answer : then) AnswerDialog(answer);
        ui.ResetPumpCount();
        view.OnCommand(ID_SLIDESHOW_FILE_SORT);
    }
    void AtPump(unsigned n, unsigned key) {
        ScriptAction a;
        a.kind = ScriptAction::Kind::Key;
        a.value = static_cast<int>(key);
        ui.QueueAtPump(n, a);
    }
    void AnswerDialog(int button) {
        DialogAnswer a;
        a.button = button;
        ui.QueueDialogAnswer(a);
    }

    std::vector<Json> Events(const std::string& name) const {
        std::vector<Json> events;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);) {
            Json e = Json::parse(line);
            if (e["event"] == name) events.push_back(std::move(e));
        }
        return events;
    }
    // The boxes as "caption|text".
    std::vector<std::string> Boxes() const {
        std::vector<std::string> boxes;
        for (const Json& e : Events("box")) {
            boxes.push_back(e["caption"].get<std::string>() + "|" + e["text"].get<std::string>());
        }
        return boxes;
    }
    // The dialogs as "id:answer".
    std::vector<std::string> Dialogs() const {
        std::vector<std::string> dialogs;
        for (const Json& e : Events("dialog")) {
            dialogs.push_back(std::to_string(e["id"].get<int>()) + ":" + e["answer"].get<std::string>());
        }
        return dialogs;
    }
    // The texts drawn on a row at a given x, blank lines left out.
    std::vector<std::string> DrawnAt(int x, int y) const {
        std::vector<std::string> texts;
        for (const auto& d : ui.drawn) {
            if (d.x == x && d.y == y && d.text.find_first_not_of(' ') != std::string::npos) texts.push_back(d.text);
        }
        return texts;
    }
    // The last pump step at which m_sorting had a value.
    unsigned LastPumpWith(std::int32_t sorting) const {
        for (std::size_t i = ui.sortingAtPump.size(); i > 0; --i) {
            if (ui.sortingAtPump[i - 1] == sorting) return static_cast<unsigned>(i);
        }
        return 0;
    }
};

// Sets a file's last-write time (seconds since 1970).
inline void SetModified(const std::string& path, long long seconds) {
    struct timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

}  // namespace vantor::test
