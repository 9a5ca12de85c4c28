// The search walk shared by the folder phase (Search.cpp) and the file phase
// (SearchFilePhase.cpp). Only the search's own sources include this.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/FolderScan.h"
#include "platform/Ui.h"
#include "search/Search.h"
#include "search/SearchDialogs.h"
#include "viewer/CVantorView.h"

namespace vantor::search_walk {

constexpr unsigned kPumpAttempts = 100;
constexpr int kTextX = 6;
// A folder taken out of the search; it is never handed to the file system.
constexpr const char* kExcluded = "yn:\\";
constexpr const char* kEscLine = "Press ESC to Abort ( 途中 中断のとき Esc キー押し下げ )";
constexpr const char* kDirCountText = "検索された sub directory 数 は...";

inline bool IsDots(const std::string& name) { return name == "." || name == ".."; }

inline std::string Framed(const std::string& text) { return "( " + text + " )"; }

class DirectorySearch {
public:
    DirectorySearch(CVantorView& view, SearchMode mode, std::uint32_t dirLimit)
        : m_view(view),
          m_slides(view.m_slides),
          m_dirs(view.m_dirs),
          m_mode(mode),
          m_ui(TheUi()),
          m_dirLimit(dirLimit) {}

    void Run();

private:
    bool Stopped() const { return m_view.m_searchStop == 1; }
    // The directory list holds its limit of folders and the walk ends, unless the
    // user chose to go on past the limit.
    bool ListFull() const { return !m_pastLimit && m_dirs.m_dirCount == m_dirLimit; }
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
    SlideList& m_slides;    // what the file phase fills
    DirectoryList& m_dirs;  // what the walk fills
    SearchMode m_mode;
    Ui& m_ui;
    std::uint32_t m_dirLimit;
    FolderScanner m_scanner;
    std::string m_root;
    std::string m_pattern;
    std::uint32_t m_matchCount = 0;
    int m_deepest = 0;
    bool m_pastLimit = false;  // OK at the limit box: the list grows for the rest of the walk

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

}  // namespace vantor::search_walk
