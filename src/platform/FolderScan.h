// Fast folder listings for the folder walks: names in byte order with the entry's
// kind from the listing itself (no lookup per entry), a stamp that tells whether a
// folder changed since it was listed, the kernel's pseudo file systems (never
// entered), and the machine's volume roots.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace vantor {

enum class EntryKind : std::uint8_t { Directory, File, Link, Other };

struct ScanEntry {
    std::string name;
    EntryKind kind = EntryKind::Other;
};

// Identity and change times of a listed folder: equal stamps mean equal listings.
struct FolderStamp {
    std::uint64_t dev = 0;
    std::uint64_t ino = 0;
    std::int64_t mtimeSec = 0;
    std::int64_t mtimeNsec = 0;
    std::int64_t ctimeSec = 0;
    std::int64_t ctimeNsec = 0;
    bool operator==(const FolderStamp&) const = default;
};

class FolderScanner {
public:
    // Reads the mount table once, for the pseudo file systems.
    FolderScanner();

    // Lists a folder: "." and ".." first (when the file system reports them), then the
    // other names in byte order. A symbolic link given as the folder is followed only
    // with followLink. Only folders are opened, so a FIFO or device never blocks.
    // False (and nothing) when the folder cannot be listed or lies on a pseudo file
    // system. The stamp, when asked for, is taken before the names are read.
    bool List(const std::string& folder, bool followLink, std::vector<ScanEntry>& out,
              FolderStamp* stamp = nullptr) const;

    // The stamp of a folder as List would take it; false when it is not a listable folder.
    bool Stamp(const std::string& folder, bool followLink, FolderStamp& stamp) const;

    bool IsPseudoDevice(std::uint64_t dev) const { return m_pseudoDevices.count(dev) != 0; }

private:
    std::set<std::uint64_t> m_pseudoDevices;
};

// True for the kernel's virtual file systems (proc, sysfs, devtmpfs, devpts, cgroup, ...).
bool IsPseudoFileSystemType(const std::string& type);

// The mount points of the machine's real file systems, "/" first, then the others in
// byte order; each ends with the separator.
std::vector<std::string> VolumeRoots();

}  // namespace vantor
