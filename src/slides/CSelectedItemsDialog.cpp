// The two viewers of what has been collected: the slide list and the directory list.
#include "slides/CSelectedItemsDialog.h"

#include <algorithm>

#include "platform/Ui.h"
#include "viewer/CVantorView.h"

namespace vantor {

namespace {

constexpr const char* kFiller = "  ..........";

// Every list the viewers show holds at most the dialog's 10000 lines.
std::uint32_t ShownCount(std::uint32_t count) { return count > 9999 ? 10000u : count; }

}  // namespace

CSelectedItemsDialog::CSelectedItemsDialog() : Dialog(SelectedItemsDialogTemplate()), m_items(kLines + 1, kFiller) {}

void CSelectedItemsDialog::Fill(const StringArray& source, std::uint32_t n) {
    n = std::min<std::uint32_t>({n, static_cast<std::uint32_t>(kLines), static_cast<std::uint32_t>(source.size())});
    std::copy_n(source.begin(), n, m_items.begin());
}

void CSelectedItemsDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    // Lines go in by position, so the list keeps the collected order, fillers last.
    ControlState& list = Control(kList);
    list.items.assign(m_items.begin(), m_items.begin() + kLines);
    list.selection.clear();
}

void CSelectedItemsDialog::OnSelChange(int controlId) {
    if (controlId != kList) return;
    // The list is read-only: a single-selection list reports no selected items.
    m_selected.clear();
}

void CSelectedItemsDialog::OnOK() {
    // The OK button is disabled; only the close button ends the viewer.
    if (!Control(kIdOk).enabled) return;
    Dialog::OnOK();
}

void CVantorView::OnShowSlideFiles() {
    CSelectedItemsDialog dlg;
    dlg.Fill(m_slides.m_slidePath, ShownCount(m_slides.m_slideCount));
    TheUi().DoModal(dlg);
}

void CVantorView::OnShowDirectories() {
    CSelectedItemsDialog dlg;
    dlg.Fill(m_dirs.m_dirList, ShownCount(m_dirs.m_dirCount));
    TheUi().DoModal(dlg);
}

}  // namespace vantor
