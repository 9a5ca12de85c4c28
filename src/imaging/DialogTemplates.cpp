// Templates of the quantisation and bit-depth dialogs.
#include "imaging/QuantizeDialogs.h"

namespace vantor {

namespace {

ControlTemplate Control(int id, ControlKind kind, std::string text, bool groupStart = false, bool sameRow = false) {
    ControlTemplate c;
    c.id = id;
    c.kind = kind;
    c.text = std::move(text);
    c.groupStart = groupStart;
    c.sameRow = sameRow;
    return c;
}

}  // namespace

const DialogTemplate& QuantizeDialogTemplate() {
    static const DialogTemplate t{IDD_QUANTIZE,
                                  "Quantization Params",
                                  {
                                      Control(-1, ControlKind::GroupBox, "Output options"),
                                      Control(CQuantizeDialog::kColor, ControlKind::Radio, "8-bit Color", true),
                                      Control(CQuantizeDialog::kGray, ControlKind::Radio, "Grayscale"),
                                      Control(-1, ControlKind::GroupBox, "Palette colors (1-256)"),
                                      Control(CQuantizeDialog::kColors, ControlKind::Edit, ""),
                                      Control(kIdOk, ControlKind::DefButton, "OK"),
                                      Control(kIdCancel, ControlKind::Button, "Cancel", false, true),
                                  }};
    return t;
}

const DialogTemplate& BitsDialogTemplate() {
    static const DialogTemplate t{IDD_BITS,
                                  "Choose # of bits",
                                  {
                                      Control(CBitsDialog::k8Bits, ControlKind::Radio, "8 Bits", true),
                                      Control(CBitsDialog::k4Bits, ControlKind::Radio, "4 Bits"),
                                      Control(CBitsDialog::k1Bit, ControlKind::Radio, "1 Bit"),
                                      Control(kIdOk, ControlKind::DefButton, "OK"),
                                      Control(kIdCancel, ControlKind::Button, "Cancel", false, true),
                                  }};
    return t;
}

}  // namespace vantor
