#include "imaging/QuantizeDialogs.h"

namespace vantor {

CQuantizeDialog::CQuantizeDialog() : Dialog(QuantizeDialogTemplate()) {}

void CQuantizeDialog::DoDataExchange(DataExchange& dx) { dx.UInt(kColors, m_paletteColors, "m_paletteColors", 1, 256); }

void CQuantizeDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    // The dialog always opens on colour, whatever an earlier run chose.
    CheckRadioButton(kColor, kGray, kColor);
}

void CQuantizeDialog::OnClicked(int controlId) {
    if (controlId == kColor) m_colorMode = 1;
    if (controlId == kGray) m_colorMode = 0;
}

CBitsDialog::CBitsDialog() : Dialog(BitsDialogTemplate()) {}

void CBitsDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    CheckRadioButton(k8Bits, k4Bits, k8Bits);
}

void CBitsDialog::OnClicked(int controlId) {
    switch (controlId) {
        case k8Bits: m_bits = 8; break;
        case k4Bits: m_bits = 4; break;
        case k1Bit: m_bits = 1; break;
        default: break;
    }
}

}  // namespace vantor
