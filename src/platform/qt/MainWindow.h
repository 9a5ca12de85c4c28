// The main frame: menu bar, toolbar, the standard status bar with its seven panes,
// the progress status line and the view. It builds and lays out the bars and turns
// their commands into calls of the view; the view decides everything else.
#pragma once

#include <QFrame>
#include <QMainWindow>
#include <functional>
#include <map>
#include <vector>

#include "platform/MainFrame.h"

class QLabel;
class QToolBar;

namespace vantor {

class CVantorView;
class CProgressStatusBar;
class ViewWidget;

// The standard status bar's panes, laid out left to right at fixed widths and
// clipped at the right end like the classic status bar (never forcing the width
// of the window).
class StatusPanes : public QWidget {
    Q_OBJECT
public:
    explicit StatusPanes(QWidget* parent = nullptr);
    static constexpr int kCount = 7;
    QLabel* Pane(int index) const { return m_panes[static_cast<std::size_t>(index)]; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::vector<QLabel*> m_panes;
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(CVantorView& view, QWidget* parent = nullptr);

    CVantorView& View() const { return m_view; }
    ViewWidget* ViewArea() const { return m_viewArea; }
    CProgressStatusBar* ProgressLine() const { return m_progressLine; }
    StatusPanes* Panes() const { return m_panes; }
    QToolBar* ToolBar() const { return m_toolBar; }
    // The action of a command id; nullptr when the menu has none.
    QAction* Action(int id) const;

    // Runs a call into the view; once the outermost one returns, the bars are
    // brought up to date and a close that waited for it goes ahead.
    void CallView(const std::function<void()>& call);
    // Enables and checks every action as the view says.
    void RefreshActions();
    // The whole screen for the view alone, or the window back with the bars it had.
    void SetFullScreen(bool on);

protected:
    void closeEvent(QCloseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void BuildMenus();
    void BuildToolBar();
    void OnCommand(int id);

    CVantorView& m_view;
    ViewWidget* m_viewArea;
    CProgressStatusBar* m_progressLine;
    StatusPanes* m_panes;
    QToolBar* m_toolBar = nullptr;
    std::map<int, QAction*> m_actions;
    FrameTimer m_frameTimer;
    int m_callDepth = 0;
    bool m_closePending = false;
    bool m_fullScreen = false;
    bool m_toolBarShown = true, m_statusBarShown = true;  // as the user left them
    QFrame::Shape m_viewFrame = QFrame::NoFrame;          // the view's border outside full screen
    QRect m_normalGeometry;                               // the window's place before full screen
};

}  // namespace vantor
