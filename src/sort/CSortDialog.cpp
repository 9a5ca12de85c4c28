#include "sort/CSortDialog.h"

namespace vantor {

namespace {

// Buttons by kind: the ascending column runs 1019..1023, the descending one 1024..1028.
constexpr int kButtons[10] = {1019, 1024, 1020, 1025, 1021, 1026, 1022, 1027, 1023, 1028};

}  // namespace

CSortDialog::CSortDialog() : Dialog(SortDialogTemplate()) {}

int CSortDialog::ButtonOfKind(std::int32_t kind) { return kind >= 0 && kind < 10 ? kButtons[kind] : -1; }

std::int32_t CSortDialog::KindOfButton(int controlId) {
    for (std::int32_t kind = 0; kind < 10; ++kind) {
        if (kButtons[kind] == controlId) return kind;
    }
    return -1;
}

void CSortDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    // File name ascending is checked whatever kind was chosen last; OK without a
    // click means that checked button.
    CheckRadioButton(1019, 1028, 1019);
    m_clicked = 0;
}

void CSortDialog::OnClicked(int controlId) {
    const std::int32_t kind = KindOfButton(controlId);
    if (kind < 0) return;
    m_choice = kind;
    m_clicked = 1;
}

}  // namespace vantor
