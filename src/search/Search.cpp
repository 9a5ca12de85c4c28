#include "search/Search.h"

#include <algorithm>
#include <functional>

#include "platform/FileSystem.h"
#include "platform/FolderScan.h"
#include "platform/Ui.h"
#include "search/SearchDialogs.h"
#include "slides/COverLimitDialog.h"
#include "viewer/CVantorView.h"

namespace vantor {

namespace {

constexpr std::uint32_t kDirLimit = 150000;
constexpr int kDeepestLevel = 18;
constexpr unsigned kPumpAttempts = 100;
constexpr int kTextX = 6;
// A folder taken out of the search; it is never handed to the file system.
constexpr const char* kExcluded = "yn:\\";
constexpr std::size_t kShownDirs = CDirSelectDialog::kShown;

constexpr const char* kStartText =
    "これから Slide_File  Auto_search を 開始します。\rクリックしてください。\r ドライブ検索の場合は、時間がかかります。";
constexpr const char* kFolderHint =
    " Auto_search 関連の drive or folder 決定は computer->drive->folder の様に上から下へ。\n(from top to bottom)。\n"
    " drive or folder 決定後 press OK";
constexpr const char* kDriveHint =
    "次の DRIVE 選択画面で 右下 more に 1 入力の時\n　次に folder選択画面が表示されます。\n"
    "明暗checkの bright_folder(明)が selectされます。\n moreが 0 の時 DRIVE 全体がdefaultで対象となります。";
constexpr const char* kWrapText = " directory数 150000件超ですが loopして最後迄検索します。";
constexpr const char* kOverText = "累積　stack　file 10000件over.1件目から上書きします:warning!!!";
constexpr const char* kEscLine = "Press ESC to Abort ( 途中 中断のとき Esc キー押し下げ )";
constexpr const char* kDirCountText = "検索された sub directory 数 は...";

bool IsDots(const std::string& name) { return name == "." || name == ".."; }

std::string Framed(const std::string& text) { return "( " + text + " )"; }

const std::string& BlankLine() {
    // 38 blanks and twenty runs of 31: wide enough to wipe any progress line.
    static const std::string blank(38 + 20 * 31, ' ');
    return blank;
}

bool HasPictureEnding(const std::string& name) {
    if (name.size() < 4) return false;
    const std::string end = name.substr(name.size() - 4);
    return end == ".JPG" || end == ".jpg" || end == ".BMP" || end == ".bmp";
}

// Only regular files, and links to them, become slides: a FIFO, a socket or a
// dangling link named like a picture is no picture. The listing's kind tells,
// except for a link.
bool IsPictureFile(const std::string& path, const ScanEntry& entry) {
    if (entry.kind == EntryKind::File) return true;
    return entry.kind == EntryKind::Link && IsRegularFile(path);
}

class DirectorySearch {
public:
    DirectorySearch(CVantorView& view, SearchMode mode) : m_view(view), m_mode(mode), m_ui(TheUi()) {}

    void Run();

private:
    bool Stopped() const { return m_view.m_searchStop == 1; }
    // The directory list holds 150000 folders and the walk ends, unless the user
    // chose to go on past the limit.
    bool ListFull() const { return !m_pastLimit && m_view.m_dirCount == kDirLimit; }
    void Collect(const std::string& path);
    bool Closing() const { return m_view.CloseRequested(); }
    void Pump() { m_ui.Pump(kPumpAttempts); }
    void Busy() { m_ui.SetCursor(CursorKind::AppStarting); }

    bool Start();
    bool Preview(const std::vector<ScanEntry>& rootEntries);
    bool Walk();
    bool ListFolder(std::uint32_t index, const std::string& path, std::vector<ScanEntry>& out);
    bool Accept(int level, const ScanEntry& entry, const std::string& path) const;
    bool WalkDrawDue(int level) const;
    void DrawWalk(int level, const std::string& shown);
    std::string WrapBoxText(int level) const;
    void FirstSelection();
    void SecondSelection();
    void WithSelectionDialog(const std::function<void(CDirSelectDialog&)>& run);
    void EndOfWalk();
    bool FilePhase();
    void Matches(std::uint32_t index, const std::string& folder, std::vector<ScanEntry>& out);
    void DrawLine(int y, const std::string& text, bool blankFirst = false);
    bool HandleFullList(bool firstOfFolder);
    void Finish();

    CVantorView& m_view;
    SearchMode m_mode;
    Ui& m_ui;
    FolderScanner m_scanner;
    std::string m_root;
    std::string m_pattern;
    std::uint32_t m_matchCount = 0;
    int m_deepest = 0;
    bool m_pastLimit = false;  // OK at the 150000 box: the list grows for the rest of the walk

    // What the walk saw of each listed folder, for the file phase: the folder's stamp
    // and its entries matching the pattern. A folder whose stamp still holds needs no
    // second listing.
    struct Seen {
        FolderStamp stamp;
        std::vector<ScanEntry> matches;
        bool valid = false;
    };
    std::vector<Seen> m_seen;
};

void DirectorySearch::Run() {
    CVantorView& v = m_view;
    v.m_searching = 0;
    v.m_dirCount = 0;
    v.m_dirWrapMark = 0;
    v.m_dirWrapped = 0;
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
    m_pattern = v.m_searchFileType == 2 ? "*.BMP" : "*.JPG";
    if (m_mode == SearchMode::Select || m_mode == SearchMode::Remove)
        AfxMessageBox(kFolderHint, MsgButtons::OK, MsgIcon::None);
    if (m_mode == SearchMode::Drive) {
        m_root = SearchDriveChoice();
        // Level 1 resolves the root's names against the current directory.
        SetCurrentDirectory(m_root);
        v.m_searchFolder = m_root;
    } else {
        v.m_searchStop = 1;
        SearchFolderChoice(v);
        if (Stopped()) return false;
        m_root = CurrentDirectory();
    }
    v.m_dirList[0] = m_root;
    v.m_dirCount = 1;

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

void DirectorySearch::Collect(const std::string& path) {
    StringArray& list = m_view.m_dirList;
    if (m_view.m_dirCount >= list.size()) list.Grow(list.size() * 2);
    list[m_view.m_dirCount] = path;
    ++m_view.m_dirCount;
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
    const std::uint32_t count = m_view.m_dirCount;
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
    std::string text = kDirCountText + std::to_string(m_view.m_dirCount);
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
            const std::string folder = v.m_dirList[index];
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
                Collect(m_root);
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
                if (accepted) Collect(path);
                if (opening) continue;
                if (level == 1) {
                    if (v.m_dirCount > kDirLimit - 1) v.m_dirCount = kDirLimit;
                } else if (accepted && v.m_dirCount > kDirLimit - 1 && !m_pastLimit) {
                    v.m_dirWrapped = 1;
                    if (AfxMessageBox(WrapBoxText(level), MsgButtons::OKCancel, MsgIcon::None) == IDOK) {
                        // The box promises to search to the end: the list grows for
                        // the rest of the walk. Wrapping to slot 0 would overwrite the
                        // root and folders not yet listed, whose pictures were then lost.
                        m_pastLimit = true;
                    } else {
                        // Cancel ends the walk: the rest of this folder is not taken
                        // either, so the question is not asked again for each entry.
                        v.m_dirCount = kDirLimit;
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
        if (level == 2 && m_mode != SearchMode::Auto && v.m_selMoreEdit != 0 &&
            (v.m_selMoreEdit == 1 || v.m_selMore == 1))
            SecondSelection();
        start = end;
        end = v.m_dirCount;
        if (Stopped()) start = end = v.m_dirCount;
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
    const std::size_t n = std::min<std::size_t>(v.m_dirCount, kShownDirs);
    auto run = [&](CDirSelectDialog& dlg) {
        for (std::size_t i = 0; i < kShownDirs; ++i) dlg.m_dirNames[i] = "   .........";
        dlg.m_selCount = 0;
        if (m_mode == SearchMode::Drive) {
            // The list is cut to the root and its copy; the copy's line is the marker.
            v.m_dirCount = 2;
            dlg.m_dirNames[0] = v.m_dirList[0];
            dlg.m_dirNames[1] = v.m_dirList[1];
            dlg.m_dirNames[1] = kExcluded;
        } else {
            for (std::size_t i = 0; i < n; ++i) dlg.m_dirNames[i] = v.m_dirList[i];
            for (std::size_t i = 0; i < n; ++i) v.m_dirList[i] = kExcluded;
        }
        if (m_ui.DoModal(dlg) != IDOK) return;
        if (m_mode == SearchMode::Remove && dlg.m_selCount == 0) {
            for (std::size_t i = 0; i < n; ++i) v.m_dirList[i] = dlg.m_dirNames[i];
        }
        for (int s = 0; s < dlg.m_selCount; ++s) {
            const std::size_t e = static_cast<std::size_t>(std::max(dlg.m_selIndex[static_cast<std::size_t>(s)] - 1, 0));
            v.m_dirList[e] = m_mode == SearchMode::Drive ? std::string(kExcluded) : dlg.m_dirNames[e];
        }
        if (m_mode != SearchMode::Remove) v.m_selMore = dlg.m_more;
        v.m_selMoreEdit = dlg.m_moreEdit;
    };
    WithSelectionDialog(run);
}

void DirectorySearch::SecondSelection() {
    CVantorView& v = m_view;
    v.m_selMore = 0;
    const std::size_t n = std::min<std::size_t>(v.m_dirCount, kShownDirs);
    auto run = [&](CDirSelectDialog& dlg) {
        for (std::size_t i = 0; i < kShownDirs; ++i) dlg.m_dirNames[i] = "  ..........";
        for (std::size_t i = 0; i < n; ++i) dlg.m_dirNames[i] = v.m_dirList[i];
        dlg.m_selCount = 0;
        if (m_ui.DoModal(dlg) != IDOK) return;
        for (int s = 0; s < dlg.m_selCount; ++s) {
            if (m_mode != SearchMode::Select && s < 2) v.m_dirList[0] = kExcluded;
            const std::size_t e = static_cast<std::size_t>(std::max(dlg.m_selIndex[static_cast<std::size_t>(s)] - 1, 0));
            v.m_dirList[e] = kExcluded;
        }
        v.m_selMoreEdit = dlg.m_moreEdit;
    };
    WithSelectionDialog(run);
}

void DirectorySearch::EndOfWalk() {
    CVantorView& v = m_view;
    v.m_searchStop = 0;
    v.m_searching = 1;
    m_ui.MessageBox("検索する最初の directory 名 は..." + v.m_dirList[0] + " です。", "first directory search",
                    MsgButtons::OK, MsgIcon::None);
    m_ui.MessageBox("検索する次の directory 名 は..." + v.m_dirList[1] + " です。", "second directory search",
                    MsgButtons::OK, MsgIcon::None);
    m_ui.MessageBox(kDirCountText + std::to_string(v.m_dirCount) + "個 です。" + "\n  ディレクトリの深さは..." +
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
    CVantorView& v = m_view;
    std::vector<ScanEntry> matches;
    auto folderLine = [&](std::uint32_t i) {
        return Framed("検索中の sub directory は..." + std::to_string(i) + " / " + std::to_string(v.m_dirCount) +
                      " です。");
    };
    for (std::uint32_t i = 0; i < v.m_dirCount; ++i) {
        Pump();
        if (Closing()) return false;
        if (Stopped()) break;
        const std::string folder = v.m_dirList[i];
        const bool folderDue = i % 100 == 0 || i < 100;
        // Only the entries "." and ".." name no folder of their own: "photos.." is a
        // folder like any other here.
        if (!IsDots(folder.substr(folder.find_last_of(kPathSeparator) + 1))) Matches(i, folder, matches);
        else matches.clear();
        bool stopPhase = false;
        if (!matches.empty()) {
            if (folderDue) {
                DrawLine(96, "サブディレクトリ 検索中です");
                DrawLine(66, Framed(folder), true);
            }
            if (v.m_slideCount % 10 == 0 || v.m_slideCount < 100) {
                DrawLine(186, folderLine(i));
                DrawLine(116, Framed(kDirCountText + std::to_string(v.m_dirCount) + "個 です。" +
                                     " ディレクトリの深さは..." + std::to_string(m_deepest) + " です。"));
                DrawLine(36, kEscLine);
                DrawLine(206, Framed("検索された file数は..." + std::to_string(v.m_slideCount) + " 個です。"));
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
                if (!HasPictureEnding(m.name) || !IsPictureFile(path, m)) continue;
                v.m_slidePath[v.m_slideCount] = path;
                v.m_slideName[v.m_slideCount] = m.name;
                ++m_matchCount;
                v.m_slideCount = std::min(v.m_slideCount + 1, kSlideCapacity);
                if (folderDue) DrawLine(146, Framed(m.name));
                if (v.m_slideCount == kSlideCapacity && !HandleFullList(j == 0)) {
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
        v.m_overChoice = 1;
        v.m_overClicked = 0;
    }
    COverLimitDialog dlg;
    if (m_ui.DoModal(dlg) == IDOK) {
        v.m_overChoice = dlg.m_choice;
        if (!firstOfFolder) {
            v.m_overClicked = dlg.m_clicked;
            if (v.m_overClicked == 0) v.m_overChoice = 1;
        }
    }
    if (!firstOfFolder) v.m_overClicked = 0;
    switch (v.m_overChoice) {
        case 1:
            v.m_listFull = kSlideCapacity;
            v.m_slideCount = 1;
            break;
        case 2:
            // The list starts again from the match at hand; slot 10000 holds no slide,
            // only the list's placeholder text, which would become a slide that is no file.
            v.m_slidePath[0] = v.m_slidePath[kSlideCapacity - 1];
            v.m_slideName[0] = v.m_slideName[kSlideCapacity - 1];
            v.m_listFull = 1;
            v.m_slideCount = 1;
            break;
        case 3:
            v.m_slideCount = kSlideCapacity;
            return false;
        default: break;
    }
    return true;
}

void DirectorySearch::Finish() {
    CVantorView& v = m_view;
    const char* kind = v.m_searchFileType == 2 ? "(BMP)" : "(JPEG)";
    m_ui.MessageBox(std::string("検索された file 数 ") + kind + " は..." + std::to_string(m_matchCount) + "個 です。",
                    "検索された file 数", MsgButtons::OK, MsgIcon::None);
    m_ui.MessageBox("  AUTO SEARCH 終わりました。 ", "File 検索終了", MsgButtons::OK, MsgIcon::None);
    for (std::uint32_t j = 0; j <= v.m_slideCount; ++j) {
        v.m_slidePath2[j] = v.m_slidePath[j];
        v.m_slideName[j] = PathTail(v.m_slidePath[j]);
    }
    v.m_searchStop = 0;
    v.m_searching = 0;
    if (v.m_listFull == kSlideCapacity && v.m_overChoice == 1) v.m_slideCount = kSlideCapacity;
    v.InvalidateView(true);
}

}  // namespace

void RunSearch(CVantorView& view, SearchMode mode) {
    CVantorView::LongRun run(view);
    DirectorySearch(view, mode).Run();
    // The busy cursor belongs to the run alone.
    TheUi().SetCursor(CursorKind::Arrow);
}

void CVantorView::OnAutoSearch() { RunSearch(*this, SearchMode::Auto); }
void CVantorView::OnAutoSearchSelectMode() { RunSearch(*this, SearchMode::Select); }
void CVantorView::OnAutoSearchRemoveMode() { RunSearch(*this, SearchMode::Remove); }
void CVantorView::OnAutoSearchDriveMode() { RunSearch(*this, SearchMode::Drive); }

}  // namespace vantor
