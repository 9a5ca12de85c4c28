#include "platform/Dialog.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "platform/Ui.h"

namespace vantor {

const ControlTemplate* DialogTemplate::Find(int controlId) const {
    for (const auto& c : controls) {
        if (c.id == controlId) return &c;
    }
    return nullptr;
}

Dialog::Dialog(const DialogTemplate& tmpl) : m_template(tmpl) {
    for (const auto& c : tmpl.controls) {
        if (c.id < 0) continue;
        ControlState& s = m_controls[c.id];
        s.enabled = c.enabled;
        if (c.kind != ControlKind::Edit && c.kind != ControlKind::ListBox) s.text = c.text;
    }
}

ControlState& Dialog::Control(int id) {
    auto it = m_controls.find(id);
    if (it == m_controls.end()) throw std::out_of_range("dialog has no control " + std::to_string(id));
    return it->second;
}

const ControlState& Dialog::Control(int id) const {
    auto it = m_controls.find(id);
    if (it == m_controls.end()) throw std::out_of_range("dialog has no control " + std::to_string(id));
    return it->second;
}

void Dialog::OnInitDialog() { UpdateData(false); }

void Dialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

bool Dialog::UpdateData(bool save) {
    DataExchange dx(*this, save);
    DoDataExchange(dx);
    return !dx.failed();
}

void Dialog::Click(int controlId) {
    if (controlId == kIdOk) {
        OnOK();
        return;
    }
    if (controlId == kIdCancel) {
        OnCancel();
        return;
    }
    const ControlTemplate* t = m_template.Find(controlId);
    if (t == nullptr || !Control(controlId).enabled) return;
    if (t->kind == ControlKind::Radio) {
        // The group runs from the last group start at or before this button to the
        // next group start.
        std::size_t index = static_cast<std::size_t>(t - m_template.controls.data());
        std::size_t first = index;
        while (first > 0 && !m_template.controls[first].groupStart) --first;
        for (std::size_t i = first; i < m_template.controls.size(); ++i) {
            const ControlTemplate& c = m_template.controls[i];
            if (i > first && c.groupStart) break;
            if (c.kind == ControlKind::Radio) Control(c.id).checked = c.id == controlId;
        }
    } else if (t->kind == ControlKind::Check) {
        ControlState& s = Control(controlId);
        s.checked = !s.checked;
    }
    OnClicked(controlId);
}

void Dialog::CheckRadioButton(int first, int last, int checkedId) {
    for (int id = first; id <= last; ++id) {
        if (HasControl(id)) Control(id).checked = id == checkedId;
    }
}

void Dialog::EndDialog(int result) {
    m_ended = true;
    m_result = result;
}

void Dialog::Reset() {
    m_ended = false;
    m_result = 0;
}

namespace {

// Parses a decimal number the way an edit box's exchange does: blanks around it are
// allowed, nothing else. Returns false when the text is not a number.
bool ParseNumber(const std::string& text, bool isUnsigned, std::int64_t& out) {
    const char* s = text.c_str();
    while (*s == ' ' || *s == '\t') ++s;
    if (*s == '\0') return false;
    if (isUnsigned && *s == '-') return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(s, &end, 10);
    if (end == s || errno == ERANGE) return false;
    while (*end == ' ' || *end == '\t') ++end;
    if (*end != '\0') return false;
    out = v;
    return true;
}

}  // namespace

bool DataExchange::Number(int controlId, std::int64_t& value, bool isUnsigned, std::int64_t lo, std::int64_t hi) {
    if (m_failed) return false;
    ControlState& c = m_dialog.Control(controlId);
    if (!m_saving) {
        c.text = std::to_string(value);
        return true;
    }
    std::int64_t parsed = 0;
    const bool inType = ParseNumber(c.text, isUnsigned, parsed) &&
                        (isUnsigned ? parsed <= 0xFFFFFFFFLL : (parsed >= INT32_MIN && parsed <= INT32_MAX));
    if (!inType) {
        m_failed = true;
        TheUi().RangeMessage(m_dialog, isUnsigned ? "Please enter a positive integer." : "Please enter an integer.");
        return false;
    }
    if (parsed < lo || parsed > hi) {
        m_failed = true;
        TheUi().RangeMessage(
            m_dialog, "Please enter an integer between " + std::to_string(lo) + " and " + std::to_string(hi) + ".");
        return false;
    }
    value = parsed;
    return true;
}

void DataExchange::Int(int controlId, std::int32_t& value, const char* memberName, std::int64_t lo, std::int64_t hi) {
    m_dialog.Bind(memberName, controlId);
    std::int64_t v = value;
    if (Number(controlId, v, false, lo, hi) && m_saving) value = static_cast<std::int32_t>(v);
}

void DataExchange::UInt(int controlId, std::uint32_t& value, const char* memberName, std::int64_t lo, std::int64_t hi) {
    m_dialog.Bind(memberName, controlId);
    std::int64_t v = value;
    if (Number(controlId, v, true, lo, hi) && m_saving) value = static_cast<std::uint32_t>(v);
}

}  // namespace vantor
