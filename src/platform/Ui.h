// The services through which the program's logic reaches the user and the screen.
// Two implementations exist: the Qt one (a real window) and the scripted one
// (answers from a script, transcript out). The logic never sees which one runs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace vantor {

class Dialog;

// Results of message boxes and modal dialogs (the classic values).
enum DialogResult : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Error, Warning, Information, Question };
enum class CursorKind { Arrow, Wait, AppStarting };

struct FileDialogOptions {
    enum class Kind { Open, Save, OpenMultiple };
    Kind kind = Kind::Open;
    std::string title;
    std::string defaultExt;   // e.g. "*.JPG"
    std::string initialName;  // e.g. "*.JPG"
    std::string filter;       // "Desc (*.JPG)|*.JPG|All files (*.*)|*.*||"
    // Open: false lets the name be one that does not exist, so the dialog can pick a
    // folder by confirming a dummy name in it; a folder typed as the name then comes
    // back as that folder + "/" + initialName.
    bool mustExist = true;
    bool confirmOverwrite = false;
};

struct Size {
    int cx = 0;
    int cy = 0;
};

struct Point {
    int x = 0;
    int y = 0;
};

class Ui {
public:
    virtual ~Ui() = default;

    // Modal message box; returns IDOK, IDCANCEL, IDYES or IDNO.
    virtual int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon) = 0;
    // Runs a dialog modally; returns IDOK or IDCANCEL.
    virtual int DoModal(Dialog& dialog) = 0;
    // Shown by a dialog's data exchange when a value is out of range; the dialog stays open.
    virtual void RangeMessage(Dialog& dialog, const std::string& text) = 0;
    // Common file dialogs: the chosen full paths, in the order picked; empty on Cancel.
    virtual std::vector<std::string> FileDialog(const FileDialogOptions& options) = 0;

    // One pump step of a long loop: lets commands, clicks, keys and paints through.
    virtual void Pump(unsigned attempts) = 0;
    // Waits ms milliseconds while the window stays responsive; the wait ends early
    // as soon as wake (when given) returns true.
    using WakeCondition = std::function<bool()>;
    virtual void Sleep(unsigned ms, const WakeCondition& wake) = 0;
    void Sleep(unsigned ms) { Sleep(ms, {}); }

    // Set by whoever runs the view: true while a running loop only waits for the
    // user's click or key, so a pump may wait for events instead of polling.
    std::function<bool()> waitingForUser;

    virtual void SetCursor(CursorKind cursor) = 0;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    virtual void SetTitle(const std::string& text) = 0;
    virtual void SetStatusPane(int pane, const std::string& text) = 0;

    // The progress meter on the frame's progress status line.
    virtual void ProgressStep() = 0;
    virtual void ProgressSetPos(int pos) = 0;

    // The view: repaint requests, its client area and scroll position.
    virtual void Invalidate(bool erase) = 0;
    // Paints the view now if a repaint is pending; nothing otherwise.
    virtual void UpdateWindow() = 0;
    // Text drawn straight onto the view's client area outside its paint, in color on
    // an opaque cell of its own size (as text without a background mode is drawn):
    // it stays on screen until a paint or an erase covers it. Nothing where there
    // is no screen.
    virtual void ClientTextOut(int x, int y, const std::string& text, Rgb color, Rgb cell) {
        (void)x, (void)y, (void)text, (void)color, (void)cell;
    }
    virtual Size ClientSize() = 0;
    virtual Point ScrollPosition() = 0;
    // How far the view scrolls each way over what it draws (0: not at all); the
    // position is kept within it. Nothing where there is no window.
    virtual void SetScrollRange(Size range) { (void)range; }
    virtual void ScrollTo(Point position) { (void)position; }
    // The view's 5 ms timer that the long loops set; nothing reacts to it.
    virtual void SetViewTimer(bool on) = 0;

    // Asks the main window to close (the Exit command).
    virtual void PostClose() = 0;
    // The main window alone on the whole screen (no menu, tool or status bars), or
    // back as it was. Nothing where there is no window.
    virtual void SetFullScreen(bool on) { (void)on; }

    // Notifications for the transcript; a window shows these through its paint.
    virtual void SlideShown(unsigned number, const std::string& path, unsigned width, unsigned height) {
        (void)number, (void)path, (void)width, (void)height;
    }
    virtual void FileWritten(const std::string& path) { (void)path; }

    // False when nobody can answer a question (the command line's batch write):
    // the write run then reports a slide it could not write through WriteOutcome
    // alone, without its boxes and the stop-or-continue question, and goes on.
    virtual bool CanAsk() const { return true; }
    // The batch write's word on one slide, for a user without a window (a window
    // has shown its boxes): reason is empty when the slide was written, or says
    // in plain words why the file at path was not.
    virtual void WriteOutcome(const std::string& path, const std::string& reason) { (void)path, (void)reason; }
};

// The process-wide Ui, like the framework's global message box. The program sets it
// once at start-up; tests set their own for the length of a test.
Ui& TheUi();
void SetTheUi(Ui* ui);

class ScopedUi {
public:
    explicit ScopedUi(Ui& ui);
    ~ScopedUi();
    ScopedUi(const ScopedUi&) = delete;
    ScopedUi& operator=(const ScopedUi&) = delete;

private:
    Ui* m_previous;
};

// A Ui of the calling thread alone, in place of the process-wide one while it
// lives: a worker of the batch write collects what its slide would tell the user.
class ThreadUi {
public:
    explicit ThreadUi(Ui& ui);
    ~ThreadUi();
    ThreadUi(const ThreadUi&) = delete;
    ThreadUi& operator=(const ThreadUi&) = delete;

private:
    Ui* m_previous;
};

// The application's own message box: caption is the application title.
int AfxMessageBox(const std::string& text, MsgButtons buttons = MsgButtons::OK, MsgIcon icon = MsgIcon::None);

inline constexpr const char* kAppTitle = "Vantor";

}  // namespace vantor
