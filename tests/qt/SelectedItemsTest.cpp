// The viewer window of the collected files: 10000 lines shown by a list view.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QListView>
#include <QPushButton>

#include "platform/qt/MainWindow.h"
#include "platform/qt/QtDialog.h"
#include "platform/qt/QtUi.h"
#include "qt/QtTestApp.h"
#include "resource.h"
#include "slides/CSelectedItemsDialog.h"
#include "viewer/CVantorView.h"

namespace vantor {
namespace {

QListView* ListOf(QWidget& window) {
    const auto lists = window.findChildren<QListView*>();
    return lists.size() == 1 ? lists.front() : nullptr;
}

TEST(QtSelectedItems, TenThousandLinesOpenInTheWindow) {
    QApplication& app = test::TestApp();
    (void)app;
    CVantorView view;
    MainWindow window{view};
    QtUi ui{window};
    ScopedUi scope{ui};
    for (std::uint32_t i = 0; i < 10000; ++i) view.m_slides.Store(i, "/pictures/" + std::to_string(i) + ".jpg");
    view.m_slides.m_slideCount = 10000;

    int rows = 0;
    QString first, last, title;
    bool okEnabled = true, uniform = false;
    test::AnswerNextModal([&](QWidget& modal) {
        title = modal.windowTitle();
        QListView* list = ListOf(modal);
        ASSERT_NE(list, nullptr);
        rows = list->model()->rowCount();
        first = list->model()->index(0, 0).data().toString();
        last = list->model()->index(rows - 1, 0).data().toString();
        uniform = list->uniformItemSizes();
        list->scrollToBottom();
        modal.grab();                                       // a real paint of the list
        list->setCurrentIndex(list->model()->index(5, 0));  // a click: reported, nothing kept
        for (auto* button : modal.findChildren<QPushButton*>()) {
            if (button->text() == "OK") okEnabled = button->isEnabled();
        }
        for (auto* button : modal.findChildren<QPushButton*>()) {
            if (button->text() == "CLOSE( 閉じる.)") button->click();
        }
    });
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(view.OnCommand(ID_EFFECT_SHOW_SLIDE_FILES));
    std::printf("viewer of 10000 lines opened and closed in %lld ms\n", static_cast<long long>(clock.elapsed()));
    EXPECT_EQ(title.toStdString(), "Selected Items  ( 1 ～ 10000 )");
    EXPECT_EQ(rows, 10000);
    EXPECT_EQ(first.toStdString(), "/pictures/0.jpg");
    EXPECT_EQ(last.toStdString(), "/pictures/9999.jpg");
    EXPECT_TRUE(uniform);
    EXPECT_FALSE(okEnabled);
}

TEST(QtSelectedItems, SelectionRoundTripsThroughTheDialog) {
    test::TestApp();
    CSelectedItemsDialog dialog;
    StringArray paths(2);
    paths[0] = "/a.jpg";
    paths[1] = "/b.jpg";
    dialog.Fill(paths, 2);
    QtDialog window(dialog);
    window.Init();
    auto* list = qobject_cast<QListView*>(window.ControlWidget(1022));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->model()->rowCount(), 10000);
    EXPECT_EQ(list->model()->index(2, 0).data().toString().toStdString(), "  ..........");
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_TRUE(list->uniformItemSizes());
    list->setCurrentIndex(list->model()->index(1, 0));
    EXPECT_EQ(dialog.Control(1022).selection, std::vector<int>{1});
    EXPECT_TRUE(dialog.m_selected.empty());
    // A state pushed from the dialog shows in the view without a reaction.
    dialog.Control(1022).selection = {7};
    window.PushStates();
    EXPECT_TRUE(list->selectionModel()->isRowSelected(7, QModelIndex()));
    EXPECT_FALSE(list->selectionModel()->isRowSelected(1, QModelIndex()));
    window.ClickControl(kIdOk);  // disabled: nothing
    EXPECT_FALSE(dialog.Ended());
    window.ClickControl(kIdCancel);
    EXPECT_TRUE(dialog.Ended());
    EXPECT_EQ(dialog.Result(), IDCANCEL);
}

}  // namespace
}  // namespace vantor
