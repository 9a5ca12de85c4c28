#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <mutex>
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

// A free name is asked for again at most this often before a write gives up.
constexpr int kNameAttempts = 10000;

// The names of the files that writes have in flight under a name of their own (a
// temporary file, or a replacement's hidden name for a moment): removed by a
// signal that ends the program. The handler only reads the slots and unlinks, so
// each slot holds its path in place and says by an atomic state when it does.
struct InFlight {
    std::atomic<int> state{0};  // 0 free, 1 being filled, 2 holds a path
    char path[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free);
InFlight g_inFlight[16];

extern "C" void RemoveInFlightAndEnd(int signal) {
    const int savedErrno = errno;  // the interrupted code may still read it before the signal ends it
    for (InFlight& slot : g_inFlight) {
        if (slot.state.load() == 2) ::unlink(slot.path);
    }
    // The signal's own ending, once the handler returns: the status the caller expects.
    struct sigaction ending {};
    ending.sa_handler = SIG_DFL;
    ::sigaction(signal, &ending, nullptr);
    ::raise(signal);
    errno = savedErrno;
}

void CleanUpOnSignals() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction old {};
            // A signal ignored (a run under nohup) or handled by someone else stays so.
            if (::sigaction(signal, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) != 0 ||
                old.sa_handler != SIG_DFL)
                continue;
            struct sigaction cleanup {};
            cleanup.sa_handler = RemoveInFlightAndEnd;
            sigfillset(&cleanup.sa_mask);
            ::sigaction(signal, &cleanup, nullptr);
        }
    });
}

// Tracked before the name exists, so that no moment leaves it behind; -1 when no
// slot is free (the write goes on, unguarded).
int Track(const std::string& path) {
    CleanUpOnSignals();
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < static_cast<int>(std::size(g_inFlight)); ++i) {
        int expected = 0;
        if (!g_inFlight[i].state.compare_exchange_strong(expected, 1)) continue;
        std::memcpy(g_inFlight[i].path, path.c_str(), path.size() + 1);
        g_inFlight[i].state.store(2);
        return i;
    }
    return -1;
}

void Untrack(int& slot) {
    if (slot >= 0) g_inFlight[slot].state.store(0);
    slot = -1;
}

// Names an unnamed file (O_TMPFILE) through its descriptor; never replaces, never
// follows a link at the name.
int LinkDescriptor(int fd, const std::string& name) {
    char self[32];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    return ::linkat(AT_FDCWD, self, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
}

// Unnamed files are named through /proc; without it they could not be named.
bool CanNameUnnamedFiles() {
    static const bool can = ::access("/proc/self/fd", X_OK) == 0;
    return can;
}

// Makes something under a new hidden name in folder (make gives -1 and errno on
// failure), tracked from before the name exists; -1 when nothing could be made.
template <typename Make>
int UnderHiddenName(const std::string& folder, std::string& name, int& slot, Make make) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + TemporaryName();
        slot = Track(name);
        const int made = make(name);
        if (made >= 0) return made;
        const int error = errno;
        Untrack(slot);
        name.clear();
        errno = error;
        if (error != EEXIST) break;
    }
    return -1;
}

// Renames without ever replacing: false with EEXIST when to is taken.
bool RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system that cannot rename so: a link never replaces either.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
}

}  // namespace

bool SafeWrite::Fail(int error) {
    m_error = error;
    Abandon();
    return false;
}

bool SafeWrite::Open(const std::string& target) {
    Abandon();
    m_path = m_destination = target;
    m_replaces = m_sync = m_created = false;
    m_error = 0;
    FileStamp old;
    struct stat st {};
    if (m_nextName) {
        // A new name only: what is at it is never looked at, let alone followed.
    } else if (::lstat(target.c_str(), &st) == 0) {
        if (S_ISLNK(st.st_mode)) {
            // The link stays; the file it points to is the one replaced.
            char* resolved = ::realpath(target.c_str(), nullptr);
            if (resolved == nullptr) return Fail(errno);  // dangling, or a loop
            m_destination = resolved;
            std::free(resolved);
            if (::stat(m_destination.c_str(), &st) != 0) return Fail(errno);
        }
        if (!S_ISREG(st.st_mode)) return Fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        // What an open for writing would refuse stays refused.
        if (::faccessat(AT_FDCWD, m_destination.c_str(), W_OK, AT_EACCESS) != 0) return Fail(errno);
        m_replaces = true;
        old = StampFromStat(st);
        // A crash must never leave an empty file where a picture was.
        m_sync = st.st_size > 0;
    } else if (errno != ENOENT) {
        return Fail(errno);
    }

    const std::string folder = FolderOf(m_destination);
    int fd = -1;
    errno = EOPNOTSUPP;
    if (CanNameUnnamedFiles())
        fd = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    m_kind = Kind::Unnamed;
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) {  // a file system without unnamed files
        fd = UnderHiddenName(folder, m_temporary, m_tracked, [](const std::string& name) {
            return ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        });
        m_kind = Kind::Temporary;
    }
    if (fd < 0 && (errno == EACCES || errno == EPERM) && m_replaces) return OpenInPlace(old);
    if (fd < 0) return Fail(errno);
    if (m_replaces) {
        // The replacement keeps the old file's owner (where that is allowed) and permissions.
        if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Another owner's file becomes this user's, as any editor's save would make it.
        }
        ::fchmod(fd, st.st_mode & 07777);
    }
    m_file = ::fdopen(fd, "wb");
    if (m_file == nullptr) {
        const int error = errno;
        ::close(fd);
        return Fail(error);
    }
    m_created = true;
    return true;
}

// The folder takes no new file: the old file is rewritten, as editors do. The bytes
// collect in memory until Commit, so nothing of the old file changes before then.
bool SafeWrite::OpenInPlace(const FileStamp& target) {
    m_kind = Kind::InPlace;
    m_inPlace = ::open(m_destination.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (m_inPlace < 0) return Fail(errno);
    struct stat st {};
    if (::fstat(m_inPlace, &st) != 0) return Fail(errno);
    // Still the file that was checked, not one swapped in since.
    if (!S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_dev) != target.device ||
        static_cast<std::uint64_t>(st.st_ino) != target.inode)
        return Fail(EINVAL);
    m_oldSize = static_cast<std::uint64_t>(st.st_size);
    m_file = ::open_memstream(&m_memory, &m_memorySize);
    if (m_file == nullptr) return Fail(errno);
    m_created = true;
    return true;
}

bool SafeWrite::Write(const void* data, std::size_t size) {
    if (m_file == nullptr) return false;
    if (size == 0 || std::fwrite(data, 1, size, m_file) == size) return true;
    m_error = errno;
    return false;
}

bool SafeWrite::Commit() {
    if (m_file == nullptr) return false;
    if (std::fflush(m_file) != 0 || std::ferror(m_file) != 0) return Fail(m_error != 0 ? m_error : errno);
    if (m_kind == Kind::InPlace) return CommitInPlace();
    if (m_sync && ::fsync(::fileno(m_file)) != 0) return Fail(errno);
    const bool named = m_kind == Kind::Unnamed ? NameUnnamed() : NameTemporary();
    if (!named) return Fail(errno);
    Abandon();  // nothing is left to remove
    return true;
}

bool SafeWrite::TakeNextName(int attempt) {
    if (errno != EEXIST || !m_nextName || attempt == kNameAttempts) return false;
    m_path = m_nextName();
    if (!m_path.empty()) return true;
    errno = EEXIST;
    return false;
}

bool SafeWrite::NameUnnamed() {
    const int fd = ::fileno(m_file);
    struct stat own {};
    if (::fstat(fd, &own) != 0) return false;
    if (m_replaces) {
        // Named beside the old file first, then swapped for it whole; the close is
        // checked before the old file is given up.
        std::string hidden;
        int slot = -1;
        const bool linked = UnderHiddenName(FolderOf(m_destination), hidden, slot,
                                            [&](const std::string& name) { return LinkDescriptor(fd, name); }) == 0;
        int error = linked ? 0 : errno;
        const bool closed = std::fclose(m_file) == 0;
        m_file = nullptr;
        if (!closed && error == 0) error = errno;
        const bool ok = linked && closed && ::rename(hidden.c_str(), m_destination.c_str()) == 0;
        if (!ok && error == 0) error = errno;
        if (!ok && linked) ::unlink(hidden.c_str());
        Untrack(slot);
        errno = error;
        return ok;
    }
    // A name taken since it was chosen gives way to the next free one, if new names will do.
    for (int attempt = 0; LinkDescriptor(fd, m_path) != 0; ++attempt) {
        if (!TakeNextName(attempt)) return false;
    }
    const int closed = std::fclose(m_file);
    m_file = nullptr;
    if (closed == 0) return true;
    // Not whole after all: our own name goes again (unless another file took it meanwhile).
    const int error = errno;
    struct stat named {};
    if (::lstat(m_path.c_str(), &named) == 0 && named.st_dev == own.st_dev && named.st_ino == own.st_ino)
        ::unlink(m_path.c_str());
    errno = error;
    return false;
}

bool SafeWrite::NameTemporary() {
    const int closed = std::fclose(m_file);
    m_file = nullptr;
    if (closed != 0) return false;
    if (m_replaces) {
        if (::rename(m_temporary.c_str(), m_destination.c_str()) != 0) return false;
    } else {
        for (int attempt = 0; !RenameNoReplace(m_temporary, m_path); ++attempt) {
            if (!TakeNextName(attempt)) return false;
        }
    }
    m_temporary.clear();
    return true;
}

bool SafeWrite::CommitInPlace() {
    std::fclose(m_file);  // the memory stream: its bytes stay in m_memory
    m_file = nullptr;
    const int fd = m_inPlace;
    const auto size = static_cast<off_t>(m_memorySize);
    // The whole new size first: a full disk fails here, before an old byte changed.
    if (const int reserved = size > 0 ? ::posix_fallocate(fd, 0, size) : 0; reserved != 0) {
        if (::ftruncate(fd, static_cast<off_t>(m_oldSize)) != 0) {
            // Nothing more to do: the old bytes are there, at most zeros after them.
        }
        return Fail(reserved);
    }
    for (off_t done = 0; done < size;) {
        const ssize_t n = ::pwrite(fd, m_memory + done, static_cast<std::size_t>(size - done), done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail(n < 0 ? errno : EIO);
        done += n;
    }
    if (::ftruncate(fd, size) != 0 || ::fsync(fd) != 0) return Fail(errno);
    m_inPlace = -1;
    if (::close(fd) != 0) return Fail(errno);
    Abandon();
    return true;
}

void SafeWrite::Abandon() {
    const int error = errno;
    if (m_file != nullptr) std::fclose(m_file);
    m_file = nullptr;
    if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
    m_temporary.clear();
    Untrack(m_tracked);
    if (m_inPlace >= 0) ::close(m_inPlace);
    m_inPlace = -1;
    std::free(m_memory);
    m_memory = nullptr;
    m_memorySize = 0;
    m_kind = Kind::None;
    errno = error;
}

}  // namespace vantor
