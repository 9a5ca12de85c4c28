// Pictures named on the command line.
#include "viewer/CVantorView.h"

namespace vantor {

void CVantorView::OnCommandLine(const std::vector<std::string>& paths) { (void)paths; }

}  // namespace vantor
