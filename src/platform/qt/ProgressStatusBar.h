// The frame's second status line: a help text part and a part holding the progress
// meter, which always fills the right-hand ninth of the line.
#pragma once

#include <QFrame>
#include <QString>

#include "platform/MainFrame.h"

class QProgressBar;
class QSizeGrip;

namespace vantor {

class CProgressStatusBar : public QFrame {
    Q_OBJECT
public:
    explicit CProgressStatusBar(QWidget* parent = nullptr);

    static constexpr int kParts = 2;
    QString PartText(int part) const { return m_texts[part]; }
    // The x where the part starts (part 0 at 0, part 1 at the edge).
    int PartLeft(int part) const { return part == 0 ? 0 : m_edge; }

    QProgressBar* Meter() const { return m_bar; }
    ProgressMeter& Model() { return m_meter; }
    // Shows the model's state in the meter.
    void SyncMeter();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    ProgressMeter m_meter;
    QProgressBar* m_bar;
    QSizeGrip* m_grip;
    QString m_texts[kParts];
    int m_edge = 0;
};

}  // namespace vantor
