// Pictures named on the command line: one picture is opened and shown; several
// pictures, or folders of pictures, fill the slide list and start a show.
#include <algorithm>

#include "platform/FileSystem.h"
#include "platform/Ui.h"
#include "resource.h"
#include "viewer/CVantorView.h"

namespace vantor {

namespace {

bool IsPicture(const std::string& name) { return EndsWithNoCase(name, ".jpg") || EndsWithNoCase(name, ".bmp"); }

// The pictures of a folder, by name; its subfolders are not entered.
std::vector<std::string> PicturesIn(const std::string& folder) {
    std::vector<DirEntry> entries;
    std::vector<std::string> names;
    if (!ListFolder(folder, entries)) return names;
    for (const auto& e : entries) {
        if ((e.attributes & kAttrDirectory) == 0 && IsPicture(e.name)) names.push_back(e.name);
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> paths;
    const std::string base = folder.empty() || folder.back() == kPathSeparator ? folder : folder + kPathSeparator;
    for (const auto& n : names) paths.push_back(base + n);
    return paths;
}

}  // namespace

void CVantorView::LoadByEnding(const std::string& path) {
    if (EndsWithNoCase(path, ".JPG")) LoadJpegFile(path);
    else if (EndsWithNoCase(path, ".GIF")) LoadGifFile(path);
    else if (EndsWithNoCase(path, ".BMP")) LoadBmpFile(path);
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
    if (pictures.empty()) return;

    if (pictures.size() == 1) {
        TheUi().BeginWaitCursor();
        m_strFile = pictures.front();
        LoadByEnding(m_strFile);
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
