#include "viewer/ViewOptions.h"

#include "resource.h"
#include "viewer/CVantorView.h"

namespace vantor {

void ApplyOptions(CVantorView& view, const ViewOptions& options) {
    if (options.speed) view.m_speed = *options.speed;
    if (options.autoRotate) view.m_autoRotate = true;
    // The commands toggle; a mode the kept settings turned on stays on.
    if (options.fitWindow && !view.m_fitWindow) view.OnCommand(ID_VIEW_FIT_WINDOW);
    if (options.fullScreen && !view.m_fullScreen) view.OnCommand(ID_VIEW_FULL_SCREEN);
}

}  // namespace vantor
