#include "platform/qt/ProgressStatusBar.h"

#include <QPainter>
#include <QProgressBar>
#include <QSizeGrip>
#include <QStyleOptionFrame>

#include "platform/qt/QtCanvas.h"

namespace vantor {

CProgressStatusBar::CProgressStatusBar(QWidget* parent)
    : QFrame(parent), m_bar(new QProgressBar(this)), m_grip(new QSizeGrip(this)) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setFont(JapaneseFont(kProgressLineFontHeight));
    m_meter.SetRange(0, 10);
    m_meter.SetPos(0);
    m_meter.SetStep(1);
    m_bar->setTextVisible(false);
    SyncMeter();
    m_texts[0] = QString::fromUtf8(kProgressLineHelp);
}

void CProgressStatusBar::SyncMeter() {
    m_bar->setRange(m_meter.Lo(), m_meter.Hi());
    m_bar->setValue(m_meter.Pos());
}

QSize CProgressStatusBar::sizeHint() const { return {400, fontMetrics().height() + 8}; }
QSize CProgressStatusBar::minimumSizeHint() const { return {0, fontMetrics().height() + 8}; }

void CProgressStatusBar::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    m_edge = ProgressPartEdge(width());
    m_bar->setGeometry(m_edge, 0, width() - m_edge, height());
    const QSize grip = m_grip->sizeHint();
    m_grip->setGeometry(width() - grip.width(), height() - grip.height(), grip.width(), grip.height());
    m_grip->raise();
}

void CProgressStatusBar::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    // Part 0 is sunken like a status pane; part 1 is drawn without borders.
    QStyleOptionFrame pane;
    pane.initFrom(this);
    pane.rect = QRect(0, 1, m_edge, height() - 2);
    pane.lineWidth = 1;
    pane.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_Frame, &pane, &painter, this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(pane.rect.adjusted(4, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                     m_texts[0]);
    // Part 1 is covered by the meter.
}

}  // namespace vantor
