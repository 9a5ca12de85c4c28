#include "platform/qt/QtUi.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "platform/qt/MainWindow.h"
#include "platform/qt/ProgressStatusBar.h"
#include "platform/qt/QtDialog.h"
#include "platform/qt/ViewWidget.h"

namespace vantor {

namespace {

// A pump call this soon after the last one returns at once: the long loops pump
// thousands of times a second and each processEvents costs far more than that.
constexpr qint64 kPumpIntervalNs = 2'000'000;
// A halted show polls for the user's click or key; waiting this long for events
// instead of spinning keeps it from burning a processor core.
constexpr unsigned kIdleWaitMs = 10;

}  // namespace

QStringList QtNameFilters(const std::string& filter) {
    const QStringList fields = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList result;
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
        if (fields[i].isEmpty()) break;
        QStringList patterns;
        for (const QString& pattern : fields[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            for (const QString& variant : {trimmed.toLower(), trimmed.toUpper()}) {
                if (!patterns.contains(variant)) patterns << variant;
            }
        }
        QString description = fields[i];
        description.remove(trailingPatterns);
        result << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return result;
}

QString MessageText(const std::string& text) {
    QString result = QString::fromStdString(text);
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

std::string PathFromQt(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString PathToQt(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

QtUi::QtUi(MainWindow& window) : m_window(window) {}

QtUi::~QtUi() { DropCursor(); }

QWidget* QtUi::DialogParent() const {
    QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr ? modal : &m_window;
}

int QtUi::MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon) {
    QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
    switch (icon) {
        case MsgIcon::None: break;
        case MsgIcon::Error: qtIcon = QMessageBox::Critical; break;
        case MsgIcon::Warning: qtIcon = QMessageBox::Warning; break;
        case MsgIcon::Information: qtIcon = QMessageBox::Information; break;
        case MsgIcon::Question: qtIcon = QMessageBox::Question; break;
    }
    QMessageBox::StandardButton first = QMessageBox::Ok;
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    switch (buttons) {
        case MsgButtons::OK: break;
        case MsgButtons::OKCancel: set = QMessageBox::Ok | QMessageBox::Cancel; break;
        case MsgButtons::YesNo:
            first = QMessageBox::Yes;
            set = QMessageBox::Yes | QMessageBox::No;
            break;
        case MsgButtons::YesNoCancel:
            first = QMessageBox::Yes;
            set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
            break;
    }
    QMessageBox box(qtIcon, QString::fromStdString(caption), MessageText(text), set, DialogParent());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(first);
    switch (box.exec()) {
        case QMessageBox::Ok: return IDOK;
        case QMessageBox::Yes: return IDYES;
        case QMessageBox::No: return IDNO;
        case QMessageBox::Cancel: return IDCANCEL;
        default: return buttons == MsgButtons::OK ? IDOK : IDCANCEL;
    }
}

int QtUi::DoModal(Dialog& dialog) {
    QtDialog window(dialog, DialogParent());
    return window.Run();
}

void QtUi::RangeMessage(Dialog&, const std::string& text) {
    QMessageBox::warning(DialogParent(), QString::fromUtf8(kAppTitle), MessageText(text));
}

namespace {

// An open dialog whose name need not exist: confirming a folder's path (typed, or a
// folder selected in the list) accepts that folder with the initial name in it,
// instead of walking into it.
class FolderByNameDialog : public QFileDialog {
public:
    FolderByNameDialog(QWidget* parent, const QString& title, bool folderAccepts)
        : QFileDialog(parent, title), m_folderAccepts(folderAccepts) {}
    QString folder;

protected:
    void accept() override {
        const QStringList files = selectedFiles();
        if (m_folderAccepts && files.size() == 1 && QFileInfo(files.front()).isDir()) {
            folder = files.front();
            // A folder picked: closed as accepted without QFileDialog's own
            // accept, which would enter the folder instead.
            QDialog::accept();  // NOLINT(bugprone-parent-virtual-call)
            return;
        }
        QFileDialog::accept();
    }

private:
    bool m_folderAccepts;
};

}  // namespace

std::vector<std::string> QtUi::FileDialog(const FileDialogOptions& options) {
    using Kind = FileDialogOptions::Kind;
    const bool anyName = options.kind == Kind::Open && !options.mustExist;
    FolderByNameDialog dialog(&m_window, QString::fromStdString(options.title), anyName);
    dialog.setNameFilters(QtNameFilters(options.filter));
    // The folder-accepting answer lives in Qt's own dialog, not a platform one.
    if (anyName) dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (options.kind == Kind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!options.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(options.kind == Kind::OpenMultiple ? QFileDialog::ExistingFiles
                           : anyName                          ? QFileDialog::AnyFile
                                                              : QFileDialog::ExistingFile);
    }
    QString suffix = QString::fromStdString(options.defaultExt);
    suffix.remove(QStringLiteral("*."));
    // A whole default name ("MFC_DUMMY.JPG") lends only its extension.
    if (suffix.contains(QLatin1Char('.'))) suffix = suffix.section(QLatin1Char('.'), -1);
    if (!suffix.isEmpty() && !suffix.contains(QLatin1Char('*'))) dialog.setDefaultSuffix(suffix);
    // A wildcard as the initial name only stands for the filter, which is already set.
    const QString initial = PathToQt(options.initialName);
    if (!initial.isEmpty() && !initial.contains(QLatin1Char('*'))) dialog.selectFile(initial);

    std::vector<std::string> paths;
    if (dialog.exec() != QDialog::Accepted) return paths;
    if (!dialog.folder.isEmpty()) {
        QString path = dialog.folder;
        if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
        paths.push_back(PathFromQt(path + initial));
        return paths;
    }
    for (const QString& path : dialog.selectedFiles()) paths.push_back(PathFromQt(path));
    return paths;
}

void QtUi::Pump(unsigned) {
    if (waitingForUser && waitingForUser()) {
        Sleep(kIdleWaitMs);
        return;
    }
    // A pending repaint is let through however soon: left to a later flush, it would
    // paint the next slide's texts over the picture before it.
    if (m_lastPump.isValid() && m_lastPump.nsecsElapsed() < kPumpIntervalNs && !m_window.ViewArea()->PaintPending()) {
        return;
    }
    QCoreApplication::processEvents();
    m_lastPump.start();
}

void QtUi::Sleep(unsigned ms, const WakeCondition& done) {
    const QDeadlineTimer deadline(static_cast<qint64>(ms), Qt::PreciseTimer);
    // The timer wakes the blocking wait at the deadline when nothing else arrives.
    // It is set again before every wait: a timer that fired a little early would
    // otherwise leave the last wait with nothing to wake it.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (!deadline.hasExpired() && !(done && done())) {
        wake.start(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    m_lastPump.start();
}

void QtUi::ApplyCursor(Qt::CursorShape shape) {
    // The searches set their cursor before every folder entry; only a change costs.
    if (m_cursorSet && m_cursorShape == shape) return;
    m_cursorShape = shape;
    if (m_cursorSet) {
        QApplication::changeOverrideCursor(QCursor(shape));
    } else {
        QApplication::setOverrideCursor(QCursor(shape));
        m_cursorSet = true;
    }
}

void QtUi::DropCursor() {
    if (m_cursorSet) {
        QApplication::restoreOverrideCursor();
        m_cursorSet = false;
    }
}

void QtUi::SetCursor(CursorKind cursor) {
    switch (cursor) {
        case CursorKind::Arrow:
            if (m_waitDepth > 0) {
                ApplyCursor(Qt::ArrowCursor);
            } else {
                DropCursor();
            }
            break;
        case CursorKind::Wait: ApplyCursor(Qt::WaitCursor); break;
        case CursorKind::AppStarting: ApplyCursor(Qt::BusyCursor); break;
    }
}

void QtUi::BeginWaitCursor() {
    ++m_waitDepth;
    ApplyCursor(Qt::WaitCursor);
}

void QtUi::EndWaitCursor() {
    if (m_waitDepth > 0) --m_waitDepth;
    if (m_waitDepth == 0) DropCursor();
}

void QtUi::SetTitle(const std::string& text) { m_window.setWindowTitle(QString::fromStdString(text)); }

void QtUi::SetStatusPane(int pane, const std::string& text) {
    if (pane < 0 || pane >= StatusPanes::kCount) return;
    m_window.Panes()->Pane(pane)->setText(QString::fromStdString(text));
}

void QtUi::ProgressStep() {
    m_window.ProgressLine()->Model().Step();
    m_window.ProgressLine()->SyncMeter();
}

void QtUi::ProgressSetPos(int pos) {
    m_window.ProgressLine()->Model().SetPos(pos);
    m_window.ProgressLine()->SyncMeter();
}

void QtUi::Invalidate(bool erase) { m_window.ViewArea()->Invalidate(erase); }

void QtUi::UpdateWindow() {
    if (m_window.ViewArea()->PaintPending()) m_window.ViewArea()->viewport()->repaint();
}

void QtUi::ClientTextOut(int x, int y, const std::string& text, Rgb color, Rgb cell) {
    m_window.ViewArea()->ClientTextOut(x, y, text, color, cell);
}

Size QtUi::ClientSize() {
    const QSize size = m_window.ViewArea()->viewport()->size();
    return {size.width(), size.height()};
}

Point QtUi::ScrollPosition() {
    return {m_window.ViewArea()->horizontalScrollBar()->value(), m_window.ViewArea()->verticalScrollBar()->value()};
}

void QtUi::SetScrollRange(Size range) { m_window.ViewArea()->SetScrollRange(range.cx, range.cy); }

void QtUi::ScrollTo(Point position) { m_window.ViewArea()->ScrollTo(position.x, position.y); }

void QtUi::SetViewTimer(bool on) { m_window.ViewArea()->SetTimer(on); }

void QtUi::PostClose() { QMetaObject::invokeMethod(&m_window, "close", Qt::QueuedConnection); }

void QtUi::SetFullScreen(bool on) { m_window.SetFullScreen(on); }

}  // namespace vantor
