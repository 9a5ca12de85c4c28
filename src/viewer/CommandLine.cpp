// Pictures named on the command line: one picture is shown among the pictures of
// its folder, to browse with no show; several pictures, or folders of pictures,
// fill the slide list and start a show.
#include <algorithm>

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

void CVantorView::BrowseFolderOf(const std::string& picture) {
    // The folder's pictures of every known format, by name; the picture itself
    // is among them even when the listing leaves it out (a format no decoder
    // reads, a folder that cannot be listed).
    const std::size_t slash = picture.rfind(kPathSeparator);
    std::vector<std::string> pictures = PicturesIn(slash == 0 ? "/" : picture.substr(0, slash));
    auto at = std::lower_bound(pictures.begin(), pictures.end(), picture);
    if (at == pictures.end() || *at != picture) at = pictures.insert(at, picture);
    const std::size_t index = static_cast<std::size_t>(at - pictures.begin());
    // A folder of more pictures than the list holds gives the part around the picture.
    std::size_t first = 0;
    if (pictures.size() > kSlideCapacity)
        first = std::min(index - std::min<std::size_t>(index, kSlideCapacity / 2), pictures.size() - kSlideCapacity);
    m_slides.Clear();
    for (std::size_t i = first; i < pictures.size() && m_slides.m_slideCount < kSlideCapacity; ++i)
        m_slides.Append(pictures[i]);
    BrowseTo(static_cast<std::uint32_t>(index - first + 1));
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
        if (PictureKindOf(pictures.front()) != PictureKind::None) {
            BrowseFolderOf(pictures.front());
            return;
        }
        m_strFile = pictures.front();
        OpenByEnding(m_strFile);  // told in a box
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
