#include "batch/ConsoleUi.h"

#include <string>

#include "platform/Dialog.h"

namespace vantor {

ConsoleUi::ConsoleUi(std::ostream& out, std::ostream& err, bool progressBar)
    : m_out(out), m_err(err), m_bar(progressBar) {}

void ConsoleUi::EndProgress() {
    if (!m_barShown) return;
    m_err << "\r\033[K" << std::flush;
    m_barShown = false;
}

void ConsoleUi::Report(const std::string& text) {
    EndProgress();
    ++m_reports;
    std::string line = text;
    // A box's line breaks ("\r" or "\n") become one line each.
    for (char& c : line) {
        if (c == '\r') c = '\n';
    }
    m_err << "vantor: " << line << "\n" << std::flush;
}

int ConsoleUi::MessageBox(const std::string& text, const std::string&, MsgButtons buttons, MsgIcon) {
    Report(text);
    return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? IDYES : IDOK;
}

int ConsoleUi::DoModal(Dialog&) {
    // Only the stop-or-continue dialog appears during a write: its OK goes on.
    return IDOK;
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
    EndProgress();
    ++m_written;
    m_out << path << "\n";
}

}  // namespace vantor
