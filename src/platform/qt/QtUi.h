// The Ui services on Qt widgets: message boxes, dialogs from templates, file
// dialogs, the pump, cursors and the frame's bars.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <Qt>

class QWidget;

#include "platform/Ui.h"

namespace vantor {

class MainWindow;

// "Desc|*.JPG;*.BMP|All files (*.*)|*.*||" → Qt name filters, each pattern in both
// cases so that *.JPG also finds a.jpg where the file dialog compares exactly.
QStringList QtNameFilters(const std::string& filter);
// "\r\n" and a lone "\r" become "\n".
QString MessageText(const std::string& text);
// Paths cross between the program (bytes) and Qt in the platform's file-name
// encoding, both ways, never as UTF-8 text of their own.
std::string PathFromQt(const QString& path);
QString PathToQt(const std::string& path);

class QtUi : public Ui {
public:
    explicit QtUi(MainWindow& window);
    ~QtUi() override;

    int MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon) override;
    int DoModal(Dialog& dialog) override;
    void RangeMessage(Dialog& dialog, const std::string& text) override;
    std::vector<std::string> FileDialog(const FileDialogOptions& options) override;

    void Pump(unsigned attempts) override;
    using Ui::Sleep;
    void Sleep(unsigned ms, const WakeCondition& wake) override;

    void SetCursor(CursorKind cursor) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;

    void SetTitle(const std::string& text) override;
    void SetStatusPane(int pane, const std::string& text) override;

    void ProgressStep() override;
    void ProgressSetPos(int pos) override;

    void Invalidate(bool erase) override;
    void UpdateWindow() override;
    void ClientTextOut(int x, int y, const std::string& text, Rgb color, Rgb cell) override;
    Size ClientSize() override;
    Point ScrollPosition() override;
    void SetScrollRange(Size range) override;
    void ScrollTo(Point position) override;
    void SetViewTimer(bool on) override;

    void PostClose() override;
    void SetFullScreen(bool on) override;

private:
    void ApplyCursor(Qt::CursorShape shape);
    void DropCursor();
    QWidget* DialogParent() const;

    MainWindow& m_window;
    QElapsedTimer m_lastPump;
    int m_waitDepth = 0;
    bool m_cursorSet = false;
    Qt::CursorShape m_cursorShape = Qt::ArrowCursor;  // the override's shape while set
};

}  // namespace vantor
