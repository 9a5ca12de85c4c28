// Dialog templates of the automatic searches.
#include "platform/Dialog.h"
#include "search/SearchDialogs.h"

namespace vantor {

namespace {

ControlTemplate Control(int id, ControlKind kind, std::string text, bool sameRow = false) {
    ControlTemplate c;
    c.id = id;
    c.kind = kind;
    c.text = std::move(text);
    c.sameRow = sameRow;
    return c;
}

ControlTemplate Label(std::string text, bool sameRow = false) {
    return Control(-1, ControlKind::Static, std::move(text), sameRow);
}

ControlTemplate Radio(int id, std::string text, bool groupStart, bool sameRow = false) {
    ControlTemplate c = Control(id, ControlKind::Radio, std::move(text), sameRow);
    c.groupStart = groupStart;
    return c;
}

ControlTemplate OkButton() { return Control(kIdOk, ControlKind::DefButton, "OK"); }
ControlTemplate CancelButton(std::string text) {
    return Control(kIdCancel, ControlKind::Button, std::move(text), true);
}

ControlTemplate MultiList(int id) {
    ControlTemplate c = Control(id, ControlKind::ListBox, "");
    c.multiSelect = true;
    return c;
}

ControlTemplate DisabledCheck(int id, std::string text) {
    ControlTemplate c = Control(id, ControlKind::Check, std::move(text));
    c.enabled = false;
    return c;
}

}  // namespace

const DialogTemplate& SearchTypeDialogTemplate() {
    static const DialogTemplate t{IDD_SEARCH_TYPE,
                                  "   FILE TYPE ( Search)",
                                  {
                                      Radio(1016, "JPEG AUTO SEARCH", true),
                                      Radio(1017, "BMP  AUTO SEARCH", false),
                                      Label("Temporary Internet Files の　キャッシュを拾う...1 / 拾わない...0"),
                                      Control(1018, ControlKind::Edit, "", true),
                                      OkButton(),
                                      CancelButton("ｷｬﾝｾﾙ"),
                                  }};
    return t;
}

const DialogTemplate& DriveDialogTemplate() {
    // Top to bottom C:\, D:\, E:\, F:\ ...; D:\ and E:\ carry each other's ids.
    static const DialogTemplate t{IDD_DRIVE, "Choose  Current  Drive", [] {
                                      std::vector<ControlTemplate> c;
                                      const char* captions[] = {"C:\\", "D:\\", "E:\\", "F:\\", "G:\\", "H:\\", "I:\\",
                                                                "J:\\", "K:\\", "L:\\", "M:\\", "N:\\", "O:\\", "P:\\",
                                                                "Q:\\", "R:\\", "S:\\", "T:\\", "U:\\", "V:\\", "W:\\"};
                                      for (int row = 0; row < CDriveDialog::kRows; ++row) {
                                          c.push_back(Radio(CDriveDialog::ButtonOfRow(row), captions[row], row == 0));
                                      }
                                      c.push_back(OkButton());
                                      c.push_back(CancelButton("Cancel"));
                                      return c;
                                  }()};
    return t;
}

const DialogTemplate& SearchDirDialogTemplate() {
    static const DialogTemplate t{
        IDD_SEARCH_DIR,
        "検索対象Directory選択 複数可 (Select Multi directories)",
        {
            MultiList(1025),
            Label(" More directory-tree ?　( 次のディレクトリィツリーの選択/非選択　表示しますか? )  "
                  "Checkしてください。"),
            DisabledCheck(1027, "More"),
            Label("次のディレクトリィツリーも     表示する...1  (more) \n 表示しない...0"),
            Control(1026, ControlKind::Edit, "", true),
            OkButton(),
        }};
    return t;
}

const DialogTemplate& UnsearchDirDialogTemplate() {
    static const DialogTemplate t{
        IDD_UNSEARCH_DIR,
        "検索対象外Directory選択 (Select Unsearch directories)",
        {
            MultiList(1023),
            Label(" More directory-tree ?　( 次のディレクトリィツリーの選択/非選択　表示しますか? )  "
                  "Checkしてください。"),
            DisabledCheck(1024, "More"),
            Label("次のディレクトリィツリーも     表示する...1  (more)\n 表示しない...0"),
            Control(1018, ControlKind::Edit, "", true),
            OkButton(),
        }};
    return t;
}

}  // namespace vantor
