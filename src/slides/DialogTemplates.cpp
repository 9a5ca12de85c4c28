// Templates of the over-10000 dialog and of the selected-items viewer.
#include "slides/COverLimitDialog.h"
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

ControlTemplate Radio(int id, std::string text, bool groupStart) {
    ControlTemplate c = Control(id, ControlKind::Radio, std::move(text));
    c.groupStart = groupStart;
    return c;
}

}  // namespace

const DialogTemplate& OverLimitDialogTemplate() {
    static const DialogTemplate t{
        IDD_OVER_LIMIT,
        "     Choose when over 10000",
        {
            Radio(COverLimitDialog::kLoop, "Loop 上書読込｡ 上限 10000件 既読込済は保存されます。", true),
            Radio(COverLimitDialog::kRestart, "Cancel して はじめから読込しなおし。", false),
            Radio(COverLimitDialog::kStop, "Stop 更なる読込中止｡ 保存 10000 件止め。", false),
            Control(kIdOk, ControlKind::DefButton, "OK"),
            Control(kIdCancel, ControlKind::Button, "ｷｬﾝｾﾙ", true),
        }};
    return t;
}

const DialogTemplate& SelectedItemsDialogTemplate() {
    static const DialogTemplate t{IDD_SELECTED_ITEMS,
                                  "Selected Items  ( 1 ～ 10000 )",
                                  {
                                      Control(CSelectedItemsDialog::kList, ControlKind::ListBox, ""),
                                      Control(kIdOk, ControlKind::DefButton, "OK", false, false),
                                      Control(kIdCancel, ControlKind::Button, "CLOSE( 閉じる.)", true),
                                  }};
    return t;
}

}  // namespace vantor
