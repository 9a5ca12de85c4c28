// Pictures named on the command line: one picture is opened and shown; several
// pictures, or folders of pictures, fill the slide list and start a show.
#include "platform/FileSystem.h"
#include "platform/PictureFormats.h"
#include "platform/Ui.h"
#include "resource.h"
#include "viewer/CVantorView.h"

namespace vantor {

void CVantorView::OpenByEnding(const std::string& path) {
    if (PictureKindOf(path) == PictureKind::None) {
        AfxMessageBox("Cannot show this file: " + NotAPictureName() + " :\n" + path, MsgButtons::OK, MsgIcon::Error);
        return;
    }
    LoadByEnding(path);
}

void CVantorView::OnCommandLine(const std::vector<std::string>& args) {
    std::vector<std::string> pictures;
    for (const auto& arg : args) {
        const std::uint32_t attributes = FileAttributes(arg);
        if (attributes == kInvalidAttributes) {
            AfxMessageBox("No such file or folder :\n" + arg, MsgButtons::OK, MsgIcon::Error);
        } else if (attributes & kAttrDirectory) {
            const auto found = PicturesIn(FullPath(arg));
            pictures.insert(pictures.end(), found.begin(), found.end());
        } else {
            pictures.push_back(FullPath(arg));
        }
    }
    // Files no loader reads are left out of a list with a word each; one alone is
    // told when it is opened. A folder gives pictures only.
    if (pictures.size() > 1) {
        std::vector<std::string> readable;
        for (const auto& p : pictures) {
            if (PictureKindOf(p) != PictureKind::None) {
                readable.push_back(p);
            } else {
                AfxMessageBox("Left out of the slide list: " + NotAPictureName() + " :\n" + p, MsgButtons::OK,
                              MsgIcon::Error);
            }
        }
        pictures = std::move(readable);
    }
    if (pictures.empty()) return;

    if (pictures.size() == 1) {
        TheUi().BeginWaitCursor();
        m_strFile = pictures.front();
        OpenByEnding(m_strFile);
        TheUi().EndWaitCursor();
        InvalidateView(true);
        return;
    }
    for (const auto& p : pictures) {
        if (!AppendSlide(p)) break;
    }
    InvalidateView(true);
    OnCommand(ID_SLIDESHOW_START);
}

}  // namespace vantor
