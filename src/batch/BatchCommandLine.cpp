#include "batch/BatchCommandLine.h"

#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>

#include "batch/ConsoleUi.h"
#include "batch/OutputFolder.h"
#include "batch/ParallelWrite.h"
#include "platform/FileSystem.h"
#include "platform/PictureFormats.h"
#include "viewer/CVantorView.h"

namespace vantor {

namespace {

// The settings of the command line on a view that writes into folder.
void Configure(CVantorView& view, const WriteOptions& w, const std::string& folder) {
    view.m_output = w.output;
    view.m_speed = 0;  // as fast as the loop goes
    view.m_outFolder = folder;
    view.m_tempBmpPath = folder + "MFC_DUMMY.BMP";
    view.m_writeSourcePath = "at First";
    view.m_writeMode = 1;
}

// Hands each path of a list to take: one a line, or each ended by a NUL byte (a
// name may then hold line breaks); empty entries are skipped. The bytes are kept
// as they are. A last entry without its end byte is left in unended. False, errno
// set, when the list could not be read to its end.
bool ReadPathList(std::FILE* file, bool nul, const std::function<void(std::string&&)>& take, std::string& unended) {
    const unsigned char end = nul ? '\0' : '\n';
    char* entry = nullptr;
    std::size_t capacity = 0;
    errno = 0;
    for (ssize_t n; (n = ::getdelim(&entry, &capacity, end, file)) >= 0;) {
        std::string path(entry, static_cast<std::size_t>(n));
        if (path.back() != static_cast<char>(end)) {
            unended = std::move(path);  // only the last one can be
            continue;
        }
        path.pop_back();
        if (!path.empty()) take(std::move(path));
    }
    const int error = errno;
    const bool ok = std::ferror(file) == 0;
    std::free(entry);
    errno = error;
    return ok;
}

}  // namespace

int RunBatchWrite(const WriteOptions& w, const ViewOptions& viewOptions, const std::vector<std::string>& paths,
                  std::ostream& out, std::ostream& err) {
    std::string folder = FullPath(w.outFolder);
    if (folder.empty() || folder.back() != kPathSeparator) folder += kPathSeparator;
    // A folder that cannot take the files is one message before any work.
    const std::string problem =
        IsRootFolder(folder) ? "the output folder cannot be the root folder" : OutputFolderProblem(folder);
    if (!problem.empty()) {
        err << ConsoleLine(w.outFolder, problem) << "\n";
        return 2;
    }
    // So is a list of paths that cannot be read.
    std::FILE* list = nullptr;
    if (!w.filesFrom.empty()) {
        list = w.filesFrom == "-" ? stdin : std::fopen(w.filesFrom.c_str(), "rb");
        struct stat st {};
        if (list != nullptr && ::fstat(::fileno(list), &st) == 0 && S_ISDIR(st.st_mode)) {
            std::fclose(list);
            list = nullptr;
            errno = EISDIR;
        }
        if (list == nullptr) {
            err << ConsoleLine(w.filesFrom, std::strerror(errno)) << "\n";
            return 2;
        }
    }
    // Every slide needs buffers of the same few sizes: keep freed memory for the
    // next slide instead of mapping it afresh, which costs a page fault a page.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    const bool bar = &err == &std::cerr && ::isatty(STDERR_FILENO) == 1;
    ConsoleUi ui(out, err, bar);
    ScopedUi scope(ui);
    auto view = std::make_unique<CVantorView>();

    std::vector<std::string> pictures;
    const auto add = [&](const std::string& arg) {
        const std::uint32_t attributes = FileAttributes(arg);
        if (attributes == kInvalidAttributes) {
            // A link loop says so (ELOOP), a dangling link that its target is missing.
            struct stat st {};
            ui.Fail(arg, std::strerror(::stat(arg.c_str(), &st) != 0 ? errno : ENOENT));
        } else if (attributes & kAttrDirectory) {
            // A folder's pictures by name, as the window's command line takes them.
            const auto found = PicturesIn(FullPath(arg));
            pictures.insert(pictures.end(), found.begin(), found.end());
        } else {
            pictures.push_back(FullPath(arg));
        }
    };
    for (const auto& arg : paths) add(arg);
    if (list != nullptr) {
        std::string unended;
        const bool read = ReadPathList(
            list, w.nullSeparated, [&](std::string&& path) { add(path); }, unended);
        const int error = errno;
        if (list != stdin) std::fclose(list);
        if (!read) {
            err << ConsoleLine(w.filesFrom, std::strerror(error)) << "\n";
            return 2;
        }
        // Whatever writes a NUL-separated list ends every name with a NUL: a last
        // name without one was cut short when its writer stopped, and may name
        // another file or a whole folder. A list of lines often lacks its last line end.
        if (w.nullSeparated && !unended.empty())
            ui.Fail(unended, "the list ended without a NUL after this name, so it may be cut short: not written");
        else if (!unended.empty())
            add(unended);
    }

    const auto configure = [&](CVantorView& v) {
        ApplyOptions(v, viewOptions);
        Configure(v, w, folder);
    };
    configure(*view);
    // The slide list holds 10000 pictures: a longer list is written in parts of
    // that size, one after the other, the start number counting from the first.
    const std::size_t count = pictures.size();
    const std::size_t first = std::min<std::size_t>(std::max<std::uint32_t>(w.start, 1), count);
    std::size_t offset = 0;
    ui.progress = [&](std::uint32_t& done, std::uint32_t& total) {
        done = static_cast<std::uint32_t>(std::min<std::size_t>(offset + view->m_slideNo, UINT32_MAX));
        total = static_cast<std::uint32_t>(std::min<std::size_t>(count, UINT32_MAX));
    };
    for (offset = first == 0 ? 0 : (first - 1) / kSlideCapacity * kSlideCapacity; offset < count;
         offset += kSlideCapacity) {
        const auto part = static_cast<std::uint32_t>(std::min<std::size_t>(count - offset, kSlideCapacity));
        const auto startNo = static_cast<std::uint32_t>(first > offset ? first - offset : 1);
        if (w.jobs > 1) {
            RunParallelWrite(*view, ui, pictures, offset, part, startNo, w.jobs, configure);
            continue;
        }
        for (std::uint32_t i = 0; i < part; ++i) view->m_slides.Store(i, pictures[offset + i]);
        view->m_slides.m_slideCount = part;
        view->m_jumpTarget = startNo;
        view->m_writeMode = 1;
        view->StartWriteRun();
    }
    ui.EndProgress();
    ui.FlushOutput();
    // Standard output is the record of what was written: without it a reader of
    // the list misses files, whatever else went right.
    if (ui.OutputLost()) return 3;
    // A warning about a picture that was written does not count.
    return ui.Failures() == 0 ? 0 : 1;
}

}  // namespace vantor
