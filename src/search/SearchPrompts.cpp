#include "platform/FileSystem.h"
#include "platform/FolderScan.h"
#include "platform/Ui.h"
#include "search/Search.h"
#include "search/SearchDialogs.h"
#include "viewer/CVantorView.h"

namespace vantor {

namespace {

constexpr const char* kDummyName = "MFC_DUMMY.JPG";
constexpr const char* kFolderTitle =
    "( Decide AutoSearch Folder )自動読み込先 Directory 取得。MFC_DUMMY.JPGは dummy なのでOKしてください。";
constexpr const char* kFolderFilter =
    "JPG File (*.JPG)|*.JPG|BMP (*.BMP)|*.BMP|GIF (*.GIF)|*.GIF|All files (*.*)|*.*||";
constexpr const char* kTryAgain =
    "Decide AutoSearch Directory / Try Again   \r読込先 Directoryを決定してください。\r"
    "もう一度File AutoSearch を実行してください。";

}  // namespace

void SearchTypePrompt(CVantorView& view) {
    view.m_search.m_searchFileType = CVantorView::kSearchJpeg;
    CSearchTypeDialog dlg(view.m_deepSearchSetting);
    if (TheUi().DoModal(dlg) != IDOK) return;
    view.m_search.m_searchFileType = dlg.m_clicked == 0 ? CVantorView::kSearchJpeg : dlg.m_choice;
    view.m_deepSearchSetting = dlg.m_deepSearchEdit;
    view.m_deepSearch = dlg.m_deepSearchEdit;
    view.m_searchStop = 0;
}

void SearchFolderChoice(CVantorView& view) {
    FileDialogOptions options;
    options.kind = FileDialogOptions::Kind::Open;
    options.mustExist = false;  // the dummy name only confirms the folder
    options.defaultExt = kDummyName;
    options.initialName = kDummyName;
    options.filter = kFolderFilter;
    if (view.m_searchStop == 1) options.title = kFolderTitle;
    const std::vector<std::string> paths = TheUi().FileDialog(options);
    if (!paths.empty()) {
        const std::string& path = paths.front();
        const std::string name = path.substr(path.find_last_of(kPathSeparator) + 1);
        const std::string folder = path.substr(0, path.size() - name.size());
        // The walk starts from the current directory; a folder that is not there (or
        // too long for the folder buffer) must not leave it somewhere else.
        if (!folder.empty() && folder.size() < kFolderBufferSize && SetCurrentDirectory(folder)) {
            view.m_searchStop = 0;
            view.m_search.m_searchFolder = folder;
            return;
        }
    }
    view.m_searchStop = 1;
    AfxMessageBox(kTryAgain, MsgButtons::OK, MsgIcon::None);
}

std::string SearchDriveChoice() {
    std::vector<std::string> rows = VolumeRoots();
    rows.resize(CDriveDialog::kRows, "/");  // a row without a volume stands for the root
    CDriveDialog dlg(rows);
    const int code = TheUi().DoModal(dlg) == IDOK ? dlg.m_driveCode : 0;
    return rows[static_cast<std::size_t>(CDriveDialog::RowOfCode(code))];
}

}  // namespace vantor
