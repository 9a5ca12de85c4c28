// File Select: picking files into the slide list, up to 1300 a pick and 10000 in all.
#include "platform/PictureFormats.h"
#include "platform/Ui.h"
#include "slides/COverLimitDialog.h"
#include "viewer/CVantorView.h"

namespace vantor {

namespace {

constexpr std::uint32_t kPickLimit = 1300;

constexpr const char* kSelectDone =
    "Multi-File-Select　が　おわりました。\r\r1回につき1300件以下のSELECTを繰り返し10000 件まで累積できます。\r\r"
    "スライドショーが　開始できます。\r\r !!!Select Under 1300 Files at a time!!!\r\r Repeat <SELECT> and can stack "
    "10000 Files\r\r      ※ ファィル名には *.jpg 又は *.bmpと入力してください。※";
constexpr const char* kSelectAdvice =
    "一回につき1300件?以上では、\r\rSELECTが,失敗しているときがあります。\r\r<全体のSTRING長の関係>\r\r"
    "件数を少なくして,再度試みてください。\r\r推奨...1300件以下。..... !!!Select Under 1300 Files at a time!!!\r\r"
    "      ※ ファィル名には *.jpg 又は *.bmpと入力してください。※";

}  // namespace

bool CVantorView::AppendSlide(const std::string& path) {
    if (!m_slides.Append(path)) return true;
    AfxMessageBox("累積　stack　file 10000件over.1件目から上書きします:warning!!!", MsgButtons::OK,
                  MsgIcon::Information);
    COverLimitDialog dlg;
    if (TheUi().DoModal(dlg) == IDOK) m_slides.m_overChoice = dlg.m_choice;
    return m_slides.GoOnWhenFull(path);
}

void CVantorView::OnFileSelect() {
    Ui& ui = TheUi();
    FileDialogOptions options;
    options.kind = FileDialogOptions::Kind::OpenMultiple;
    options.defaultExt = "*.JPG";
    options.initialName = "*.JPG";
    options.filter = PictureFilter(FilterRows::Decoded);
    options.title = "Enter *.jpg or *.bmp for display ( Shift + Ctrl) then Reverse from top to last file ";

    ui.BeginWaitCursor();
    const std::uint32_t oldCount = m_slides.m_slideCount;
    m_slideNo = 1;
    m_dirs.m_dirCount = 0;
    m_dirs.m_dirList[0] = "(first )";
    m_dirs.m_dirList[1] = "(second  )";

    const std::vector<std::string> paths = ui.FileDialog(options);
    // Whether this pick put a path into the list: after a loop at the limit the
    // count is smaller than before although paths were added.
    bool added = false;
    for (const std::string& path : paths) {
        if (m_slides.m_slideCount > 9999) {
            m_slides.m_slideCount = kSlideCapacity;
            m_slides.m_listFull = 1;
        }
        if (m_slideNo > kPickLimit) {
            // The rest of the pick is ignored; what was stored stays and is shown.
            InvalidateView(true);
            ui.EndWaitCursor();
            AfxMessageBox("select-file 1300件over.1300件以上無視します:warning!!!", MsgButtons::OK,
                          MsgIcon::Information);
            return;
        }
        ++m_slideNo;
        if (m_slides.m_slideCount < kSlideCapacity) added = true;
        if (!AppendSlide(path)) break;
    }

    InvalidateView(true);
    // The work is done: a wait cursor left on would make an idle window look busy
    // until the next show.
    ui.EndWaitCursor();
    AfxMessageBox(m_slides.m_slideCount > oldCount || added ? kSelectDone : kSelectAdvice, MsgButtons::OK,
                  MsgIcon::Information);
    InvalidateView(true);
}

}  // namespace vantor
