// The batch write's output folder as the file system sees it.
#pragma once

#include <string>

namespace vantor {

// True when folder is the root "/" under any name ("//", "/tmp/..", a link to it):
// the same device and inode.
bool IsRootFolder(const std::string& folder);

}  // namespace vantor
