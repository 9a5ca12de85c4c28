// The open dialog that picks a folder by confirming a dummy name in it, and the
// search dialogs built from their templates.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <QTemporaryDir>
#include <filesystem>

#include "platform/qt/MainWindow.h"
#include "platform/qt/QtDialog.h"
#include "platform/qt/QtUi.h"
#include "qt/QtTestApp.h"
#include "search/SearchDialogs.h"
#include "viewer/CVantorView.h"

namespace vantor {
namespace {

struct WithUi {
    QApplication& app = test::TestApp();  // before any widget
    CVantorView view;
    MainWindow window{view};
    QtUi ui{window};
    ScopedUi scope{ui};
};

FileDialogOptions FolderChoice() {
    FileDialogOptions options;
    options.kind = FileDialogOptions::Kind::Open;
    options.mustExist = false;
    options.defaultExt = "MFC_DUMMY.JPG";
    options.initialName = "MFC_DUMMY.JPG";
    options.filter = "JPG File (*.JPG)|*.JPG|All files (*.*)|*.*||";
    return options;
}

TEST(QtFolderDialog, ConfirmingTheDummyNameInAFolderOrTypingTheFolder) {
    WithUi w;
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const std::string folder = std::filesystem::canonical(tmp.path().toStdString()).string();

    // Walked into the folder, the dummy name confirmed although no such file exists.
    test::AnswerNextModal([&](QWidget& modal) {
        auto& dialog = dynamic_cast<QFileDialog&>(modal);
        dialog.setDirectory(QString::fromStdString(folder));
        dialog.selectFile(QStringLiteral("MFC_DUMMY.JPG"));
        static_cast<QDialog&>(dialog).accept();  // as the Open button does
    });
    EXPECT_EQ(w.ui.FileDialog(FolderChoice()), (std::vector<std::string>{folder + "/MFC_DUMMY.JPG"}));

    // The folder's path typed as the name and confirmed.
    test::AnswerNextModal([&](QWidget& modal) {
        auto& dialog = dynamic_cast<QFileDialog&>(modal);
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QString::fromStdString(folder));
        static_cast<QDialog&>(dialog).accept();  // as the Open button does
    });
    EXPECT_EQ(w.ui.FileDialog(FolderChoice()), (std::vector<std::string>{folder + "/MFC_DUMMY.JPG"}));

    test::AnswerNextModal([](QWidget& modal) { dynamic_cast<QFileDialog&>(modal).reject(); });
    EXPECT_TRUE(w.ui.FileDialog(FolderChoice()).empty());
}

TEST(QtFolderDialog, PathsComeBackAsTheFileSystemsBytes) {
    WithUi w;
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    // A name outside ASCII, in the file system's own encoding.
    const std::string folder = std::filesystem::canonical(PathFromQt(tmp.path())).string() + "/写真 été";
    std::filesystem::create_directory(folder);
    EXPECT_EQ(PathFromQt(PathToQt(folder)), folder);

    FileDialogOptions options = FolderChoice();
    options.initialName = "é.JPG";
    QString proposed;
    test::AnswerNextModal([&](QWidget& modal) {
        auto& dialog = dynamic_cast<QFileDialog&>(modal);
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        proposed = name->text();
        name->setText(PathToQt(folder));
        static_cast<QDialog&>(dialog).accept();
    });
    EXPECT_EQ(w.ui.FileDialog(options), (std::vector<std::string>{folder + "/é.JPG"}));
    EXPECT_EQ(PathFromQt(proposed), "é.JPG");
}

TEST(QtFolderDialog, SearchDialogsFromTheirTemplates) {
    test::TestApp();
    CDriveDialog drive(std::vector<std::string>(21, "/"));
    QtDialog driveWindow(drive);
    driveWindow.Init();
    auto* third = qobject_cast<QRadioButton*>(driveWindow.ControlWidget(1001));
    ASSERT_NE(third, nullptr);
    EXPECT_TRUE(third->isChecked());
    EXPECT_EQ(third->text().toStdString(), "/");

    CUnsearchDirDialog list;
    QtDialog listWindow(list);
    listWindow.Init();
    auto* lines = qobject_cast<QListView*>(listWindow.ControlWidget(CUnsearchDirDialog::kList));
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(lines->model()->rowCount(), 501);
    EXPECT_EQ(lines->selectionModel()->selectedRows().size(), 501);
    EXPECT_FALSE(listWindow.ControlWidget(CUnsearchDirDialog::kMore)->isEnabled());
}

}  // namespace
}  // namespace vantor
