#include "platform/qt/MainWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "platform/Ui.h"
#include "platform/qt/ProgressStatusBar.h"
#include "platform/qt/ViewWidget.h"
#include "resource.h"
#include "viewer/CVantorView.h"
#include "viewer/Commands.h"

namespace vantor {

namespace {

// "&Open...\tCtrl+O" → the menu text and the accelerator text.
std::pair<QString, QString> SplitMenuText(const std::string& text) {
    const QString all = QString::fromStdString(text);
    const qsizetype tab = all.indexOf(QLatin1Char('\t'));
    if (tab < 0) return {all, {}};
    return {all.left(tab), all.mid(tab + 1)};
}

QString PlainText(const QString& menuText) {
    QString plain = menuText;
    return plain.remove(QLatin1Char('&')).trimmed();
}

QIcon ToolIcon(int id, const QStyle& style) {
    struct Look {
        int id;
        const char* theme;
        QStyle::StandardPixmap fallback;
    };
    static const Look looks[] = {
        {ID_FILE_OPEN, "document-open", QStyle::SP_DialogOpenButton},
        {ID_FILE_SAVE_RGB_AS, "document-save-as", QStyle::SP_DialogSaveButton},
        {ID_FILE_SAVE_GRAYSCALE_JPEG, "document-save", QStyle::SP_DriveFDIcon},
        {ID_FILE_SAVE_COLORMAPPED_BMP, "media-floppy", QStyle::SP_DriveHDIcon},
        {ID_FILE_GET_JPG_DIMENSIONS, "document-properties", QStyle::SP_FileDialogInfoView},
        {ID_APP_ABOUT, "help-about", QStyle::SP_MessageBoxQuestion},
    };
    for (const Look& look : looks) {
        if (look.id == id) return QIcon::fromTheme(QLatin1String(look.theme), style.standardIcon(look.fallback));
    }
    return style.standardIcon(QStyle::SP_FileIcon);
}

}  // namespace

StatusPanes::StatusPanes(QWidget* parent) : QWidget(parent) {
    const char* indicators[] = {"CAP", "NUM", "SCRL", "OVR", "REC"};
    for (int i = 0; i < kCount; ++i) {
        auto* pane = new QLabel(this);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setTextFormat(Qt::PlainText);
        if (i == 0) {
            pane->setFixedWidth(kStatusPane0Width);
        } else if (i == 1) {
            pane->setFixedWidth(kStatusPane1Width);
        } else {
            pane->setText(QLatin1String(indicators[i - 2]));
            pane->setAlignment(Qt::AlignCenter);
            pane->setFixedWidth(pane->fontMetrics().horizontalAdvance(pane->text()) + 12);
            // The key-state indicators are shown greyed: nothing here tracks the keys.
            pane->setEnabled(false);
        }
        m_panes.push_back(pane);
    }
}

QSize StatusPanes::sizeHint() const {
    int width = 0;
    for (QLabel* pane : m_panes) width += pane->width() + 2;
    return {width, fontMetrics().height() + 6};
}

QSize StatusPanes::minimumSizeHint() const { return {0, fontMetrics().height() + 6}; }

void StatusPanes::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    int x = 0;
    for (QLabel* pane : m_panes) {
        pane->move(x, 0);
        pane->setFixedHeight(height());
        x += pane->width() + 2;
    }
}

MainWindow::MainWindow(CVantorView& view, QWidget* parent)
    : QMainWindow(parent),
      m_view(view),
      m_viewArea(new ViewWidget(view, [this](const std::function<void()>& call) { CallView(call); })),
      m_progressLine(new CProgressStatusBar),
      m_panes(new StatusPanes),
      m_frameTimer(m_progressLine->Model()) {
    setWindowTitle(QString::fromUtf8(kAppTitle));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_viewArea, 1);
    layout->addWidget(m_progressLine);
    setCentralWidget(central);

    statusBar()->addWidget(m_panes, 1);

    BuildMenus();
    BuildToolBar();
    RefreshActions();
    m_viewArea->setFocus();
}

void MainWindow::BuildMenus() {
    for (const MenuItem& top : MainMenu()) {
        QMenu* menu = menuBar()->addMenu(QString::fromStdString(top.text));
        for (const MenuItem& item : top.popup) {
            if (item.text.empty()) {
                menu->addSeparator();
                continue;
            }
            const auto [text, accelerator] = SplitMenuText(item.text);
            QAction* action = menu->addAction(text);
            if (!accelerator.isEmpty()) {
                action->setShortcut(QKeySequence(accelerator));
                // A shortcut of a menu alone dies with the menu bar hidden (full screen).
                addAction(action);
            }
            action->setToolTip(PlainText(text));
            const int id = item.id;
            m_actions[id] = action;
            if (id == ID_VIEW_TOOLBAR || id == ID_VIEW_STATUS_BAR) {
                // The bars belong to the frame; the view knows nothing of them.
                action->setCheckable(true);
                action->setChecked(true);
                connect(action, &QAction::toggled, this, [this, id](bool on) {
                    if (id == ID_VIEW_TOOLBAR) {
                        m_toolBar->setVisible(on);
                    } else {
                        statusBar()->setVisible(on);
                    }
                });
            } else {
                connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
            }
        }
        connect(menu, &QMenu::aboutToShow, this, &MainWindow::RefreshActions);
    }
}

void MainWindow::BuildToolBar() {
    m_toolBar = addToolBar(QStringLiteral("Standard"));
    m_toolBar->setObjectName(QStringLiteral("toolbar"));
    m_toolBar->setIconSize(QSize(16, 15));
    for (int id : ToolbarButtons()) {
        if (id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = Action(id);
        if (action == nullptr) continue;
        action->setIcon(ToolIcon(id, *style()));
        m_toolBar->addAction(action);
    }
}

QAction* MainWindow::Action(int id) const {
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void MainWindow::RefreshActions() {
    for (const auto& [id, action] : m_actions) {
        if (id == ID_VIEW_TOOLBAR) {
            action->setChecked(!m_toolBar->isHidden());
        } else if (id == ID_VIEW_STATUS_BAR) {
            action->setChecked(!statusBar()->isHidden());
        } else {
            action->setEnabled(m_view.IsCommandEnabled(id));
            const bool checked = m_view.IsCommandChecked(id);
            action->setCheckable(checked);
            action->setChecked(checked);
        }
    }
}

void MainWindow::SetFullScreen(bool on) {
    if (on == m_fullScreen) return;
    m_fullScreen = on;
    if (on) {
        m_toolBarShown = !m_toolBar->isHidden();
        m_statusBarShown = !statusBar()->isHidden();
    }
    menuBar()->setVisible(!on);
    m_toolBar->setVisible(!on && m_toolBarShown);
    statusBar()->setVisible(!on && m_statusBarShown);
    m_progressLine->setVisible(!on);
    const Qt::ScrollBarPolicy bars = on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn;
    m_viewArea->setHorizontalScrollBarPolicy(bars);
    m_viewArea->setVerticalScrollBarPolicy(bars);
    if (on) m_viewFrame = m_viewArea->frameShape();
    m_viewArea->setFrameShape(on ? QFrame::NoFrame : m_viewFrame);
    // A window not shown yet takes the state when it is.
    if (on) m_normalGeometry = geometry();
    setWindowState(on ? windowState() | Qt::WindowFullScreen : windowState() & ~Qt::WindowFullScreen);
    // Without a window manager (a kiosk's bare X server) nobody acts on the state:
    // the window takes the screen, and its own place back, itself.
    if (on) {
        if (const QScreen* whole = screen()) setGeometry(whole->geometry());
    } else if (!(windowState() & Qt::WindowMaximized)) {
        setGeometry(m_normalGeometry);
    }
}

void MainWindow::OnCommand(int id) {
    CallView([this, id] { m_view.OnCommand(id); });
}

void MainWindow::CallView(const std::function<void()>& call) {
    ++m_callDepth;
    call();
    --m_callDepth;
    if (m_callDepth > 0) return;
    RefreshActions();
    if (m_closePending) {
        m_closePending = false;
        close();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_callDepth > 0 || m_view.InCommand()) {
        // A long loop is running below us: ask it to end and close once it has.
        m_view.RequestClose();
        m_closePending = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::timerEvent(QTimerEvent* event) {
    if (m_frameTimer.OnTimer()) killTimer(event->timerId());
    m_progressLine->SyncMeter();
}

}  // namespace vantor
