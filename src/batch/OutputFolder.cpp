#include "batch/OutputFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vantor {

bool IsRootFolder(const std::string& folder) {
    struct stat st {
    }, root{};
    return ::stat(folder.c_str(), &st) == 0 && ::stat("/", &root) == 0 && st.st_dev == root.st_dev &&
           st.st_ino == root.st_ino;
}

std::string OutputFolderProblem(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        if (errno == ENOENT) return "the output folder does not exist";
        if (errno == ENOTDIR) return "the output folder is not a folder";  // "file/" names no folder
        return std::string("the output folder cannot be used: ") + std::strerror(errno);
    }
    if (!S_ISDIR(st.st_mode)) return "the output folder is not a folder";
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return std::string("cannot write into the output folder: ") + std::strerror(errno);
    return {};
}

}  // namespace vantor
