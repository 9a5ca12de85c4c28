// Templates of the viewer's dialogs: every control with its id, text, kind and
// enabled state.
#include "viewer/Dialogs.h"

namespace vantor {

namespace {

ControlTemplate Label(std::string text, bool sameRow = false) {
    ControlTemplate c;
    c.kind = ControlKind::Static;
    c.text = std::move(text);
    c.sameRow = sameRow;
    return c;
}

ControlTemplate Edit(int id, bool enabled = true, bool sameRow = true) {
    ControlTemplate c;
    c.id = id;
    c.kind = ControlKind::Edit;
    c.enabled = enabled;
    c.sameRow = sameRow;
    return c;
}

ControlTemplate Button(int id, std::string text, ControlKind kind = ControlKind::Button, bool enabled = true,
                       bool sameRow = false) {
    ControlTemplate c;
    c.id = id;
    c.kind = kind;
    c.text = std::move(text);
    c.enabled = enabled;
    c.sameRow = sameRow;
    return c;
}

ControlTemplate OkButton() { return Button(kIdOk, "OK", ControlKind::DefButton); }
ControlTemplate CancelButton(std::string text = "ｷｬﾝｾﾙ") {
    return Button(kIdCancel, std::move(text), ControlKind::Button, true, true);
}

}  // namespace

const DialogTemplate& SpeedDialogTemplate() {
    static const DialogTemplate t{IDD_SPEED,
                                  "                    Slide Show Speed",
                                  {
                                      Label("表示スピード( speed )　早い( up )　->　遅い( down )"),
                                      [] {
                                          ControlTemplate c;
                                          c.id = CSpeedDialog::kSlider;
                                          c.kind = ControlKind::HScroll;
                                          return c;
                                      }(),
                                      Edit(CSpeedDialog::kEdit, true, true),
                                      Label(" 30.... 1 sec   100..... 3 sec   200.... 6 sec (概算値)"),
                                      Label("  0,  1 のとき　max speed ( depend on machine ability )"),
                                      OkButton(),
                                      CancelButton(),
                                  }};
    return t;
}

const DialogTemplate& ScaleDialogTemplate() {
    using S = CScaleDialog;
    static const DialogTemplate t{
        IDD_SCALE,
        "                 Slide Show Scale",
        {
            Label("( Display Size / File Out Size )。  画像サイズ(表示/出力)。"),
            Label("元の横の大きさ"),
            Label("Original Width", true),
            Edit(S::kOrigWidth, false),
            Label("元の縦の大きさ"),
            Label("Original Height", true),
            Edit(S::kOrigHeight, false),
            Label("1...正倍"),
            Label("2...枠付正倍", true),
            Label("3...歪倍", true),
            Edit(S::kDispScaleMode, false),
            Label("横の大きさ  ( 表示最大幅 )"),
            Label("OUT File Max Width", true),
            Edit(S::kMaxWidth),
            Label("縦の大きさ  ( 表示最大高 )"),
            Label("OUT File Max Height", true),
            Edit(S::kMaxHeight),
            Label("( OUT FILE SCALE )"),
            Label("出力ファイルサイズ", true),
            Edit(S::kOutScaleMode),
            Label("0...大縮小 / 小そのまま (Zoom Out For Fit)"),
            Label("1...そのまま                (Straight)"),
            Label("2...大縮小 / 小拡大      (Zoom Out / In  For Fit )"),
            Label("3....歪出力                  (Zoom Warp For Fit / Full Size )"),
            Label("( OUT BACK COLOR )"),
            Label("出力背景　白...0( white )  灰..1( gray )  黒..2( black )", true),
            Edit(S::kOutBackColor),
            Label("( OUT JPEG QUALITY )"),
            Edit(S::kJpegQuality),
            Label("出力JPG品質　    100%......0   95%......1   90%.....2   85%....3   80%....4"),
            Label(" 75%....5   70%.....6   65%....7   60%....8   50%....9"),
            Label("( OUT FILE TYPE )"),
            Label("JPGで出力...0   BMPで出力...1", true),
            Edit(S::kOutFileType),
            Label("Deep_Search"),
            Edit(S::kDeepSearch, false),
            Label("予備"),
            Edit(S::kSpare, false),
            Label("WRITEのときCENTER...0 / TOPEDGE..1"),
            Label("そのまま...2", true),
            Edit(S::kWritePosition, false),
            OkButton(),
            CancelButton(),
        }};
    return t;
}

const DialogTemplate& StopOrContinueDialogTemplate() {
    static const DialogTemplate t{IDD_STOP_OR_CONTINUE,
                                  "Stop or Continue?    ( SlideShow / Searching / Sorting )",
                                  {
                                      Button(kIdOk, "    NO.......CONTINUE SLIDE SHOW", ControlKind::DefButton),
                                      Button(kIdCancel, "YES............STOP SLIDE SHOW"),
                                      Button(CStopOrContinueDialog::kContinue, "Continue", ControlKind::Button, false),
                                      Button(CStopOrContinueDialog::kStop, "STOP", ControlKind::Button, false, true),
                                  }};
    return t;
}

const DialogTemplate& JumpDialogTemplate() {
    static const DialogTemplate t{IDD_JUMP,
                                  "      To Jump ",
                                  {
                                      Label("Slide Show 実行中では　Jump先 No. を入力してください。"),
                                      Label("File Write  実行前では 書込開始(Starting) No. を入力してください。"),
                                      Label("Slide Jump to (ｼﾞｬﾝﾌﾟ先) No."),
                                      Edit(CJumpDialog::kJumpNo),
                                      Label("既 File_Writed Count"),
                                      Edit(CJumpDialog::kWrittenNo, false),
                                      OkButton(),
                                      CancelButton(),
                                  }};
    return t;
}

}  // namespace vantor
