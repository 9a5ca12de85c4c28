#include "batch/OutputFolder.h"

#include <sys/stat.h>

namespace vantor {

bool IsRootFolder(const std::string& folder) {
    struct stat st {}, root {};
    return ::stat(folder.c_str(), &st) == 0 && ::stat("/", &root) == 0 && st.st_dev == root.st_dev &&
           st.st_ino == root.st_ino;
}

}  // namespace vantor
