#include "slides/COverLimitDialog.h"

namespace vantor {

COverLimitDialog::COverLimitDialog() : Dialog(OverLimitDialogTemplate()) {}

void COverLimitDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    CheckRadioButton(kLoop, kStop, kLoop);
    m_choice = 1;
    m_clicked = 0;
}

void COverLimitDialog::OnClicked(int controlId) {
    switch (controlId) {
        case kLoop: m_choice = 1; break;
        case kRestart: m_choice = 2; break;
        case kStop: m_choice = 3; break;
        default: return;
    }
    m_clicked = 1;
}

}  // namespace vantor
