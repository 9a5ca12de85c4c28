// Dialog templates of the selected-items viewer.
#include "slides/CSelectedItemsDialog.h"

namespace vantor {

namespace {

ControlTemplate Control(int id, ControlKind kind, std::string text, bool sameRow = false, bool enabled = true) {
    ControlTemplate c;
    c.id = id;
    c.kind = kind;
    c.text = std::move(text);
    c.sameRow = sameRow;
    c.enabled = enabled;
    return c;
}

}  // namespace

const DialogTemplate& SelectedItemsDialogTemplate() {
    static const DialogTemplate t{IDD_SELECTED_ITEMS, "Selected Items  ( 1 ～ 10000 )", {
        Control(CSelectedItemsDialog::kList, ControlKind::ListBox, ""),
        Control(kIdOk, ControlKind::DefButton, "OK", false, false),
        Control(kIdCancel, ControlKind::Button, "CLOSE( 閉じる.)", true),
    }};
    return t;
}

}  // namespace vantor
