// The automatic searches: a breadth-first folder walk that fills the slide list with
// every JPEG (or BMP) file it finds, and the prompts that start it.
#pragma once

#include <cstdint>
#include <string>

namespace vantor {

class CVantorView;

enum class SearchMode {
    Auto,    // the chosen folder and everything below it
    Select,  // the chosen folder, keeping only the first-level folders picked in a list
    Remove,  // the chosen folder, leaving out the first-level folders picked in a list
    Drive,   // a whole volume, with the same list as Remove
};

// The directory list's limit: a walk that fills it ends there, or goes on when the
// user says so at the box that names this number.
inline constexpr std::uint32_t kDirLimit = 150000;

// Runs one search command from its first prompt to its last box. The commands use
// kDirLimit; a test may pass a smaller limit so it needs no tree of that size.
void RunSearch(CVantorView& view, SearchMode mode, std::uint32_t dirLimit = kDirLimit);

// The prompts; each leaves m_searchStop at 0 when the user confirmed.
void SearchTypePrompt(CVantorView& view);
void SearchFolderChoice(CVantorView& view);
// The volume root the user picked (Cancel picks the "F:" row), with its trailing separator.
std::string SearchDriveChoice();

}  // namespace vantor
