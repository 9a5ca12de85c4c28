// The file-system helpers the parts need: folder listings in listing order, the
// attribute word, size, modification time and full paths, the readers' and the
// writers' safe ways to open files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantor {

inline constexpr char kPathSeparator = '/';

// The attribute word of an entry, in the classic bit values.
inline constexpr std::uint32_t kAttrReadOnly = 1;
inline constexpr std::uint32_t kAttrHidden = 2;
inline constexpr std::uint32_t kAttrDirectory = 16;
inline constexpr std::uint32_t kAttrNormal = 32;  // a regular file
inline constexpr std::uint32_t kAttrSymlink = 1024;
inline constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;

struct DirEntry {
    std::string name;
    std::uint32_t attributes = 0;
};

// Lists a folder: "." and ".." first, then the entries in the order the file system
// returns them. Returns false (and nothing) when the folder cannot be listed.
bool ListFolder(const std::string& folder, std::vector<DirEntry>& out);

// Lists the entries of a folder whose names match a pattern such as "*.JPG",
// letter case ignored, in listing order.
bool ListFolderMatching(const std::string& folder, const std::string& pattern, std::vector<DirEntry>& out);

// Case-insensitive match of '*' and '?' wildcards.
bool MatchesPattern(const std::string& name, const std::string& pattern);

// The attribute word of a path, or kInvalidAttributes when it does not exist.
std::uint32_t FileAttributes(const std::string& path);

// True when path names a regular file, links followed (a dangling link, a FIFO, a
// socket, a device or a folder is not one). Nothing is opened.
bool IsRegularFile(const std::string& path);

// Size in bytes and last modification time; false when the lookup fails.
bool FileSizeAndTime(const std::string& path, std::uint64_t& size, std::time_t& modified);

// A name resolved against the current directory, made absolute and normalised.
std::string FullPath(const std::string& name);
std::string CurrentDirectory();
bool SetCurrentDirectory(const std::string& folder);

// The tail of a path from its last separator on, the separator included
// ("/a/b.jpg" gives "/b.jpg"); the whole path when it has no separator.
std::string PathTail(const std::string& path);

// True when the last bytes of path equal ending, letter case ignored.
bool EndsWithNoCase(const std::string& path, const char* ending);

// What tells one version of a file from another: the file itself (device and
// inode), its size and its modification time to the nanosecond.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of what path names now (links followed); false when the lookup fails.
bool StampOf(const std::string& path, FileStamp& stamp);

// Opens a file for reading ("rb") if, and only if, it is a regular file. Opening
// never blocks: a FIFO, a device or a folder named like a picture is refused like
// a file that cannot be opened (nullptr). With stamp, the opened file's own stamp.
std::FILE* OpenRegularFile(const std::string& path, FileStamp* stamp = nullptr);

// A read-only stream closed when it goes out of scope.
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A file written whole or not at all. Open refuses, without opening it, a target
// that is neither a regular file (or a link to one) nor a new name: a FIFO, a
// device, a folder, a dangling link. The bytes go to an unnamed file in the folder
// of the file the target names (a new temporary file, made exclusively, where the
// file system has no unnamed files); Commit gives it its name only when every
// write, the flush and the close succeeded, and never replaces anything but the
// file the target named at Open. A file replaced is swapped for the new one whole
// (after an fsync when it had content), keeping its permissions; a link stays a
// link. Where the folder takes no new file at all but the file to replace is
// writable, the file is rewritten in place, its new size reserved before the old
// bytes are touched. Anything else, Abandon or the destructor, leaves the target
// as it was and nothing new. A temporary file standing while SIGINT, SIGTERM or
// SIGHUP ends the program is removed first; a new file has no name before it is
// whole, so not even SIGKILL leaves an empty or half file under the target's name.
// New files get 0666 less the umask.
class SafeWrite {
public:
    SafeWrite() = default;
    ~SafeWrite() { Abandon(); }
    SafeWrite(const SafeWrite&) = delete;
    SafeWrite& operator=(const SafeWrite&) = delete;

    // Makes the next Open write a new file only: Commit names it by the target when
    // that is still free, else by the names nextName gives in turn ("" when none is
    // left). Nothing at a name is ever replaced or followed, a link included.
    void NewNamesOnly(std::function<std::string()> nextName) { m_nextName = std::move(nextName); }
    // False (Error() says why) when the target is refused or nothing can be created.
    bool Open(const std::string& target);
    std::FILE* File() const { return m_file; }
    // Writes through File(), keeping the reason of a failure.
    bool Write(const void* data, std::size_t size);
    // Flushes, makes the bytes durable when they replace a file with content,
    // closes and puts the file in place. False when any of that failed.
    bool Commit();
    void Abandon();

    // The name the file was given, or was to be given.
    const std::string& Path() const { return m_path; }
    // Whether the last Open succeeded, and the errno of the step that failed.
    bool Created() const { return m_created; }
    int Error() const { return m_error; }

private:
    enum class Kind { None, Unnamed, Temporary, InPlace };
    bool Fail(int error);
    bool OpenInPlace(const FileStamp& target);
    bool CommitInPlace();
    bool NameUnnamed();
    bool NameTemporary();
    // After the name in m_path was found taken (errno EEXIST): the next free one,
    // when new names will do.
    bool TakeNextName(int attempt);

    std::function<std::string()> m_nextName;
    Kind m_kind = Kind::None;
    std::FILE* m_file = nullptr;
    std::string m_path;
    std::string m_destination;  // the file replaced or created, links resolved
    std::string m_temporary;
    int m_tracked = -1;  // the temporary's slot among the names a signal removes
    int m_inPlace = -1;  // the file rewritten in place
    std::uint64_t m_oldSize = 0;
    char* m_memory = nullptr;  // what is to be written in place
    std::size_t m_memorySize = 0;
    bool m_replaces = false;
    bool m_sync = false;
    bool m_created = false;
    int m_error = 0;
};

}  // namespace vantor
