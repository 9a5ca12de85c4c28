#include <sys/mman.h>

#include <cstring>

#include "imaging/ExifOrientation.h"
#include "imaging/JpegFile.h"
#include "imaging/JpegInternal.h"
#include "platform/Ui.h"

namespace vantor {

namespace {

constexpr std::size_t kLastPathArea = 14000;
// Each thread's own: the batch write's workers decode side by side.
thread_local std::string g_lastJpegPath;

// Progressive files may carry thousands of tiny scans, each costing a full pass;
// more than this many is refused as a fatal error instead of spinning for minutes.
constexpr int kMaxScans = 500;
constexpr int kTooManyScansCode = 1001;
const char* const kAddonMessages[] = {"", "Too many scans in a progressive JPEG (more than %d)", nullptr};

jpeg::ErrorTrap* TrapOf(j_common_ptr cinfo) { return reinterpret_cast<jpeg::ErrorTrap*>(cinfo->err); }

extern "C" void OnJpegFatal(j_common_ptr cinfo) {
    jpeg::ErrorTrap* trap = TrapOf(cinfo);
    if (trap->words != nullptr) {
        (*cinfo->err->format_message)(cinfo, trap->words->fatal);
    } else {
        char text[JMSG_LENGTH_MAX];
        (*cinfo->err->format_message)(cinfo, text);
        jpeg::ShowFatal(text);
    }
    std::longjmp(trap->jump, 1);
}

extern "C" void OnJpegMessage(j_common_ptr cinfo) {
    jpeg::LibraryWords* words = TrapOf(cinfo)->words;
    if (words != nullptr) {
        if (words->warnings++ == 0) (*cinfo->err->format_message)(cinfo, words->warning);
        return;
    }
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    TheUi().MessageBox(text, "JPEG Error", MsgButtons::OK, MsgIcon::None);
    TheUi().MessageBox(g_lastJpegPath, "JPEG Error", MsgButtons::OK, MsgIcon::None);
}

extern "C" void OnJpegProgress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    const auto* progress = reinterpret_cast<const jpeg::Progress*>(cinfo->progress);
    if (progress->cancel != nullptr && progress->cancel->load(std::memory_order_relaxed)) {
        TrapOf(cinfo)->cancelled = 1;
        (*cinfo->err->error_exit)(cinfo);
    }
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
        cinfo->err->msg_code = kTooManyScansCode;
        cinfo->err->msg_parm.i[0] = kMaxScans;
        (*cinfo->err->error_exit)(cinfo);
    }
}

}  // namespace

const std::string& LastJpegPath() { return g_lastJpegPath; }

void NoteJpegPath(const std::string& path) { jpeg::SetLastJpegPath(path); }

namespace jpeg {

void SetLastJpegPath(const std::string& path) { g_lastJpegPath = path.substr(0, kLastPathArea - 1); }

// Kept out of OnJpegFatal so that no string lives in the frame that longjmps.
void ShowFatal(const char* text) { TheUi().MessageBox(text, "JPEG Fatal Error", MsgButtons::OK, MsgIcon::Error); }

void InstallErrorTrap(ErrorTrap& trap, LibraryWords* words) {
    jpeg_std_error(&trap.mgr);
    trap.words = words;
    if (words != nullptr) *words = LibraryWords{};
    trap.cancelled = 0;
    trap.mgr.error_exit = OnJpegFatal;
    trap.mgr.output_message = OnJpegMessage;
    trap.mgr.addon_message_table = kAddonMessages;
    trap.mgr.first_addon_message = kTooManyScansCode - 1;
    trap.mgr.last_addon_message = kTooManyScansCode;
}

void InstallProgress(jpeg_decompress_struct& cinfo, Progress& progress, const std::atomic<bool>* cancel) {
    progress.mgr.progress_monitor = OnJpegProgress;
    progress.cancel = cancel;
    cinfo.progress = &progress.mgr;
}

void SetScaleAndOrder(jpeg_decompress_struct& cinfo, unsigned eighths, bool display) {
    if (eighths >= 1 && eighths < 8) {
        cinfo.scale_num = eighths;
        cinfo.scale_denom = 8;
    }
    if (display && cinfo.out_color_space == JCS_RGB) cinfo.out_color_space = JCS_EXT_BGR;
}

void KeepExifSegments(jpeg_decompress_struct& cinfo, const DecodeJob* job) {
    if (job->readOrientation) jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
}

int ReadOrientation(const jpeg_decompress_struct& cinfo, const DecodeJob* job) {
    if (!job->readOrientation) return kOrientationUpright;
    // The first Exif block decides; other APP1 segments (XMP) say nothing of it.
    static const char kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= sizeof kExif &&
            std::memcmp(m->data, kExif, sizeof kExif) == 0)
            return ExifOrientation(m->data, m->data_length);
    }
    return kOrientationUpright;
}

unsigned ChooseScale(const jpeg_decompress_struct& cinfo, const DecodeJob* job, int orientation) {
    if (job->choose == nullptr) return 8;
    // A quarter turn exchanges the sides; a reduction shrinks both alike.
    const bool across = orientation >= 5 && orientation <= 8;
    return job->choose(across ? cinfo.image_height : cinfo.image_width, across ? cinfo.image_width : cinfo.image_height,
                       job->context);
}

void PreferHugePages(std::uint8_t* start, std::size_t size) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHuge = 2u << 20;
    const auto begin = (reinterpret_cast<std::uintptr_t>(start) + kHuge - 1) & ~(kHuge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(start) + size) & ~(kHuge - 1);
    // NOLINTNEXTLINE(performance-no-int-to-ptr): an address rounded to a page boundary
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)start, (void)size;
#endif
}

}  // namespace jpeg
}  // namespace vantor
