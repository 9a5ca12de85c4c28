#include "search/SearchDialogs.h"

#include <algorithm>

namespace vantor {

// ---- file type ----------------------------------------------------------------------------

CSearchTypeDialog::CSearchTypeDialog(int deepSearchEdit)
    : Dialog(SearchTypeDialogTemplate()), m_deepSearchEdit(deepSearchEdit) {}

void CSearchTypeDialog::DoDataExchange(DataExchange& dx) {
    dx.Int(kDeepEdit, m_deepSearchEdit, "m_deepSearchEdit", 0, 1);
}

void CSearchTypeDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    CheckRadioButton(kJpeg, kBmp, kJpeg);
    m_clicked = 0;
}

void CSearchTypeDialog::OnClicked(int controlId) {
    if (controlId == kJpeg)
        m_choice = 1;
    else if (controlId == kBmp)
        m_choice = 2;
    else
        return;
    m_clicked = 1;
}

// ---- drive --------------------------------------------------------------------------------

CDriveDialog::CDriveDialog(const std::vector<std::string>& captions) : Dialog(DriveDialogTemplate()) {
    for (int row = 0; row < kRows && static_cast<std::size_t>(row) < captions.size(); ++row)
        Control(ButtonOfRow(row)).text = captions[static_cast<std::size_t>(row)];
}

void CDriveDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    CheckRadioButton(kFirstButton, kLastButton, 1001);
}

int CDriveDialog::ButtonOfRow(int row) {
    // The second and third rows swap their button ids.
    if (row == 1) return 1002;
    if (row == 2) return 1001;
    return kFirstButton + row;
}

int CDriveDialog::CodeOfButton(int buttonId) {
    switch (buttonId) {
        case 1000: return 8;
        case 1002: return 4;
        case 1001: return 1;
        case 1003: return 0;
        default: return buttonId >= 1004 && buttonId <= kLastButton ? 13 + (buttonId - 1004) : 1;
    }
}

int CDriveDialog::RowOfCode(int code) {
    switch (code) {
        case 8: return 0;
        case 4: return 1;
        case 1: return 2;
        case 0: return 3;
        default: return code >= 13 && code <= 29 ? 4 + (code - 13) : 2;
    }
}

void CDriveDialog::OnClicked(int controlId) {
    if (controlId >= kFirstButton && controlId <= kLastButton) m_driveCode = CodeOfButton(controlId);
}

// ---- folder selection lists -------------------------------------------------------------------

CDirSelectDialog::CDirSelectDialog(const DialogTemplate& tmpl, int listId, int moreId, int editId,
                                   std::string firstLine, bool selectAll, int moreOnOpen)
    : Dialog(tmpl),
      m_listId(listId),
      m_moreId(moreId),
      m_editId(editId),
      m_firstLine(std::move(firstLine)),
      m_selectAll(selectAll),
      m_moreOnOpen(moreOnOpen) {}

void CDirSelectDialog::DoDataExchange(DataExchange& dx) { dx.Int(m_editId, m_moreEdit, "m_moreEdit", 0, 1); }

void CDirSelectDialog::OnInitDialog() {
    m_more = m_moreOnOpen;
    m_moreEdit = 0;
    Dialog::OnInitDialog();
    Control(m_moreId).checked = true;
    ControlState& list = Control(m_listId);
    list.items.clear();
    list.items.push_back(m_firstLine);
    for (int i = 0; i < kShown; ++i) list.items.push_back(m_dirNames[static_cast<std::size_t>(i)]);
    list.selection.clear();
    if (m_selectAll) {
        for (int i = 0; i < static_cast<int>(list.items.size()); ++i) list.selection.push_back(i);
    } else {
        list.selection.push_back(0);
    }
}

void CDirSelectDialog::OnSelChange(int controlId) {
    if (controlId != m_listId) return;
    const ControlState& list = Control(m_listId);
    m_selCount = static_cast<int>(std::min<std::size_t>(list.selection.size(), m_selIndex.size()));
    for (int i = 0; i < m_selCount; ++i)
        m_selIndex[static_cast<std::size_t>(i)] = list.selection[static_cast<std::size_t>(i)];
}

void CDirSelectDialog::OnClicked(int controlId) {
    if (controlId != m_moreId) return;
    const bool ticked = Control(m_moreId).checked;
    if (m_selectAll)
        m_more = ticked ? -1 : 0;
    else
        m_more = ticked ? 0 : 1;
}

CSearchDirDialog::CSearchDirDialog()
    : CDirSelectDialog(SearchDirDialogTemplate(), kList, kMore, kEdit,
                       "Documentation ( 検索対象directory を選択 / 複数可 )", false, 0) {}

CUnsearchDirDialog::CUnsearchDirDialog()
    : CDirSelectDialog(UnsearchDirDialogTemplate(), kList, kMore, kEdit,
                       "Documentation ( 検索からはずすdirectory を選択 / 複数可 )", true, 1) {}

}  // namespace vantor
