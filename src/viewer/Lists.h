// The view's two lists: the slide list, which a show shows and a write writes, and
// the directory list, which a search collects. Their arrays are larger than the
// lists, and entries past the count keep their text until they are written again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "viewer/StringArray.h"

namespace vantor {

inline constexpr std::uint32_t kSlideCapacity = 10000;
inline constexpr std::size_t kSlideArraySize = 100001;
inline constexpr std::size_t kDirArraySize = 200011;

// Slide k (1-based) is at index k - 1 of the three arrays; any index below
// kSlideArraySize is an entry.
struct SlideList {
    SlideList();

    StringArray m_slidePath;         // the full path; "Null" until written
    StringArray m_slidePath2;        // its second copy
    StringArray m_slideName;         // the path's tail, from its last separator on
    std::uint32_t m_slideCount = 0;  // N
    std::uint32_t m_listFull = 0;    // 1 or kSlideCapacity once the list reached its capacity
    std::int32_t m_overChoice = 1;   // the over-10000 dialog's last answer: 1 loop, 2 restart, 3 stop

    // Stores path at index: the full path, its second copy and its tail.
    void Store(std::uint32_t index, const std::string& path);
    // Stores path after the last slide; true when the list is now full, and the
    // over-10000 choice is to be asked.
    bool Append(const std::string& path);
    // What m_overChoice makes of a full list whose last entry is path: loop goes on
    // over the entries from the second on, restart from path alone, stop keeps the
    // list and refuses the rest (false).
    bool GoOnWhenFull(const std::string& path);
    // The path at index, or "Null" past the arrays.
    const std::string& PathAt(std::uint32_t index) const;
    // No slides; the entries keep their text.
    void Clear() { m_slideCount = m_listFull = 0; }
    // A list that went on past its capacity is shown and written whole.
    void UseAllWhenFull() {
        if (m_listFull >= kSlideCapacity) m_slideCount = kSlideCapacity;
    }
};

// The folders a search walks: index 0 is its root; "yn:\\" marks a folder taken out.
struct DirectoryList {
    DirectoryList() : m_dirList(kDirArraySize) {}

    StringArray m_dirList;  // grows past its size only when a search goes on past 150000 folders
    std::uint32_t m_dirCount = 0;
    std::uint32_t m_dirWrapMark = 0;  // stays 0: past 150000 folders the list grows, it never wraps
    std::int32_t m_dirWrapped = 0;    // 1 once the list reached 150000 folders below level 1 in this search

    // Adds path after the last folder, growing the array when it is full.
    void Add(const std::string& path);
};

}  // namespace vantor
