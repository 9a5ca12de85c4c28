// Dialog windows from templates, message boxes and file filters.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

#include "platform/qt/MainWindow.h"
#include "platform/qt/QtDialog.h"
#include "platform/qt/QtUi.h"
#include "qt/QtTestApp.h"
#include "resource.h"
#include "slides/COverLimitDialog.h"
#include "viewer/CVantorView.h"
#include "viewer/Dialogs.h"

namespace vantor {
namespace {

TEST(QtDialog, SpeedDialogSliderAndEdit) {
    test::TestApp();
    CSpeedDialog dialog;
    dialog.m_speedValue = 5;
    QtDialog window(dialog);
    window.Init();
    EXPECT_EQ(window.windowTitle().toStdString(), "                    Slide Show Speed");
    auto* slider = qobject_cast<QScrollBar*>(window.ControlWidget(32780));
    auto* edit = qobject_cast<QLineEdit*>(window.ControlWidget(32781));
    ASSERT_NE(slider, nullptr);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(slider->minimum(), 1);
    EXPECT_EQ(slider->maximum(), 255);
    EXPECT_EQ(slider->value(), 5);
    EXPECT_EQ(edit->text().toStdString(), "5");
    EXPECT_FALSE(dialog.Circle().has_value());  // showing the position is no scroll

    slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(edit->text().toStdString(), "30");
    EXPECT_EQ(slider->value(), 30);
    slider->triggerAction(QAbstractSlider::SliderSingleStepSub);
    slider->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(slider->value(), 1);
    EXPECT_EQ(edit->text().toStdString(), "1");

    edit->setText("0");
    auto* ok = qobject_cast<QPushButton*>(window.ControlWidget(kIdOk));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    ok->click();
    EXPECT_TRUE(dialog.Ended());
    EXPECT_EQ(dialog.Result(), IDOK);
    EXPECT_EQ(dialog.m_speedValue, 0);
}

TEST(QtDialog, SliderMoveDrawsTheCircleOverTheControls) {
    test::TestApp();
    CSpeedDialog dialog;
    dialog.m_speedValue = 200;
    QtDialog window(dialog);
    window.Init();
    window.resize(600, 300);
    auto* slider = qobject_cast<QScrollBar*>(window.ControlWidget(32780));
    ASSERT_NE(slider, nullptr);
    slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    const QImage shot = window.grab().toImage();
    // The ring's left edge, half-way down: red 200 (the value before
    // the move), no green, blue 236.
    const QColor ring = shot.pixelColor(16, 51);
    EXPECT_NEAR(ring.red(), 200, 2);
    EXPECT_NEAR(ring.green(), 0, 2);
    EXPECT_NEAR(ring.blue(), 236, 2);
}

TEST(QtDialog, RowsLabelsAndDisabledEdits) {
    test::TestApp();
    CJumpDialog dialog;
    dialog.m_jumpNo = 7;
    dialog.m_writtenNo = 3;
    QtDialog window(dialog);
    window.Init();
    EXPECT_EQ(window.windowTitle().toStdString(), "      To Jump ");
    QStringList labels;
    for (QLabel* label : window.findChildren<QLabel*>()) labels << label->text();
    EXPECT_TRUE(labels.contains("Slide Jump to (ｼﾞｬﾝﾌﾟ先) No."));
    auto* jump = qobject_cast<QLineEdit*>(window.ControlWidget(1012));
    auto* written = qobject_cast<QLineEdit*>(window.ControlWidget(1013));
    ASSERT_NE(jump, nullptr);
    ASSERT_NE(written, nullptr);
    EXPECT_TRUE(jump->isEnabled());
    EXPECT_FALSE(written->isEnabled());
    EXPECT_EQ(jump->text().toStdString(), "7");
    EXPECT_EQ(qobject_cast<QPushButton*>(window.ControlWidget(kIdCancel))->text().toStdString(), "ｷｬﾝｾﾙ");

    window.reject();  // Esc
    EXPECT_EQ(dialog.Result(), IDCANCEL);
}

TEST(QtDialog, RadioGroupFollowsTheDialog) {
    test::TestApp();
    Dialog dialog(OverLimitDialogTemplate());
    QtDialog window(dialog);
    window.Init();
    auto* loop = qobject_cast<QRadioButton*>(window.ControlWidget(1013));
    auto* stop = qobject_cast<QRadioButton*>(window.ControlWidget(1015));
    ASSERT_NE(loop, nullptr);
    ASSERT_NE(stop, nullptr);
    loop->click();
    EXPECT_TRUE(loop->isChecked());
    stop->click();
    EXPECT_TRUE(stop->isChecked());
    EXPECT_FALSE(loop->isChecked());
    EXPECT_TRUE(dialog.Control(1015).checked);
    stop->click();  // a checked radio button stays checked
    EXPECT_TRUE(stop->isChecked());
}

struct WithUi {
    QApplication& app = test::TestApp();  // before any widget
    CVantorView view;
    MainWindow window{view};
    QtUi ui{window};
    ScopedUi scope{ui};
    WithUi() {
        ui.waitingForUser = [this] { return view.WaitingForUser(); };
    }
};

TEST(QtUi, MessageBoxShowsLineBreaksAndDefaultsToTheFirstButton) {
    WithUi w;
    QString shown;
    test::AnswerNextModal([&](QWidget& modal) {
        auto& box = dynamic_cast<QMessageBox&>(modal);
        shown = box.text();
        box.defaultButton()->click();
    });
    EXPECT_EQ(w.ui.MessageBox("one\r\ntwo\rthree\nfour", "Caption", MsgButtons::YesNo, MsgIcon::Question), IDYES);
    EXPECT_EQ(shown.toStdString(), "one\ntwo\nthree\nfour");

    test::AnswerNextModal([](QWidget& modal) { dynamic_cast<QMessageBox&>(modal).reject(); });
    EXPECT_EQ(w.ui.MessageBox("x", "Caption", MsgButtons::OKCancel, MsgIcon::Warning), IDCANCEL);
}

TEST(QtUi, OutOfRangeKeepsTheDialogOpen) {
    WithUi w;
    CSpeedDialog dialog;
    dialog.m_speedValue = 5;
    QtDialog window(dialog);
    window.Init();
    qobject_cast<QLineEdit*>(window.ControlWidget(32781))->setText("300");
    QString warning;
    test::AnswerNextModal([&](QWidget& modal) {
        warning = dynamic_cast<QMessageBox&>(modal).text();
        dynamic_cast<QMessageBox&>(modal).accept();
    });
    window.ClickControl(kIdOk);
    EXPECT_EQ(warning.toStdString(), "Please enter an integer between 0 and 255.");
    EXPECT_FALSE(dialog.Ended());
    EXPECT_EQ(dialog.m_speedValue, 5);
}

TEST(QtUi, FileFiltersMatchBothCases) {
    EXPECT_EQ(QtNameFilters("JPEG Files (*.JPG)|*.JPG|All files (*.*)|*.*||"),
              (QStringList{"JPEG Files (*.jpg *.JPG)", "All files (*.*)"}));
    EXPECT_EQ(QtNameFilters("Pictures|*.JPG;*.Bmp||"), (QStringList{"Pictures (*.jpg *.JPG *.bmp *.BMP)"}));
}

TEST(QtUi, TitleAndPumpAndSleep) {
    WithUi w;
    w.ui.SetTitle("VANTOR FOR SLIDE SHOW WINDOWS APPLICATION");
    EXPECT_EQ(w.window.windowTitle().toStdString(), "VANTOR FOR SLIDE SHOW WINDOWS APPLICATION");
    bool ran = false;
    QMetaObject::invokeMethod(
        &w.window, [&ran] { ran = true; }, Qt::QueuedConnection);
    w.ui.Sleep(20);
    EXPECT_TRUE(ran);
    // A wait ends at its deadline, whatever the timer's slack (a coarse timer may
    // fire 5 % early, 15 ms at 300 ms).
    for (unsigned ms : {60u, 300u}) {
        QElapsedTimer wait;
        wait.start();
        w.ui.Sleep(ms);
        EXPECT_GE(wait.elapsed(), ms - 1);
        EXPECT_LT(wait.elapsed(), ms + 500);
    }
    // The wait ends as soon as its wake condition holds: here a halt that arrives
    // during the wait, as the show's wait between slides uses it.
    w.view.m_stopped = 0;
    QTimer::singleShot(20, &w.window, [&w] { w.view.OnLButtonDown(); });
    QElapsedTimer clock;
    clock.start();
    w.ui.Sleep(5000, [&w] { return w.view.m_haltState == 1; });
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(w.view.m_haltState, 1);
}

}  // namespace
}  // namespace vantor
