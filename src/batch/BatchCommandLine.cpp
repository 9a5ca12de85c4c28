#include "batch/BatchCommandLine.h"

#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

#include "batch/ConsoleUi.h"
#include "batch/OutputFolder.h"
#include "platform/FileSystem.h"
#include "viewer/CVantorView.h"

namespace vantor {

namespace {

bool IsPicture(const std::string& name) {
    const PictureKind kind = PictureKindOf(name);
    return kind == PictureKind::Jpeg || kind == PictureKind::Bmp;
}

// A folder's pictures by name, as the window's command line takes them.
void AddFolder(const std::string& folder, std::vector<std::string>& out) {
    std::vector<DirEntry> entries;
    if (!ListFolder(folder, entries)) return;
    std::vector<std::string> names;
    for (const auto& e : entries) {
        if ((e.attributes & kAttrDirectory) == 0 && IsPicture(e.name)) names.push_back(e.name);
    }
    std::sort(names.begin(), names.end());
    const std::string base = folder.empty() || folder.back() == kPathSeparator ? folder : folder + kPathSeparator;
    for (const auto& n : names) out.push_back(base + n);
}

}  // namespace

int RunBatchWrite(const CommandLineOptions& options, std::ostream& out, std::ostream& err) {
    const WriteOptions& w = options.write;
    std::string folder = FullPath(w.outFolder);
    if (folder.empty() || folder.back() != kPathSeparator) folder += kPathSeparator;
    // A folder that cannot take the files is one message before any work.
    const std::string problem =
        IsRootFolder(folder) ? "the output folder cannot be the root folder" : OutputFolderProblem(folder);
    if (!problem.empty()) {
        err << ConsoleLine(w.outFolder, problem) << "\n";
        return 2;
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
    for (const auto& arg : options.paths) {
        const std::uint32_t attributes = FileAttributes(arg);
        if (attributes == kInvalidAttributes) {
            struct stat st {};
            ui.Fail(arg, std::strerror(::lstat(arg.c_str(), &st) != 0 ? errno : ENOENT));
        } else if (attributes & kAttrDirectory) {
            AddFolder(FullPath(arg), pictures);
        } else {
            pictures.push_back(FullPath(arg));
        }
    }
    if (pictures.size() > kSlideCapacity) {
        ui.Report("more than 10000 pictures: only the first 10000 are written");
        pictures.resize(kSlideCapacity);
    }
    for (std::uint32_t i = 0; i < pictures.size(); ++i) view->StoreSlide(i, pictures[i]);
    view->m_slideCount = static_cast<std::uint32_t>(pictures.size());

    view->m_maxWidth = w.frameWidth;
    view->m_maxHeight = w.frameHeight;
    view->m_outScaleMode = w.scaleMode;
    view->m_outBackColor = w.backColor;
    view->m_jpegQualityIndex = w.qualityIndex;
    view->m_outFileType = w.fileType;
    view->m_autoRotate = options.autoRotate;
    view->m_speed = 0;  // as fast as the loop goes
    view->m_outFolder = folder;
    view->m_tempBmpPath = folder + "MFC_DUMMY.BMP";
    view->m_writeSourcePath = "at First";
    view->m_jumpTarget = w.start;
    view->m_writeMode = 1;
    ui.progress = [&view](std::uint32_t& done, std::uint32_t& total) {
        done = view->m_slideNo;
        total = view->m_slideCount;
    };
    view->StartWriteRun();
    ui.EndProgress();
    out.flush();
    // A warning about a picture that was written does not count.
    return ui.Failures() == 0 ? 0 : 1;
}

}  // namespace vantor
