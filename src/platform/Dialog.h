// Dialogs as data: a template of controls, and a dialog object that holds its
// members and the state of each control. Data exchange and range validation are
// written once here; the Qt side builds a window from the template and mirrors the
// control states, the scripted side sets them from the script.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace vantor {

enum class ControlKind {
    Static,     // a label
    Edit,       // a text box, exchanged as a number
    Button,     // a push button
    DefButton,  // the default push button
    Radio,      // a radio button; a group starts at a control with groupStart
    Check,      // a check box
    GroupBox,   // a frame with a title
    HScroll,    // a horizontal scroll bar (a slider)
    ListBox,    // a list of lines
};

struct ControlTemplate {
    int id = -1;  // -1 for static texts without an id
    ControlKind kind = ControlKind::Static;
    std::string text;
    bool enabled = true;
    bool sameRow = false;      // placed to the right of the previous control
    bool groupStart = false;   // first radio button of a group
    bool multiSelect = false;  // list boxes: several lines can be selected
};

struct DialogTemplate {
    int id = 0;  // resource id
    std::string title;
    std::vector<ControlTemplate> controls;
    // Size in dialog units and font size in points; 0 leaves them to the controls.
    int width = 0;
    int height = 0;
    int fontPoints = 0;

    const ControlTemplate* Find(int controlId) const;
};

// Standard control ids of the OK and Cancel buttons.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// Scroll notification codes, as a scroll bar reports them.
enum class ScrollCode { LineLeft, LineRight, PageLeft, PageRight, ThumbPosition, ThumbTrack, EndScroll };

struct ControlState {
    std::string text;
    bool enabled = true;
    bool checked = false;
    int scrollMin = 0;
    int scrollMax = 100;
    int scrollPos = 0;
    std::vector<std::string> items;  // list box lines
    std::vector<int> selection;      // selected list box lines
};

class Dialog;

// A circle a dialog draws on its client area as decoration, over its controls.
struct DialogCircle {
    Rect bounds;
    Rgb color;
    int penWidth = 1;
};

// One pass of data exchange between a dialog's members and its controls.
class DataExchange {
public:
    DataExchange(Dialog& dialog, bool saving) : m_dialog(dialog), m_saving(saving) {}

    bool saving() const { return m_saving; }
    bool failed() const { return m_failed; }

    // A signed or unsigned number in an edit box, checked against [lo, hi] when saving.
    void Int(int controlId, std::int32_t& value, const char* memberName, std::int64_t lo, std::int64_t hi);
    void UInt(int controlId, std::uint32_t& value, const char* memberName, std::int64_t lo, std::int64_t hi);

private:
    bool Number(int controlId, std::int64_t& value, bool isUnsigned, std::int64_t lo, std::int64_t hi);

    Dialog& m_dialog;
    bool m_saving;
    bool m_failed = false;
};

class Dialog {
public:
    explicit Dialog(const DialogTemplate& tmpl);
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    const DialogTemplate& Template() const { return m_template; }
    int TemplateId() const { return m_template.id; }

    ControlState& Control(int id);
    const ControlState& Control(int id) const;
    bool HasControl(int id) const { return m_controls.count(id) != 0; }

    // The members exchanged with edit boxes, by name, and the control each is bound to.
    const std::map<std::string, int>& Bindings() const { return m_bindings; }

    // Reactions; the defaults behave like the framework's.
    virtual void DoDataExchange(DataExchange& dx) { (void)dx; }
    virtual void OnInitDialog();  // loads the members into the controls
    virtual void OnClicked(int controlId) { (void)controlId; }
    virtual void OnHScroll(int controlId, ScrollCode code, int pos) { (void)controlId, (void)code, (void)pos; }
    virtual void OnSelChange(int controlId) { (void)controlId; }
    virtual void OnOK();      // validates and saves the members, then ends with IDOK
    virtual void OnCancel();  // ends with IDCANCEL

    // What a user's click does: checks a radio button (unchecking the rest of its
    // group) or flips a check box, then runs the click reaction. OK and Cancel
    // buttons run OnOK and OnCancel.
    void Click(int controlId);
    // What a user's scroll does: runs the scroll reaction.
    void Scroll(int controlId, ScrollCode code, int pos) { OnHScroll(controlId, code, pos); }
    // Checks one radio button of the group [first, last] and unchecks the others.
    void CheckRadioButton(int first, int last, int checkedId);

    // Moves the members into the controls (save false) or back (save true).
    // On a value out of range it shows the range message and returns false.
    bool UpdateData(bool save);

    // The decoration circle drawn last, if any; a new one replaces it.
    void DrawCircle(const DialogCircle& circle) { m_circle = circle; }
    const std::optional<DialogCircle>& Circle() const { return m_circle; }

    void EndDialog(int result);
    bool Ended() const { return m_ended; }
    int Result() const { return m_result; }
    // Makes the dialog reusable for another modal run.
    void Reset();

private:
    friend class DataExchange;
    void Bind(const char* memberName, int controlId) { m_bindings[memberName] = controlId; }

    const DialogTemplate& m_template;
    std::map<int, ControlState> m_controls;
    std::map<std::string, int> m_bindings;
    std::optional<DialogCircle> m_circle;
    bool m_ended = false;
    int m_result = 0;
};

}  // namespace vantor
