// The search's folder phase: its start box, the breadth-first walk that fills the
// directory list, and the folder lists of the select, remove and drive modes.
#include <algorithm>

#include "platform/FileSystem.h"
#include "search/DirectorySearch.h"

namespace vantor {
namespace search_walk {

namespace {

constexpr int kDeepestLevel = 18;
constexpr std::size_t kShownDirs = CDirSelectDialog::kShown;

constexpr const char* kStartText =
    "これから Slide_File  Auto_search を 開始します。\rクリックしてください。\r "
    "ドライブ検索の場合は、時間がかかります。";
constexpr const char* kFolderHint =
    " Auto_search 関連の drive or folder 決定は computer->drive->folder の様に上から下へ。\n(from top to bottom)。\n"
    " drive or folder 決定後 press OK";
constexpr const char* kDriveHint =
    "次の DRIVE 選択画面で 右下 more に 1 入力の時\n　次に folder選択画面が表示されます。\n"
    "明暗checkの bright_folder(明)が selectされます。\n moreが 0 の時 DRIVE 全体がdefaultで対象となります。";
constexpr const char* kWrapText = " directory数 150000件超ですが loopして最後迄検索します。";

const std::string& BlankLine() {
    // 38 blanks and twenty runs of 31: wide enough to wipe any progress line.
    static const std::string blank(38 + 20 * 31, ' ');
    return blank;
}

}  // namespace

void DirectorySearch::Run() {
    CVantorView& v = m_view;
    v.m_searching = 0;
    m_dirs.m_dirCount = 0;
    m_dirs.m_dirWrapMark = 0;
    m_dirs.m_dirWrapped = 0;
    m_matchCount = 0;
    m_deepest = 0;
    if (!Start()) return;
    if (!Walk()) return;
    EndOfWalk();
    if (!FilePhase()) return;
    Finish();
}

bool DirectorySearch::Start() {
    CVantorView& v = m_view;
    v.m_searchStop = 1;
    SearchTypePrompt(v);
    if (Stopped()) return false;
    m_pattern = v.m_search.m_searchFileType == CVantorView::kSearchBmp ? "*.BMP" : "*.JPG";
    if (m_mode == SearchMode::Select || m_mode == SearchMode::Remove)
        AfxMessageBox(kFolderHint, MsgButtons::OK, MsgIcon::None);
    if (m_mode == SearchMode::Drive) {
        m_root = SearchDriveChoice();
        // Level 1 resolves the root's names against the current directory.
        SetCurrentDirectory(m_root);
        v.m_search.m_searchFolder = m_root;
    } else {
        v.m_searchStop = 1;
        SearchFolderChoice(v);
        if (Stopped()) return false;
        m_root = CurrentDirectory();
    }
    m_dirs.m_dirList[0] = m_root;
    m_dirs.m_dirCount = 1;

    std::vector<ScanEntry> rootEntries;
    ListFolder(0, m_root, rootEntries);
    const std::string text = std::string(kStartText) + "\r 検索対象の path は..." + m_root + " です。";
    if (m_ui.MessageBox(text, "Slide_File  Auto_search", MsgButtons::OKCancel, MsgIcon::None) != IDOK) return false;
    v.m_searchStop = 0;
    v.m_searching = 1;
    if (m_mode == SearchMode::Drive) AfxMessageBox(kDriveHint, MsgButtons::OK, MsgIcon::None);
    return Preview(rootEntries);
}

// The root's entries once more, for the progress lines only.
bool DirectorySearch::Preview(const std::vector<ScanEntry>& rootEntries) {
    // The first entry went with opening the listing.
    for (std::size_t i = 1; i < rootEntries.size(); ++i) {
        Busy();
        if (Stopped()) return false;
        Pump();
        if (IsDots(rootEntries[i].name)) continue;
        if (WalkDrawDue(0)) DrawWalk(0, m_root + kPathSeparator + rootEntries[i].name);
    }
    Pump();
    return !Stopped();
}

bool DirectorySearch::ListFolder(std::uint32_t index, const std::string& path, std::vector<ScanEntry>& out) {
    out.clear();
    if (path == kExcluded) return false;
    Seen seen;
    // Links to folders are not walked; the chosen root may be one.
    if (!m_scanner.List(path, path == m_root, out, &seen.stamp)) return false;
    for (const ScanEntry& e : out) {
        if (MatchesPattern(e.name, m_pattern)) seen.matches.push_back(e);
    }
    seen.valid = true;
    if (m_seen.size() <= index) m_seen.resize(std::max<std::size_t>(index + 1, m_seen.size() * 2));
    m_seen[index] = std::move(seen);
    return true;
}

bool DirectorySearch::Accept(int level, const ScanEntry& entry, const std::string& path) const {
    const std::string& name = entry.name;
    const std::size_t dot = name.rfind('.');
    if (level >= 10) return dot == std::string::npos;
    bool keep = true;
    if (dot != std::string::npos) {
        const std::size_t k = name.size() - dot;
        if (k == 2) {
            const char c = name.back();
            keep = !(c == 'C' || c == 'H' || c == 'c' || c == 'h');
        } else if (k == 4) {
            const char i = name[dot + 1], e = name[dot + 2], d = name[dot + 3];
            keep = m_view.m_deepSearch == 1 && (i == 'i' || i == 'I') && (e == 'e' || e == 'E') && d >= '4' && d <= '9';
        }
    }
    if (keep) return true;
    // A true folder (and nothing else: not hidden, read-only or a link) is kept whatever
    // its name; asked only when the name alone would drop it.
    return m_view.m_deepSearch == 1 && entry.kind == EntryKind::Directory && FileAttributes(path) == kAttrDirectory;
}

bool DirectorySearch::WalkDrawDue(int level) const {
    const std::uint32_t count = m_dirs.m_dirCount;
    const int everyEntryFrom = m_mode == SearchMode::Select ? 11 : 15;
    if (level >= everyEntryFrom) return true;
    if (level <= 3) return count % 1000 == 0 || count < 100;
    return count % 1000 == 0;
}

void DirectorySearch::DrawLine(int y, const std::string& text, bool blankFirst) {
    if (blankFirst) m_view.ClientTextOut(kTextX, y, BlankLine());
    m_view.ClientTextOut(kTextX, y, text);
}

void DirectorySearch::DrawWalk(int level, const std::string& shown) {
    DrawLine(66, Framed(shown), true);
    DrawLine(36, kEscLine);
    if (level == 0) return;
    std::string text = kDirCountText + std::to_string(m_dirs.m_dirCount);
    text += level == 1 ? "個 です。" : "個 です。     (depth of nest is " + std::to_string(level) + ")";
    DrawLine(116, Framed(text));
}

std::string DirectorySearch::WrapBoxText(int level) const {
    std::string text = kWrapText;
    if (m_mode == SearchMode::Remove) {
        text += level < 10 ? "deep " + std::to_string(level) : "deep" + std::to_string(level);
    } else if (m_mode == SearchMode::Drive) {
        text += std::string("deep ") + (level < 10 ? "0" : "") + std::to_string(level);
    }
    return text;
}

bool DirectorySearch::Walk() {
    CVantorView& v = m_view;
    std::vector<ScanEntry> entries;
    std::uint32_t start = 0, end = 1;
    for (int level = 1; level <= kDeepestLevel; ++level) {
        for (std::uint32_t index = start; index < end; ++index) {
            const std::string folder = m_dirs.m_dirList[index];
            ListFolder(index, folder, entries);
            std::size_t first = 0;
            if (m_mode == SearchMode::Drive && level == 1) {
                // A whole volume is walked from a second copy of its root in slot 1,
                // which takes the place of the root's first entry. The copy goes in
                // whatever the volume holds and whatever its mount point is called
                // (the name test drops "/mnt/v.01/"): slot 1 must never keep a folder
                // of an earlier search, nor go to one of the volume's own folders.
                while (first < entries.size() && IsDots(entries[first].name)) ++first;
                if (first < entries.size()) ++first;
                m_dirs.Add(m_root);
            }
            for (std::size_t j = first; j < entries.size(); ++j) {
                const ScanEntry& entry = entries[j];
                const bool opening = j == 0;  // came with opening the listing
                if (IsDots(entry.name)) continue;
                if (!opening) {
                    Busy();
                    Pump();
                    if (Closing() || (level == 1 && Stopped())) return false;
                }
                const std::string path = level == 1 ? FullPath(entry.name) : folder + kPathSeparator + entry.name;
                if (!opening) {
                    if (level >= 2) m_deepest = level;
                    if (WalkDrawDue(level)) DrawWalk(level, level == 1 ? entry.name : path);
                }
                const bool accepted = Accept(level, entry, path);
                if (accepted) m_dirs.Add(path);
                if (opening) continue;
                if (level == 1) {
                    if (m_dirs.m_dirCount > m_dirLimit - 1) m_dirs.m_dirCount = m_dirLimit;
                } else if (accepted && m_dirs.m_dirCount > m_dirLimit - 1 && !m_pastLimit) {
                    m_dirs.m_dirWrapped = 1;
                    if (AfxMessageBox(WrapBoxText(level), MsgButtons::OKCancel, MsgIcon::None) == IDOK) {
                        // The box promises to search to the end: the list grows for
                        // the rest of the walk. Wrapping to slot 0 would overwrite the
                        // root and folders not yet listed, whose pictures were then lost.
                        m_pastLimit = true;
                    } else {
                        // Cancel ends the walk: the rest of this folder is not taken
                        // either, so the question is not asked again for each entry.
                        m_dirs.m_dirCount = m_dirLimit;
                        break;
                    }
                }
            }
            if (ListFull() || Stopped()) break;
        }
        if (ListFull()) v.m_searchStop = 1;
        Pump();
        if (Closing()) return false;
        if (level == 1 && m_mode != SearchMode::Auto) FirstSelection();
        if (level == 2 && m_mode != SearchMode::Auto && v.m_search.m_selMoreEdit != 0 &&
            (v.m_search.m_selMoreEdit == 1 || v.m_search.m_selMore == 1))
            SecondSelection();
        start = end;
        end = m_dirs.m_dirCount;
        if (Stopped()) start = end = m_dirs.m_dirCount;
    }
    return true;
}

// select_mode asks which folders stay in; the other two modes which go out.
void DirectorySearch::WithSelectionDialog(const std::function<void(CDirSelectDialog&)>& run) {
    if (m_mode == SearchMode::Select) {
        CSearchDirDialog dlg;
        run(dlg);
    } else {
        CUnsearchDirDialog dlg;
        run(dlg);
    }
}

void DirectorySearch::FirstSelection() {
    CVantorView& v = m_view;
    const std::size_t n = std::min<std::size_t>(m_dirs.m_dirCount, kShownDirs);
    auto run = [&](CDirSelectDialog& dlg) {
        for (std::size_t i = 0; i < kShownDirs; ++i) dlg.m_dirNames[i] = "   .........";
        dlg.m_selCount = 0;
        if (m_mode == SearchMode::Drive) {
            // The list is cut to the root and its copy; the copy's line is the marker.
            m_dirs.m_dirCount = 2;
            dlg.m_dirNames[0] = m_dirs.m_dirList[0];
            dlg.m_dirNames[1] = m_dirs.m_dirList[1];
            dlg.m_dirNames[1] = kExcluded;
        } else {
            for (std::size_t i = 0; i < n; ++i) dlg.m_dirNames[i] = m_dirs.m_dirList[i];
            for (std::size_t i = 0; i < n; ++i) m_dirs.m_dirList[i] = kExcluded;
        }
        if (m_ui.DoModal(dlg) != IDOK) return;
        if (m_mode == SearchMode::Remove && dlg.m_selCount == 0) {
            for (std::size_t i = 0; i < n; ++i) m_dirs.m_dirList[i] = dlg.m_dirNames[i];
        }
        for (int s = 0; s < dlg.m_selCount; ++s) {
            const std::size_t e =
                static_cast<std::size_t>(std::max(dlg.m_selIndex[static_cast<std::size_t>(s)] - 1, 0));
            m_dirs.m_dirList[e] = m_mode == SearchMode::Drive ? std::string(kExcluded) : dlg.m_dirNames[e];
        }
        if (m_mode != SearchMode::Remove) v.m_search.m_selMore = dlg.m_more;
        v.m_search.m_selMoreEdit = dlg.m_moreEdit;
    };
    WithSelectionDialog(run);
}

void DirectorySearch::SecondSelection() {
    CVantorView& v = m_view;
    v.m_search.m_selMore = 0;
    const std::size_t n = std::min<std::size_t>(m_dirs.m_dirCount, kShownDirs);
    auto run = [&](CDirSelectDialog& dlg) {
        for (std::size_t i = 0; i < kShownDirs; ++i) dlg.m_dirNames[i] = "  ..........";
        for (std::size_t i = 0; i < n; ++i) dlg.m_dirNames[i] = m_dirs.m_dirList[i];
        dlg.m_selCount = 0;
        if (m_ui.DoModal(dlg) != IDOK) return;
        for (int s = 0; s < dlg.m_selCount; ++s) {
            if (m_mode != SearchMode::Select && s < 2) m_dirs.m_dirList[0] = kExcluded;
            const std::size_t e =
                static_cast<std::size_t>(std::max(dlg.m_selIndex[static_cast<std::size_t>(s)] - 1, 0));
            m_dirs.m_dirList[e] = kExcluded;
        }
        v.m_search.m_selMoreEdit = dlg.m_moreEdit;
    };
    WithSelectionDialog(run);
}

}  // namespace search_walk

void RunSearch(CVantorView& view, SearchMode mode, std::uint32_t dirLimit) {
    CVantorView::LongRun run(view);
    search_walk::DirectorySearch(view, mode, dirLimit).Run();
    // The busy cursor belongs to the run alone.
    TheUi().SetCursor(CursorKind::Arrow);
}

void CVantorView::OnAutoSearch() { RunSearch(*this, SearchMode::Auto); }
void CVantorView::OnAutoSearchSelectMode() { RunSearch(*this, SearchMode::Select); }
void CVantorView::OnAutoSearchRemoveMode() { RunSearch(*this, SearchMode::Remove); }
void CVantorView::OnAutoSearchDriveMode() { RunSearch(*this, SearchMode::Drive); }

}  // namespace vantor
