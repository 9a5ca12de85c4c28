// The window's own additions to the view's settings, kept between its runs in the
// user's configuration folder: one "name=0|1" line each. The settings of the show
// and the write start fresh every run; the script and the write never read these.
#pragma once

#include <string>

namespace vantor {

class CVantorView;

// $XDG_CONFIG_HOME/vantor/settings, or ~/.config/vantor/settings when that is not
// an absolute path; empty when neither tells where the user's configuration is.
std::string KeptSettingsPath();

// Sets the kept settings on a view before it shows anything; a missing file, an
// unknown line or a wrong value leaves the setting as it is.
void ReadKeptSettings(CVantorView& view, const std::string& path);
// Writes them (through a new file renamed over the old one, so a failed write
// leaves the last one whole); false when the file could not be written.
bool WriteKeptSettings(const CVantorView& view, const std::string& path);

}  // namespace vantor
