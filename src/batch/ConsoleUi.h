// The user of the command line's batch write: no window and nobody to ask. Each
// written file is a line on standard output. On standard error each picture that
// was not written is one line "vantor: PATH: reason", a picture written in spite
// of a decoder's complaint one line "vantor: PATH: warning: ...", the texts of the
// window's boxes following in parentheses where they add to the reason; nothing
// asks a question. A progress bar is drawn on standard error when it is a terminal.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Ui.h"

namespace vantor {

// A name as both standard output and standard error show it: on one line whatever
// bytes it holds, its control bytes and backslashes escaped (\n, \t, \x1b, \\).
std::string ShownName(const std::string& path);
// "vantor: PATH: reason", with the path shown as above.
std::string ConsoleLine(const std::string& path, const std::string& reason);

class ConsoleUi : public Ui {
public:
    ConsoleUi(std::ostream& out, std::ostream& err, bool progressBar);

    // Asked once a pass for the slide number and the slide count, for the bar.
    std::function<void(std::uint32_t& done, std::uint32_t& total)> progress;
    // Erases the bar, so that the terminal's last line is left clean; prints the
    // texts of boxes that no outcome took.
    void EndProgress();
    // Pictures that were not written, and files written.
    unsigned Failures() const { return m_failures; }
    unsigned Written() const { return m_written; }
    // A picture found wanting before the run (a path that does not exist).
    void Fail(const std::string& path, const std::string& reason);
    // Flushes standard output at the end of the run. Once a write to it has failed
    // (said in one line), no name goes there any more while the run goes on.
    void FlushOutput();
    bool OutputLost() const { return m_outError != 0; }

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
    void FileWritten(const std::string& path) override;
    bool CanAsk() const override { return false; }
    void WriteOutcome(const std::string& path, const std::string& reason) override;

private:
    void EraseBar();
    void Line(const std::string& line);
    void LoseOutput();
    // The boxes' texts since the last outcome that do not merely name path or say
    // reason again, on one line.
    std::string BoxTexts(const std::string& path, const std::string& reason) const;

    std::ostream& m_out;
    std::ostream& m_err;
    bool m_bar;
    bool m_barShown = false;
    unsigned m_failures = 0;
    unsigned m_written = 0;
    int m_outError = 0;                // why standard output failed
    std::vector<std::string> m_boxes;  // shown since the last outcome
};

}  // namespace vantor
