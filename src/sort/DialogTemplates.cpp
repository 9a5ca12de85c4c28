// Template of the sort dialog.
#include "sort/CSortDialog.h"

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

ControlTemplate Label(std::string text, bool sameRow = false) {
    return Control(-1, ControlKind::Static, std::move(text), sameRow);
}

ControlTemplate Radio(int id, std::string text, bool sameRow) {
    ControlTemplate c = Control(id, ControlKind::Radio, std::move(text), sameRow);
    c.groupStart = id == 1019;  // the ten buttons form one group
    return c;
}

}  // namespace

const DialogTemplate& SortDialogTemplate() {
    static const DialogTemplate t{IDD_SORT,
                                  "　　　　　　　　SLIDE FILE SORT (並べ替え)",
                                  {
                                      Label("昇順"),
                                      Label("降順", true),
                                      Radio(1019, "FILE_NAME。", false),
                                      Radio(1024, "FILE_NAME(descending)。", true),
                                      Radio(1020, "FOLDER NAME。", false),
                                      Radio(1025, "FOLDER NAME(descending)。", true),
                                      Radio(1021, "SIZE。", false),
                                      Radio(1026, "SIZE(descending)。", true),
                                      Radio(1022, "DATE。", false),
                                      Radio(1027, "DATE(descending)。", true),
                                      Radio(1023, "FILE TYPE。", false),
                                      Radio(1028, "FILE TYPE(descending)。", true),
                                      Label("BMP -> JPEG"),
                                      Label("JPEG -> BMP", true),
                                      Control(kIdOk, ControlKind::DefButton, "OK"),
                                      Control(kIdCancel, ControlKind::Button, "ｷｬﾝｾﾙ", true),
                                  }};
    return t;
}

}  // namespace vantor
