// The search's file phase: every folder of the directory list searched for the
// pattern, the full slide list's choices, and the closing boxes.
#include <algorithm>

#include "platform/FileSystem.h"
#include "platform/PictureFormats.h"
#include "search/DirectorySearch.h"
#include "slides/COverLimitDialog.h"

namespace vantor::search_walk {

namespace {

constexpr const char* kOverText = "累積　stack　file 10000件over.1件目から上書きします:warning!!!";

// Only regular files, and links to them, become slides: a FIFO, a socket or a
// dangling link named like a picture is no picture. The listing's kind tells,
// except for a link.
bool IsPictureFile(const std::string& path, const ScanEntry& entry) {
    if (entry.kind == EntryKind::File) return true;
    return entry.kind == EntryKind::Link && IsRegularFile(path);
}

}  // namespace

void DirectorySearch::EndOfWalk() {
    CVantorView& v = m_view;
    v.m_searchStop = 0;
    v.m_searching = 1;
    m_ui.MessageBox("検索する最初の directory 名 は..." + m_dirs.m_dirList[0] + " です。", "first directory search",
                    MsgButtons::OK, MsgIcon::None);
    m_ui.MessageBox("検索する次の directory 名 は..." + m_dirs.m_dirList[1] + " です。", "second directory search",
                    MsgButtons::OK, MsgIcon::None);
    m_ui.MessageBox(kDirCountText + std::to_string(m_dirs.m_dirCount) + "個 です。" + "\n  ディレクトリの深さは..." +
                        std::to_string(m_deepest) + " です。",
                    "directory search", MsgButtons::OK, MsgIcon::None);
}

void DirectorySearch::Matches(std::uint32_t index, const std::string& folder, std::vector<ScanEntry>& out) {
    out.clear();
    if (folder == kExcluded) return;
    const bool follow = folder == m_root;
    if (index < m_seen.size() && m_seen[index].valid) {
        FolderStamp now;
        if (m_scanner.Stamp(folder, follow, now) && now == m_seen[index].stamp) {
            out = m_seen[index].matches;
            return;
        }
    }
    std::vector<ScanEntry> all;
    if (!m_scanner.List(folder, follow, all)) return;
    for (ScanEntry& e : all) {
        if (MatchesPattern(e.name, m_pattern)) out.push_back(std::move(e));
    }
}

bool DirectorySearch::FilePhase() {
    std::vector<ScanEntry> matches;
    auto folderLine = [&](std::uint32_t i) {
        return Framed("検索中の sub directory は..." + std::to_string(i) + " / " + std::to_string(m_dirs.m_dirCount) +
                      " です。");
    };
    for (std::uint32_t i = 0; i < m_dirs.m_dirCount; ++i) {
        Pump();
        if (Closing()) return false;
        if (Stopped()) break;
        const std::string folder = m_dirs.m_dirList[i];
        const bool folderDue = i % 100 == 0 || i < 100;
        // Only the entries "." and ".." name no folder of their own: "photos.." is a
        // folder like any other here.
        if (!IsDots(folder.substr(folder.find_last_of(kPathSeparator) + 1)))
            Matches(i, folder, matches);
        else
            matches.clear();
        bool stopPhase = false;
        if (!matches.empty()) {
            if (folderDue) {
                DrawLine(96, "サブディレクトリ 検索中です");
                DrawLine(66, Framed(folder), true);
            }
            if (m_slides.m_slideCount % 10 == 0 || m_slides.m_slideCount < 100) {
                DrawLine(186, folderLine(i));
                DrawLine(116, Framed(kDirCountText + std::to_string(m_dirs.m_dirCount) + "個 です。" +
                                     " ディレクトリの深さは..." + std::to_string(m_deepest) + " です。"));
                DrawLine(36, kEscLine);
                DrawLine(206, Framed("検索された file数は..." + std::to_string(m_slides.m_slideCount) + " 個です。"));
            }
            for (std::size_t j = 0; j < matches.size(); ++j) {
                const ScanEntry& m = matches[j];
                if (j > 0) {
                    Busy();
                    // A stop lets this folder finish; the next folder is not listed.
                    Pump();
                    if (Closing()) return false;
                }
                const std::string path = folder + kPathSeparator + m.name;
                if (folderDue) DrawLine(146, Framed(path), true);
                if (!TakenByAutoSearch(m.name) || !IsPictureFile(path, m)) continue;
                m_slides.m_slidePath[m_slides.m_slideCount] = path;
                m_slides.m_slideName[m_slides.m_slideCount] = m.name;
                ++m_matchCount;
                m_slides.m_slideCount = std::min(m_slides.m_slideCount + 1, kSlideCapacity);
                if (folderDue) DrawLine(146, Framed(m.name));
                if (m_slides.m_slideCount == kSlideCapacity && !HandleFullList(j == 0)) {
                    stopPhase = true;
                    break;
                }
            }
        }
        if (stopPhase) break;
        if (folderDue) {
            DrawLine(186, folderLine(i));
            DrawLine(36, kEscLine);
        }
    }
    return true;
}

bool DirectorySearch::HandleFullList(bool firstOfFolder) {
    CVantorView& v = m_view;
    if (!firstOfFolder) {
        AfxMessageBox(kOverText, MsgButtons::OK, MsgIcon::None);
        m_slides.m_overChoice = 1;
        v.m_search.m_overClicked = 0;
    }
    COverLimitDialog dlg;
    if (m_ui.DoModal(dlg) == IDOK) {
        m_slides.m_overChoice = dlg.m_choice;
        if (!firstOfFolder) {
            v.m_search.m_overClicked = dlg.m_clicked;
            if (v.m_search.m_overClicked == 0) m_slides.m_overChoice = 1;
        }
    }
    if (!firstOfFolder) v.m_search.m_overClicked = 0;
    switch (m_slides.m_overChoice) {
        case 1:
            m_slides.m_listFull = kSlideCapacity;
            m_slides.m_slideCount = 1;
            break;
        case 2:
            // The list starts again from the match at hand; slot 10000 holds no slide,
            // only the list's placeholder text, which would become a slide that is no file.
            m_slides.m_slidePath[0] = m_slides.m_slidePath[kSlideCapacity - 1];
            m_slides.m_slideName[0] = m_slides.m_slideName[kSlideCapacity - 1];
            m_slides.m_listFull = 1;
            m_slides.m_slideCount = 1;
            break;
        case 3: m_slides.m_slideCount = kSlideCapacity; return false;
        default: break;
    }
    return true;
}

void DirectorySearch::Finish() {
    CVantorView& v = m_view;
    const char* kind = v.m_search.m_searchFileType == CVantorView::kSearchBmp ? "(BMP)" : "(JPEG)";
    m_ui.MessageBox(std::string("検索された file 数 ") + kind + " は..." + std::to_string(m_matchCount) + "個 です。",
                    "検索された file 数", MsgButtons::OK, MsgIcon::None);
    m_ui.MessageBox("  AUTO SEARCH 終わりました。 ", "File 検索終了", MsgButtons::OK, MsgIcon::None);
    for (std::uint32_t j = 0; j <= m_slides.m_slideCount; ++j) {
        m_slides.m_slidePath2[j] = m_slides.m_slidePath[j];
        m_slides.m_slideName[j] = PathTail(m_slides.m_slidePath[j]);
    }
    v.m_searchStop = 0;
    v.m_searching = 0;
    if (m_slides.m_listFull == kSlideCapacity && m_slides.m_overChoice == 1) m_slides.m_slideCount = kSlideCapacity;
    v.InvalidateView(true);
}

}  // namespace vantor::search_walk
