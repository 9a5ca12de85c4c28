#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>

namespace vantor {

namespace {

std::uint32_t AttributesFromStat(const std::string& name, const struct stat& st, bool isLink) {
    std::uint32_t a = 0;
    if (S_ISDIR(st.st_mode)) a |= kAttrDirectory;
    else a |= kAttrNormal;
    if (!name.empty() && name[0] == '.' && name != "." && name != "..") a |= kAttrHidden;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) a |= kAttrReadOnly;
    if (isLink) a |= kAttrSymlink;
    return a;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == kPathSeparator) return folder + name;
    return folder + kPathSeparator + name;
}

std::string BaseName(const std::string& path) {
    auto pos = path.find_last_of(kPathSeparator);
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

template <typename Keep>
bool List(const std::string& folder, std::vector<DirEntry>& out, Keep keep) {
    out.clear();
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return false;
    std::vector<DirEntry> rest;
    while (dirent* d = readdir(dir)) {
        const std::string name = d->d_name;
        if (!keep(name)) continue;
        const std::string full = Join(folder, name);
        struct stat st {};
        bool isLink = d->d_type == DT_LNK;
        if (d->d_type == DT_UNKNOWN || isLink) {
            struct stat lst {};
            if (lstat(full.c_str(), &lst) == 0) isLink = S_ISLNK(lst.st_mode);
        }
        if (stat(full.c_str(), &st) != 0) {
            // A dangling link: listed, but as a plain entry.
            st = {};
            st.st_mode = S_IFREG | S_IWUSR;
        }
        DirEntry e{name, AttributesFromStat(name, st, isLink)};
        if (name == ".") out.insert(out.begin(), e);
        else if (name == "..") out.push_back(e);
        else rest.push_back(std::move(e));
    }
    closedir(dir);
    // "." and ".." lead, as the classic listings return them.
    if (out.size() == 2 && out[0].name == "..") std::swap(out[0], out[1]);
    out.insert(out.end(), std::make_move_iterator(rest.begin()), std::make_move_iterator(rest.end()));
    return true;
}

}  // namespace

bool ListFolder(const std::string& folder, std::vector<DirEntry>& out) {
    return List(folder, out, [](const std::string&) { return true; });
}

bool ListFolderMatching(const std::string& folder, const std::string& pattern, std::vector<DirEntry>& out) {
    return List(folder, out, [&](const std::string& name) { return MatchesPattern(name, pattern); });
}

bool MatchesPattern(const std::string& name, const std::string& pattern) {
    // Iterative wildcard match with one backtrack point for the last '*'.
    std::size_t n = 0, p = 0, star = std::string::npos, mark = 0;
    auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::uint32_t FileAttributes(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return kInvalidAttributes;
    struct stat lst {};
    const bool isLink = lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode);
    return AttributesFromStat(BaseName(path), st, isLink);
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FileSizeAndTime(const std::string& path, std::uint64_t& size, std::time_t& modified) {
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0) return false;
    size = static_cast<std::uint64_t>(st.st_size);
    modified = st.st_mtime;
    return true;
}

std::string FullPath(const std::string& name) {
    std::error_code ec;
    auto p = std::filesystem::absolute(name, ec);
    if (ec) return name;
    return p.lexically_normal().string();
}

std::string CurrentDirectory() {
    char buf[PATH_MAX];
    if (getcwd(buf, sizeof buf) == nullptr) return {};
    return buf;
}

bool SetCurrentDirectory(const std::string& folder) { return chdir(folder.c_str()) == 0; }

std::string PathTail(const std::string& path) {
    auto pos = path.find_last_of(kPathSeparator);
    return pos == std::string::npos ? path : path.substr(pos);
}

bool EndsWithNoCase(const std::string& path, const char* ending) {
    const std::size_t n = std::strlen(ending);
    if (path.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        if (std::tolower(static_cast<unsigned char>(path[path.size() - n + i])) !=
            std::tolower(static_cast<unsigned char>(ending[i])))
            return false;
    }
    return true;
}

namespace {

FileStamp StampFromStat(const struct stat& st) {
    return FileStamp{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                     static_cast<std::uint64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtim.tv_sec),
                     static_cast<std::int64_t>(st.st_mtim.tv_nsec)};
}

}  // namespace

bool StampOf(const std::string& path, FileStamp& stamp) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
    stamp = StampFromStat(st);
    return true;
}

std::FILE* OpenRegularFile(const std::string& path, FileStamp* stamp) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return nullptr;
    }
    if (stamp != nullptr) *stamp = StampFromStat(st);
    // Regular files never block; reads go on as usual.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) ::close(fd);
    return file;
}

}  // namespace vantor
