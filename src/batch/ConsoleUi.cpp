#include "batch/ConsoleUi.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/Dialog.h"

namespace vantor {

namespace {

// A box's text on one line: its line breaks and runs of blanks become one blank.
std::string Flat(const std::string& text) {
    std::string out;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\r' || c == '\n' || c == '\t';
        if (blank && (out.empty() || out.back() == ' ')) continue;
        out += blank ? ' ' : c;
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace

std::string ShownName(const std::string& path) {
    // A name may hold line breaks and other control bytes: shown escaped, so that
    // one name stays one line; a backslash is doubled, so that the line tells the
    // name exactly (printf '%b' gives it back).
    std::string shown;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\')
            shown += "\\\\";
        else if (c == '\n')
            shown += "\\n";
        else if (c == '\r')
            shown += "\\r";
        else if (c == '\t')
            shown += "\\t";
        else if (byte < 0x20 || byte == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", byte);
            shown += hex;
        } else {
            shown += c;
        }
    }
    return shown;
}

std::string ConsoleLine(const std::string& path, const std::string& reason) {
    return "vantor: " + ShownName(path) + ": " + reason;
}

ConsoleUi::ConsoleUi(std::ostream& out, std::ostream& err, bool progressBar)
    : m_out(out), m_err(err), m_bar(progressBar) {}

void ConsoleUi::EndProgress() {
    EraseBar();
    for (const auto& text : m_boxes) Line("vantor: " + Flat(text));
    m_boxes.clear();
}

void ConsoleUi::EraseBar() {
    if (!m_barShown) return;
    m_err << "\r\033[K" << std::flush;
    m_barShown = false;
}

void ConsoleUi::Line(const std::string& line) {
    EraseBar();
    m_err << line << "\n" << std::flush;
}

void ConsoleUi::Fail(const std::string& path, const std::string& reason) {
    ++m_failures;
    Line(ConsoleLine(path, reason));
}

std::string ConsoleUi::BoxTexts(const std::string& path, const std::string& reason) const {
    std::string joined;
    for (const auto& text : m_boxes) {
        // "Can't open PATH" and the like say less than the reason does, and a box
        // that says the reason again adds nothing.
        if (text.find(path) != std::string::npos) continue;
        const std::string flat = Flat(text);
        if (flat.empty() || (!reason.empty() && flat.find(reason) != std::string::npos)) continue;
        if (!joined.empty()) joined += "; ";
        joined += flat;
    }
    return joined;
}

int ConsoleUi::MessageBox(const std::string& text, const std::string&, MsgButtons buttons, MsgIcon) {
    // Said with the outcome of the slide it belongs to.
    m_boxes.push_back(text);
    return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? IDYES : IDOK;
}

int ConsoleUi::DoModal(Dialog&) {
    // Nothing asks on the command line; were a dialog to come, its OK goes on.
    return IDOK;
}

void ConsoleUi::WriteOutcome(const std::string& path, const std::string& reason) {
    const std::string texts = BoxTexts(path, reason);
    m_boxes.clear();
    if (!reason.empty())
        Fail(path, texts.empty() ? reason : reason + " (" + texts + ")");
    else if (!texts.empty())
        Line(ConsoleLine(path, "warning: " + texts));
}

void ConsoleUi::ProgressStep() {
    if (!m_bar || !progress) return;
    std::uint32_t done = 0, total = 0;
    progress(done, total);
    if (total == 0) return;
    if (done > total) done = total;
    constexpr unsigned kWidth = 40;
    const auto filled = static_cast<unsigned>(static_cast<std::uint64_t>(done) * kWidth / total);
    std::string bar(filled, '#');
    bar.append(kWidth - filled, '-');
    m_err << "\r[" << bar << "] " << done << "/" << total << std::flush;
    m_barShown = true;
}

void ConsoleUi::FileWritten(const std::string& path) {
    EraseBar();
    ++m_written;
    if (m_outError != 0) return;  // said once; the names have nowhere to go
    // Each name is out before the next picture: a reader of the list acts on it at
    // once, and a failed write is seen while the run goes on.
    errno = 0;
    m_out << ShownName(path) << "\n" << std::flush;
    if (!m_out) LoseOutput();
}

void ConsoleUi::FlushOutput() {
    if (m_outError != 0) return;
    errno = 0;
    m_out.flush();
    if (!m_out) LoseOutput();
}

void ConsoleUi::LoseOutput() {
    m_outError = errno != 0 ? errno : EIO;
    Line(ConsoleLine("standard output", std::strerror(m_outError)));
}

}  // namespace vantor
