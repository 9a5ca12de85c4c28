#include "platform/FolderScan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace vantor {

namespace {

// Magic numbers of the virtual file systems, for when the mount table cannot be read.
constexpr long kProcMagic = 0x9fa0;
constexpr long kSysfsMagic = 0x62656572;
constexpr long kDevptsMagic = 0x1cd1;
constexpr long kCgroupMagic = 0x27e0eb;
constexpr long kCgroup2Magic = 0x63677270;
constexpr long kDebugfsMagic = 0x64626720;
constexpr long kTracefsMagic = 0x74726163;
constexpr long kSecurityfsMagic = 0x73636673;

bool PseudoMagic(long type) {
    switch (type) {
        case kProcMagic:
        case kSysfsMagic:
        case kDevptsMagic:
        case kCgroupMagic:
        case kCgroup2Magic:
        case kDebugfsMagic:
        case kTracefsMagic:
        case kSecurityfsMagic: return true;
        default: return false;
    }
}

// A mount-table field with its octal escapes (\040 for a blank) decoded.
std::string Unescape(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

struct Mount {
    std::uint64_t dev = 0;
    std::string point;
    std::string type;
};

std::vector<Mount> ReadMounts() {
    std::vector<Mount> mounts;
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, majmin, root, point, field;
        if (!(fields >> id >> parent >> majmin >> root >> point)) continue;
        // Optional fields run up to a lone "-"; the file system type follows it.
        while (fields >> field && field != "-") {
        }
        std::string type;
        if (!(fields >> type)) continue;
        const auto colon = majmin.find(':');
        if (colon == std::string::npos) continue;
        Mount m;
        m.dev = makedev(std::stoul(majmin.substr(0, colon)), std::stoul(majmin.substr(colon + 1)));
        m.point = Unescape(point);
        m.type = type;
        mounts.push_back(std::move(m));
    }
    return mounts;
}

FolderStamp StampOf(const struct stat& st) {
    FolderStamp s;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.mtimeSec = st.st_mtim.tv_sec;
    s.mtimeNsec = st.st_mtim.tv_nsec;
    s.ctimeSec = st.st_ctim.tv_sec;
    s.ctimeNsec = st.st_ctim.tv_nsec;
    return s;
}

EntryKind KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return EntryKind::Directory;
    if (S_ISREG(mode)) return EntryKind::File;
    if (S_ISLNK(mode)) return EntryKind::Link;
    return EntryKind::Other;
}

}  // namespace

bool IsPseudoFileSystemType(const std::string& type) {
    static const std::set<std::string> kTypes = {
        "proc",       "sysfs",    "devtmpfs",  "devpts",     "cgroup",  "cgroup2", "debugfs",     "tracefs",
        "securityfs", "pstore",   "bpf",       "configfs",   "fusectl", "mqueue",  "binfmt_misc", "hugetlbfs",
        "autofs",     "efivarfs", "selinuxfs", "rpc_pipefs", "nsfs",    "nfsd",    "resctrl",
    };
    return kTypes.count(type) != 0;
}

FolderScanner::FolderScanner() {
    for (const Mount& m : ReadMounts()) {
        if (IsPseudoFileSystemType(m.type)) m_pseudoDevices.insert(m.dev);
    }
}

bool FolderScanner::List(const std::string& folder, bool followLink, std::vector<ScanEntry>& out,
                         FolderStamp* stamp) const {
    out.clear();
    int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;
    if (!followLink) flags |= O_NOFOLLOW;
    const int fd = open(folder.empty() ? "." : folder.c_str(), flags);
    if (fd < 0) return false;
    struct stat st {};
    struct statfs sfs {};
    if (fstat(fd, &st) != 0 || IsPseudoDevice(st.st_dev) ||
        (fstatfs(fd, &sfs) == 0 && PseudoMagic(static_cast<long>(sfs.f_type)))) {
        close(fd);
        return false;
    }
    if (stamp != nullptr) *stamp = StampOf(st);
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) {
        close(fd);
        return false;
    }
    bool dot = false, dotdot = false;
    while (dirent* d = readdir(dir)) {
        const char* n = d->d_name;
        if (n[0] == '.' && n[1] == '\0') {
            dot = true;
            continue;
        }
        if (n[0] == '.' && n[1] == '.' && n[2] == '\0') {
            dotdot = true;
            continue;
        }
        ScanEntry e;
        e.name = n;
        switch (d->d_type) {
            case DT_DIR: e.kind = EntryKind::Directory; break;
            case DT_REG: e.kind = EntryKind::File; break;
            case DT_LNK: e.kind = EntryKind::Link; break;
            case DT_UNKNOWN: {
                struct stat est {};
                e.kind =
                    fstatat(dirfd(dir), n, &est, AT_SYMLINK_NOFOLLOW) == 0 ? KindOf(est.st_mode) : EntryKind::Other;
                break;
            }
            default: e.kind = EntryKind::Other; break;
        }
        out.push_back(std::move(e));
    }
    closedir(dir);
    std::sort(out.begin(), out.end(), [](const ScanEntry& a, const ScanEntry& b) { return a.name < b.name; });
    // "." and ".." lead, as the classic listings return them.
    std::vector<ScanEntry> dots;
    if (dot) dots.push_back({".", EntryKind::Directory});
    if (dotdot) dots.push_back({"..", EntryKind::Directory});
    if (!dots.empty()) out.insert(out.begin(), dots.begin(), dots.end());
    return true;
}

bool FolderScanner::Stamp(const std::string& folder, bool followLink, FolderStamp& stamp) const {
    struct stat st {};
    const int rc = followLink ? stat(folder.c_str(), &st) : lstat(folder.c_str(), &st);
    if (rc != 0 || !S_ISDIR(st.st_mode) || IsPseudoDevice(st.st_dev)) return false;
    stamp = StampOf(st);
    return true;
}

std::vector<std::string> VolumeRoots() {
    std::vector<std::string> roots{"/"};
    std::set<std::uint64_t> seen;
    std::vector<std::string> others;
    for (const Mount& m : ReadMounts()) {
        // Memory-backed and image file systems hold no user's pictures worth a drive row.
        if (IsPseudoFileSystemType(m.type) || m.type == "tmpfs" || m.type == "ramfs" || m.type == "squashfs" ||
            m.type == "overlay")
            continue;
        if (m.point == "/" || m.point.empty()) continue;
        struct stat st {};
        if (stat(m.point.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
        if (!seen.insert(m.dev).second) continue;
        others.push_back(m.point.back() == '/' ? m.point : m.point + "/");
    }
    std::sort(others.begin(), others.end());
    others.erase(std::unique(others.begin(), others.end()), others.end());
    roots.insert(roots.end(), others.begin(), others.end());
    return roots;
}

}  // namespace vantor
