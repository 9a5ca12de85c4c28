// The batch write's output folder as the file system sees it.
#pragma once

#include <string>

namespace vantor {

// True when folder is the root "/" under any name ("//", "/tmp/..", a link to it):
// the same device and inode.
bool IsRootFolder(const std::string& folder);

// Why nothing can be written into folder (it does not exist, is no folder, or may
// not be written to), in plain words; empty when it can.
std::string OutputFolderProblem(const std::string& folder);

}  // namespace vantor
