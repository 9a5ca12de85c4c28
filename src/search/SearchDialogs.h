// The prompts of the automatic searches: file type, drive, and the two folder
// selection lists, with their templates (resources/search_dialogs.cpp).
#pragma once

#include <string>
#include <vector>

#include "platform/Dialog.h"

namespace vantor {

enum SearchDialogId : int {
    IDD_DRIVE = 130,
    IDD_SEARCH_TYPE = 145,
    IDD_UNSEARCH_DIR = 147,
    IDD_SEARCH_DIR = 149,
};

const DialogTemplate& SearchTypeDialogTemplate();
const DialogTemplate& DriveDialogTemplate();
const DialogTemplate& SearchDirDialogTemplate();
const DialogTemplate& UnsearchDirDialogTemplate();

// File type (JPEG or BMP) and whether cache folders are walked.
class CSearchTypeDialog : public Dialog {
public:
    static constexpr int kJpeg = 1016;
    static constexpr int kBmp = 1017;
    static constexpr int kDeepEdit = 1018;

    explicit CSearchTypeDialog(int deepSearchEdit);
    void DoDataExchange(DataExchange& dx) override;
    void OnInitDialog() override;
    void OnClicked(int controlId) override;

    int m_choice = 1;
    int m_deepSearchEdit = 1;
    int m_clicked = 0;
};

// One of 21 volume rows; the buttons carry codes that are not in button order.
class CDriveDialog : public Dialog {
public:
    static constexpr int kFirstButton = 1000;
    static constexpr int kLastButton = 1020;
    static constexpr int kRows = 21;

    // captions: the text of each row, top to bottom (row 0 is the "C:" row).
    explicit CDriveDialog(const std::vector<std::string>& captions);
    void OnInitDialog() override;
    void OnClicked(int controlId) override;

    // The button of a row, the code a button stores, and the row a code stands for
    // (a code outside the table stands for the "E:" row).
    static int ButtonOfRow(int row);
    static int CodeOfButton(int buttonId);
    static int RowOfCode(int code);

    int m_driveCode = 1;
};

// The list of the first 500 collected folders, several selectable.
class CDirSelectDialog : public Dialog {
public:
    static constexpr int kShown = 500;

    void DoDataExchange(DataExchange& dx) override;
    void OnInitDialog() override;
    void OnSelChange(int controlId) override;
    void OnClicked(int controlId) override;

    std::vector<std::string> m_dirNames = std::vector<std::string>(kShown + 1);
    std::vector<int> m_selIndex = std::vector<int>(kShown + 1);
    int m_selCount = 0;
    int m_more = 0;
    int m_moreEdit = 0;

protected:
    CDirSelectDialog(const DialogTemplate& tmpl, int listId, int moreId, int editId, std::string firstLine,
                     bool selectAll, int moreOnOpen);

private:
    int m_listId, m_moreId, m_editId;
    std::string m_firstLine;
    bool m_selectAll;
    int m_moreOnOpen;
};

// The folders to search (first line selected on opening).
class CSearchDirDialog : public CDirSelectDialog {
public:
    static constexpr int kList = 1025;
    static constexpr int kMore = 1027;
    static constexpr int kEdit = 1026;
    CSearchDirDialog();
};

// The folders to leave out (every line selected on opening).
class CUnsearchDirDialog : public CDirSelectDialog {
public:
    static constexpr int kList = 1023;
    static constexpr int kMore = 1024;
    static constexpr int kEdit = 1018;
    CUnsearchDirDialog();
};

}  // namespace vantor
