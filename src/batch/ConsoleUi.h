// The user of the command line's batch write: no window and nobody to ask. Message
// boxes become lines on standard error, the stop-or-continue dialog always goes on,
// each written file is a line on standard output, and a progress bar is drawn on
// standard error when it is a terminal.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>

#include "platform/Ui.h"

namespace vantor {

class ConsoleUi : public Ui {
public:
    ConsoleUi(std::ostream& out, std::ostream& err, bool progressBar);

    // Asked once a pass for the slide number and the slide count, for the bar.
    std::function<void(std::uint32_t& done, std::uint32_t& total)> progress;
    // Erases the bar, so that the terminal's last line is left clean.
    void EndProgress();
    unsigned Reports() const { return m_reports; }
    unsigned Written() const { return m_written; }
    // A failure found before the run (a path that does not exist).
    void Report(const std::string& text);

    int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon) override;
    int DoModal(Dialog& dialog) override;
    void RangeMessage(Dialog&, const std::string&) override {}
    std::vector<std::string> FileDialog(const FileDialogOptions&) override { return {}; }
    void Pump(unsigned) override {}
    using Ui::Sleep;
    void Sleep(unsigned, const WakeCondition&) override {}
    void SetCursor(CursorKind) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void RestoreWaitCursor() override {}
    void SetTitle(const std::string&) override {}
    void SetStatusPane(int, const std::string&) override {}
    void ProgressStep() override;
    void ProgressSetPos(int) override {}
    void Invalidate(bool) override {}
    void UpdateWindow() override {}
    Size ClientSize() override { return {1000, 700}; }
    Point ScrollPosition() override { return {}; }
    void SetViewTimer(bool) override {}
    void PostClose() override {}
    void ClipboardSetImage(const std::uint8_t*, unsigned, unsigned) override {}
    void ClipboardEmpty() override {}
    void FileWritten(const std::string& path) override;

private:
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_bar;
    bool m_barShown = false;
    unsigned m_reports = 0;
    unsigned m_written = 0;
};

}  // namespace vantor
