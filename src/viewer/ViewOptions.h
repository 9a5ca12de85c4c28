// What the command line sets on the view, whichever way the program runs: the
// window, a script (--script) or the batch write (--write). The command line's
// table fills it; each front end hands it to ApplyOptions on its fresh view.
#pragma once

#include <cstdint>
#include <optional>

namespace vantor {

class CVantorView;

struct ViewOptions {
    std::optional<std::uint32_t> speed;  // --speed N
    bool fullScreen = false;             // --fullscreen
    bool fitWindow = false;              // --fit-window
    bool autoRotate = false;             // --auto-rotate
};

// Sets the options on a view before it shows anything. The window's modes go
// through their commands, so the window follows them.
void ApplyOptions(CVantorView& view, const ViewOptions& options);

}  // namespace vantor
