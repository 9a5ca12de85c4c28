#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

namespace vantor {

namespace {

std::uint32_t AttributesFromStat(const std::string& name, const struct stat& st, bool isLink) {
    std::uint32_t a = 0;
    if (S_ISDIR(st.st_mode))
        a |= kAttrDirectory;
    else
        a |= kAttrNormal;
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
        if (name == ".")
            out.insert(out.begin(), e);
        else if (name == "..")
            out.push_back(e);
        else
            rest.push_back(std::move(e));
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

namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of(kPathSeparator);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Hidden, and never a name the batch write's free-name search would pick.
std::string TemporaryName() {
    std::random_device random;
    char name[40];
    std::snprintf(name, sizeof name, ".vantor-%08x%08x.tmp", random(), random());
    return name;
}

}  // namespace

bool SafeWrite::Open(const std::string& target) {
    Abandon();
    m_destination = target;
    m_replaces = false;
    m_sync = false;
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) {
        if (S_ISLNK(st.st_mode)) {
            // The link stays; the file it points to is the one replaced.
            char* resolved = ::realpath(target.c_str(), nullptr);
            if (resolved == nullptr) return false;  // dangling, or a loop
            m_destination = resolved;
            std::free(resolved);
            if (::stat(m_destination.c_str(), &st) != 0) return false;
        }
        if (!S_ISREG(st.st_mode)) {
            errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
            return false;
        }
        // What an open for writing would refuse stays refused.
        if (::faccessat(AT_FDCWD, m_destination.c_str(), W_OK, AT_EACCESS) != 0) return false;
        m_replaces = true;
        // A crash must never leave an empty file where a picture was.
        m_sync = st.st_size > 0;
    } else if (errno != ENOENT) {
        return false;
    }
    const std::string folder = FolderOf(m_destination);
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        m_temporary = folder + TemporaryName();
        fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        m_temporary.clear();
        return false;
    }
    if (m_replaces) {
        // The replacement keeps the old file's owner (where that is allowed) and permissions.
        if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Another owner's file becomes this user's, as any editor's save would make it.
        }
        ::fchmod(fd, st.st_mode & 07777);
    }
    m_file = ::fdopen(fd, "wb");
    if (m_file == nullptr) {
        ::close(fd);
        Abandon();
        return false;
    }
    return true;
}

bool SafeWrite::Commit() {
    if (m_file == nullptr) return false;
    bool ok = std::fflush(m_file) == 0 && std::ferror(m_file) == 0;
    if (ok && m_sync) ok = ::fsync(::fileno(m_file)) == 0;
    ok = std::fclose(m_file) == 0 && ok;
    m_file = nullptr;
    if (ok && m_replaces) {
        ok = ::rename(m_temporary.c_str(), m_destination.c_str()) == 0;
    } else if (ok) {
        // A name that appeared meanwhile is not ours to replace.
        ok = ::renameat2(AT_FDCWD, m_temporary.c_str(), AT_FDCWD, m_destination.c_str(), RENAME_NOREPLACE) == 0;
        if (!ok && (errno == EINVAL || errno == ENOSYS))  // a file system without it
            ok = ::rename(m_temporary.c_str(), m_destination.c_str()) == 0;
    }
    if (ok)
        m_temporary.clear();
    else
        Abandon();
    return ok;
}

void SafeWrite::Abandon() {
    const int error = errno;
    if (m_file != nullptr) std::fclose(m_file);
    m_file = nullptr;
    if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
    m_temporary.clear();
    errno = error;
}

}  // namespace vantor
