// The sort of the slide list: ten orders (name, folder, size, date, type; each
// ascending or descending), one algorithm. The run works on private copies, draws
// its progress onto the client area, pumps between steps so Escape can reach it,
// and writes the list back only at the very end; a stopped run changes nothing.
#include <algorithm>
#include <cstdint>
#include <ctime>
#include <numeric>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Ui.h"
#include "sort/CSortDialog.h"
#include "viewer/CVantorView.h"

namespace vantor {

namespace {

constexpr const char* kStartCaption = "START of sorting";
constexpr const char* kEndCaption = "END of sorting";
constexpr const char* kEscapeLine = "Press ESC to Abort ( 途中 中断のとき Esc キー押し下げ )";

constexpr const char* kStartText[10] = {
    "  FILE名 昇順SORT 開始します。\n条件によっては時間がかかります。",
    "  FILE名 降順SORT 開始します。\n条件によっては時間がかかります。",
    "  FOLDER名 昇順SORT 開始します。\n条件によっては時間がかかります。",
    "  FOLDER名 降順SORT 開始します。\n条件によっては時間がかかります。",
    "  SIZE 昇順SORT 開始します。\n条件によっては時間がかかります。",
    "  SIZE 降順SORT 開始します。\n条件によっては時間がかかります。",
    "  DATE 昇順SORT 開始します。\n条件によっては時間がかかります。",
    "  DATE 降順SORT 開始します。\n条件によっては時間がかかります。",
    "  種類別(BMP->JPEG) 昇順SORT 開始します。\n条件によっては時間がかかります。",
    "  種類別(JPEG->BMP) 降順SORT 開始します。\n条件によっては時間がかかります。",
};

constexpr const char* kEndText[10] = {
    "  FILE名 昇順SORT 終了しました。 ",
    "  FILE名 降順順SORT 終了しました。 ",
    "  FOLDER名 昇順SORT 終了しました。 ",
    "  FOLDER名 降順SORT 終了しました。 ",
    "  SIZE 昇順SORT 終了しました。 ",
    "  SIZE 降順SORT 終了しました。 ",
    "  DATE 昇順SORT 終了しました。 ",
    "  DATE 降順SORT 終了しました。 ",
    "  種類別(BMP->JPEG) 昇順SORT 終了しました。 ",
    "  種類別(JPEG->BMP) 降順SORT 終了しました。 ",
};

constexpr unsigned kPumpAttempts = 100;
constexpr std::uint32_t kBlock = 500;
constexpr std::uint32_t kBlocks = 20;

enum class KeyKind { Name, Path, Size, Time, Type };

KeyKind KeyOfKind(std::int32_t kind) {
    switch (kind / 2) {
        case 0: return KeyKind::Name;
        case 1: return KeyKind::Path;
        case 2: return KeyKind::Size;
        case 3: return KeyKind::Time;
        default: return KeyKind::Type;
    }
}

// The last four bytes of a path (its type), or the whole path when shorter.
std::string TypePart(const std::string& path) { return path.size() < 4 ? path : path.substr(path.size() - 4); }

// ASCII letters folded to lower case; other bytes stay, so comparing the results
// as unsigned bytes is the case-insensitive comparison.
std::string Folded(const std::string& text) {
    std::string folded = text;
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

// "%s %d %s %d %s" with a lead, a count, " / ", a total and " )".
std::string CounterLine(const char* lead, std::uint64_t count, std::uint64_t total) {
    return std::string(lead) + ' ' + std::to_string(count) + "  /  " + std::to_string(total) + "  )";
}

// One run of the sort. Positions are 1-based (1..N), as the progress lines count them.
class SortRun {
public:
    SortRun(CVantorView& view, std::int32_t kind)
        : m_view(view),
          m_ui(TheUi()),
          m_kind(kind),
          m_keyKind(KeyOfKind(kind)),
          m_descending(kind % 2 == 1),
          m_n(std::min(view.m_slides.m_slideCount, kSlideCapacity)),
          m_blank(658, ' ') {}

    void Run();

private:
    enum class Outcome { Done, StopQuiet, StopWithEndMessage };

    void LoadKeys();
    void RankKeys();
    Outcome PreSort();
    Outcome Select();
    void Store();

    bool OutOfOrder(std::uint32_t a, std::uint32_t b) const {
        return m_descending ? m_rank[a] < m_rank[b] : m_rank[a] > m_rank[b];
    }
    void Swap(std::uint32_t a, std::uint32_t b) {
        std::swap(m_path[a], m_path[b]);
        std::swap(m_label[a], m_label[b]);
        std::swap(m_rank[a], m_rank[b]);
    }
    // STOP when Escape was pressed and the user answers stop; a closing window stops too.
    bool Interrupted();
    void BusyCursor() {
        // The cursor stays set until a dialog or a box may have changed it.
        if (m_cursorSet) return;
        m_ui.SetCursor(CursorKind::AppStarting);
        m_cursorSet = true;
    }
    void Pump() { m_ui.Pump(kPumpAttempts); }
    // A progress line, its place erased first with the blank line (at eraseX).
    void Line(int eraseX, int x, int y, const std::string& text) {
        m_view.ClientTextOut(eraseX, y, m_blank);
        m_view.ClientTextOut(x, y, text);
    }
    void EndMessage() { m_ui.MessageBox(kEndText[m_kind], kEndCaption, MsgButtons::OK, MsgIcon::None); }

    CVantorView& m_view;
    Ui& m_ui;
    const std::int32_t m_kind;
    const KeyKind m_keyKind;
    const bool m_descending;
    const std::uint32_t m_n;
    const std::string m_blank;
    bool m_cursorSet = false;

    std::vector<std::string> m_path;    // by position
    std::vector<std::string> m_label;   // the key as shown: its text, or the name part for size and date
    std::vector<std::string> m_folded;  // text keys folded once (emptied after ranking)
    // Size or date keys, as signed 64-bit numbers: a date before 1970 is negative
    // and sorts before a missing file's 0; a size never reaches the sign bit.
    std::vector<std::int64_t> m_number;
    // Each key's place in the order of all keys, equal keys sharing one: comparing
    // two ranks is comparing the two keys, at the price of an integer comparison.
    std::vector<std::uint32_t> m_rank;
    std::vector<std::string> m_output;  // by output slot
};

bool SortRun::Interrupted() {
    if (m_view.CloseRequested()) return true;
    if (m_view.m_sortStop != 1) return false;
    m_view.m_sortStop = 0;
    const bool stop = m_view.AskStop();
    m_cursorSet = false;
    return stop;
}

void SortRun::LoadKeys() {
    const bool numeric = m_keyKind == KeyKind::Size || m_keyKind == KeyKind::Time;
    m_label.assign(m_n + 1, std::string());
    if (numeric) {
        m_number.assign(m_n + 1, 0);
    } else {
        m_folded.assign(m_n + 1, std::string());
    }
    for (std::uint32_t i = 1; i <= m_n; ++i) {
        BusyCursor();
        const std::string& path = m_path[i];
        switch (m_keyKind) {
            case KeyKind::Name: m_label[i] = PathTail(path); break;
            case KeyKind::Path: m_label[i] = path; break;
            case KeyKind::Type: m_label[i] = TypePart(path); break;
            case KeyKind::Size:
            case KeyKind::Time: {
                // One lookup per slide; a file that cannot be found counts as size 0, time 0.
                std::uint64_t size = 0;
                std::time_t modified = 0;
                if (!FileSizeAndTime(path, size, modified)) {
                    size = 0;
                    modified = 0;
                }
                // 64 bits: a file of 2 GiB or more sorts as large.
                m_number[i] =
                    m_keyKind == KeyKind::Size ? static_cast<std::int64_t>(size) : static_cast<std::int64_t>(modified);
                m_label[i] = PathTail(path);
                break;
            }
        }
        if (!numeric) m_folded[i] = Folded(m_label[i]);
        Line(15, 15, 66, CounterLine("( loading..", i, kSlideCapacity));
        Pump();
    }
}

void SortRun::RankKeys() {
    std::vector<std::uint32_t> order(m_n);
    std::iota(order.begin(), order.end(), 1u);
    const bool numeric = m_folded.empty();
    auto less = [&](std::uint32_t a, std::uint32_t b) {
        return numeric ? m_number[a] < m_number[b] : m_folded[a] < m_folded[b];
    };
    std::sort(order.begin(), order.end(), less);
    m_rank.assign(m_n + 1, 0);
    std::uint32_t rank = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && less(order[i - 1], order[i])) ++rank;
        m_rank[order[i]] = rank;
    }
    m_folded.clear();
    m_folded.shrink_to_fit();
    m_number.clear();
}

// Bubbles neighbouring keys into order within blocks of 500 positions; it only
// spares the selection candidate changes, the selection alone decides the order.
SortRun::Outcome SortRun::PreSort() {
    const std::int64_t n = m_n;
    for (std::uint32_t b = 0; b < kBlocks; ++b) {
        const std::uint32_t k = kBlock * b;
        const std::uint32_t e = k + kBlock;
        const bool lastBlock = k > m_n;
        unsigned cleanPasses = 0;
        bool swapped = false;  // in the last pass that ran; none has run yet
        for (std::uint32_t p = k; p < e; ++p) {
            if (!swapped) {
                if (cleanPasses > 4) p = e;  // this pass is the block's last
                ++cleanPasses;
            }
            if (p > m_n) continue;
            swapped = false;
            for (std::uint32_t l = k + 1; l < e; ++l) {
                if (static_cast<std::int64_t>(l) > n - 1) continue;
                BusyCursor();
                if (Interrupted()) return Outcome::StopQuiet;
                if (l % 100 == 0) {
                    m_view.ClientTextOut(6, 36, kEscapeLine);
                    Line(5, 5, 96, m_path[l]);
                    Line(5, 5, 126, CounterLine("( sorting..", l, std::uint64_t{e} * e));
                }
                int compared = 0;
                for (std::uint32_t m = l; m <= l + 6; m += 2) {
                    if (!(m <= e - 1 && m != e - 2 && m + 1 <= m_n)) break;
                    if (OutOfOrder(m, m + 1)) {
                        Swap(m, m + 1);
                        swapped = true;
                    }
                    ++compared;
                }
                if (compared == 4) Pump();
            }
        }
        if (lastBlock) break;
    }
    return Outcome::Done;
}

// Picks, for each output slot, the first of the remaining positions whose key no
// other remaining key precedes: candidates change only on a strict comparison,
// so equal keys leave in the order they stand and the sort is stable.
SortRun::Outcome SortRun::Select() {
    // The positions not taken yet, in position order, with their ranks beside them;
    // taking one removes it, so no text of a real file can ever be mistaken for a
    // taken mark, and the scan runs over one compact array.
    std::vector<std::uint32_t> remaining(m_n);
    std::iota(remaining.begin(), remaining.end(), 1u);
    std::vector<std::uint32_t> ranks(m_n);
    for (std::uint32_t i = 0; i < m_n; ++i) ranks[i] = m_rank[i + 1];
    m_output.assign(m_n + 1, std::string());
    const std::uint64_t square = std::uint64_t{m_n} * m_n;
    std::uint64_t changes = 0;
    std::uint64_t placed = 0;
    for (std::uint32_t r = 1; r <= m_n && !remaining.empty(); ++r) {
        std::size_t best = 0;
        std::uint32_t bestRank = ranks[0];
        const std::size_t count = ranks.size();
        for (std::size_t i = 1; i < count; ++i) {
            // Out of order: the candidate's key comes strictly before the key of the one held.
            if (m_descending ? ranks[i] <= bestRank : ranks[i] >= bestRank) continue;
            best = i;
            bestRank = ranks[i];
            BusyCursor();
            if (Interrupted()) return Outcome::StopWithEndMessage;
            Pump();
            ++changes;
            if (changes % 100 == 0) {
                m_view.ClientTextOut(6, 36, kEscapeLine);
                Line(5, 8, 96, m_label[remaining[best]]);
                Line(5, 15, 126, CounterLine("( sorting..", changes, square));
            }
        }
        m_output[r] = m_path[remaining[best]];
        remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(best));
        ranks.erase(ranks.begin() + static_cast<std::ptrdiff_t>(best));
        ++placed;
        if (placed % 100 == 0 || static_cast<std::int64_t>(placed) > static_cast<std::int64_t>(m_n) - 100) {
            m_view.ClientTextOut(6, 36, kEscapeLine);
            Line(5, 8, 156, m_output[r]);
            Line(5, 15, 186, CounterLine("( sorted..", placed, m_n));
        }
    }
    return Outcome::Done;
}

void SortRun::Store() {
    for (std::uint32_t j = 1; j <= m_n; ++j) {
        BusyCursor();
        m_path[j] = std::move(m_output[j]);
        Line(15, 15, 66, CounterLine("( storing..", j, kSlideCapacity));
        Pump();
    }
}

void SortRun::Run() {
    CVantorView::LongRun longRun(m_view);
    m_ui.MessageBox(kStartText[m_kind], kStartCaption, MsgButtons::OK, MsgIcon::None);
    m_ui.BeginWaitCursor();
    m_view.m_sorting = 1;
    m_view.m_sortStop = 0;

    m_path.assign(m_n + 1, std::string());
    for (std::uint32_t i = 1; i <= m_n; ++i) m_path[i] = m_view.m_slides.m_slidePath[i - 1];

    LoadKeys();
    RankKeys();
    if (PreSort() != Outcome::Done) {
        m_view.m_sorting = 0;
        m_ui.EndWaitCursor();
        return;
    }

    // The name parts are derived again (they do not change); Escape is not taken meanwhile.
    m_view.m_sorting = 0;
    for (std::uint32_t i = 1; i <= m_n; ++i) {
        BusyCursor();
        Pump();
    }
    m_view.m_sorting = 1;

    const Outcome selected = Select();
    if (selected != Outcome::Done) {
        m_view.m_sorting = 0;
        m_ui.EndWaitCursor();
        if (!m_view.CloseRequested()) EndMessage();
        return;
    }

    m_view.m_sorting = 0;
    Store();

    // An Escape that no check of the selection acted on is asked about now.
    if (m_view.CloseRequested()) {
        m_ui.EndWaitCursor();
        return;
    }
    if (m_view.m_sortStop == 1) {
        m_view.m_sortStop = 0;
        const bool stop = m_view.AskStop();
        m_cursorSet = false;
        if (stop) {
            m_ui.EndWaitCursor();
            return;
        }
    }

    // Only slides still in the list take their sorted paths back.
    for (std::uint32_t j = 1; j <= m_n && j - 1 < m_view.m_slides.m_slideCount; ++j) {
        BusyCursor();
        m_view.m_slides.Store(j - 1, m_path[j]);
    }

    m_ui.EndWaitCursor();
    m_view.m_sorting = 0;
    EndMessage();
}

}  // namespace

void CVantorView::OnFileSort() {
    CSortDialog dlg;
    dlg.m_choice = m_sortKind;
    if (TheUi().DoModal(dlg) != IDOK) return;
    m_sortKind = dlg.m_clicked == 0 ? 0 : dlg.m_choice;
    SortSlideList(m_sortKind);
    // The progress lines belong to the run that drew them.
    InvalidateView(true);
}

void CVantorView::SortSlideList(std::int32_t kind) {
    if (kind < 0 || kind > 9) return;
    SortRun(*this, kind).Run();
}

}  // namespace vantor
