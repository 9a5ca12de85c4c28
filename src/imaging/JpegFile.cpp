#include "imaging/JpegFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <jerror.h>

#include "platform/FileSystem.h"
#include "platform/Ui.h"

// How fatal library errors come back: libjpeg reports them through error_exit,
// which must not return, so OnJpegFatal longjmps to a setjmp in the caller.
// A longjmp that skips a C++ destructor is undefined, so every function between
// the setjmp and the library (Decode and Encode below, and OnJpegFatal itself)
// holds only plain data and raw pointers: buffers are allocated and released
// through raw pointers there, and the public wrappers, which own strings and
// show most of the message boxes, run entirely outside the jump region.
// Values changed after setjmp and read after the jump are volatile.

namespace vantor {
namespace {

constexpr std::size_t kLastPathArea = 14000;
// A file larger than this is never read whole for a decode in two bands.
constexpr std::uint64_t kMaxSplitFileBytes = 256u << 20;
// Fewer bytes than a quarter of the pixels: a small photo, or one too plain for
// its decode to be worth a second thread.
constexpr std::uint64_t kMinPixelsPerByte = 4;
std::string g_lastJpegPath;

// Progressive files may carry thousands of tiny scans, each costing a full pass;
// more than this many is refused as a fatal error instead of spinning for minutes.
constexpr int kMaxScans = 500;
constexpr int kTooManyScansCode = 1001;
const char* const kAddonMessages[] = {"", "Too many scans in a progressive JPEG (more than %d)", nullptr};

struct JpegErrorTrap {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    int messages;  // warnings seen by a quiet decode
};

void SetLastJpegPath(const std::string& path) {
    g_lastJpegPath = path.substr(0, kLastPathArea - 1);
}

std::string FormatPath(const char* format, const std::string& path) {
    const int n = std::snprintf(nullptr, 0, format, path.c_str());
    std::string text(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    std::snprintf(text.data(), text.size() + 1, format, path.c_str());
    return text;
}

// Kept out of OnJpegFatal so that no string lives in the frame that longjmps.
void ShowFatal(const char* text) {
    TheUi().MessageBox(text, "JPEG Fatal Error", MsgButtons::OK, MsgIcon::Error);
}

extern "C" void OnJpegFatal(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    ShowFatal(text);
    std::longjmp(reinterpret_cast<JpegErrorTrap*>(cinfo->err)->jump, 1);
}

extern "C" void OnJpegMessage(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    TheUi().MessageBox(text, "JPEG Error", MsgButtons::OK, MsgIcon::None);
    TheUi().MessageBox(g_lastJpegPath, "JPEG Error", MsgButtons::OK, MsgIcon::None);
}

// The progress monitor also carries the request to give up of a quiet decode
// that is no longer wanted: it is called between rows and between scans.
struct DecodeProgress {
    jpeg_progress_mgr mgr;
    const std::atomic<bool>* cancel;
};

extern "C" void LimitScans(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    const auto* progress = reinterpret_cast<const DecodeProgress*>(cinfo->progress);
    if (progress->cancel != nullptr && progress->cancel->load(std::memory_order_relaxed)) {
        (*cinfo->err->error_exit)(cinfo);
    }
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
        cinfo->err->msg_code = kTooManyScansCode;
        cinfo->err->msg_parm.i[0] = kMaxScans;
        (*cinfo->err->error_exit)(cinfo);
    }
}

// A quiet decode (off the user-interface thread) shows nothing: a fatal error only
// jumps back, a warning is only counted.
extern "C" void OnJpegFatalQuiet(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegErrorTrap*>(cinfo->err)->jump, 1);
}

extern "C" void OnJpegMessageQuiet(j_common_ptr cinfo) { ++reinterpret_cast<JpegErrorTrap*>(cinfo->err)->messages; }

void InstallErrorTrap(JpegErrorTrap& trap, bool quiet = false) {
    jpeg_std_error(&trap.mgr);
    trap.messages = 0;
    trap.mgr.error_exit = quiet ? OnJpegFatalQuiet : OnJpegFatal;
    trap.mgr.output_message = quiet ? OnJpegMessageQuiet : OnJpegMessage;
    trap.mgr.addon_message_table = kAddonMessages;
    trap.mgr.first_addon_message = kTooManyScansCode - 1;
    trap.mgr.last_addon_message = kTooManyScansCode;
}

enum class Outcome { Ok, Fatal, NoMemory };

// A picture of tens of megabytes costs thousands of page faults on first touch;
// asking for huge pages where the kernel offers them on request saves most of them.
void PreferHugePages(std::uint8_t* start, std::size_t size) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHuge = 2u << 20;
    const auto begin = (reinterpret_cast<std::uintptr_t>(start) + kHuge - 1) & ~(kHuge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(start) + size) & ~(kHuge - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)start, (void)size;
#endif
}

// Four-component output (CMYK, or YCCK which the library turns into CMYK).
// Adobe writers store the inks inverted, so 255 means no ink there.
void CmykRowToRgb(const JSAMPLE* src, std::uint8_t* dst, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, src += 4, dst += 3) {
        const unsigned k = inverted ? src[3] : 255u - src[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned ink = inverted ? src[c] : 255u - src[c];
            dst[c] = static_cast<std::uint8_t>((ink * k + 127) / 255);
        }
    }
}

// Plain data only; see the note at the top.
struct DecodeResult {
    std::uint8_t* pixels;
    std::uint32_t width;
    std::uint32_t height;
};

// Asks the library for a DCT reduction (in eighths; 8 or anything outside 1..7 is
// full size) and, in display order, for blue green red: its converter writes them
// exactly as it writes red green blue, only in the other order.
void SetScaleAndOrder(jpeg_decompress_struct& cinfo, unsigned eighths, bool display) {
    if (eighths >= 1 && eighths < 8) {
        cinfo.scale_num = eighths;
        cinfo.scale_denom = 8;
    }
    if (display && cinfo.out_color_space == JCS_RGB) cinfo.out_color_space = JCS_EXT_BGR;
}

// What a decode is asked for beyond the file and the order; plain data only.
// A chooser (when given) sees the frame's own size after the header and picks the
// DCT scale, in eighths; the true size goes to trueSize[0..1]. A quiet decode
// shows nothing, fails on any warning, gives up once cancel is set and declines a
// file of several scans whose coefficients need more than maxCoefficientBytes.
using ScaleChooserFn = unsigned (*)(std::uint32_t, std::uint32_t, void*);
// A spare buffer (*spare, spareBytes long) becomes the picture when the sizes
// agree and is freed otherwise, before a new one is allocated; either way
// *spare is cleared once the decode gets that far.
struct DecodeOptions {
    ScaleChooserFn choose;
    void* context;
    std::uint32_t* trueSize;
    bool quiet;
    const std::atomic<bool>* cancel;
    std::uint64_t maxCoefficientBytes;
    std::uint8_t** spare;
    std::uint64_t spareBytes;
    const std::uint8_t* data;  // the whole file already read, in place of the FILE
    std::size_t size;
};

// The memory a decode of several scans holds for the whole picture's coefficients.
std::uint64_t CoefficientBytes(const jpeg_decompress_struct& cinfo) {
    std::uint64_t bytes = 0;
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info& comp = cinfo.comp_info[c];
        bytes += static_cast<std::uint64_t>(comp.width_in_blocks + comp.h_samp_factor) *
                 (comp.height_in_blocks + comp.v_samp_factor) * sizeof(JBLOCK);
    }
    return bytes;
}

// With headerOnly, stops after the header and reports the frame's own size. In
// display order the rows land bottom-up, blue green red, with no second pass.
Outcome Decode(std::FILE* file, DecodeResult* result, bool headerOnly, PixelOrder order,
               const DecodeOptions& options = {nullptr, nullptr, nullptr, false, nullptr, UINT64_MAX, nullptr, 0,
                                               nullptr, 0}) {
    JpegErrorTrap trap;
    jpeg_decompress_struct cinfo;
    DecodeProgress progress;
    std::uint8_t* volatile pixels = nullptr;
    const bool quiet = options.quiet;

    InstallErrorTrap(trap, quiet);
    cinfo.err = &trap.mgr;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&cinfo);
        delete[] pixels;
        return Outcome::Fatal;
    }
    jpeg_create_decompress(&cinfo);
    progress.mgr.progress_monitor = LimitScans;
    progress.cancel = options.cancel;
    cinfo.progress = &progress.mgr;
    if (options.data != nullptr) {
        jpeg_mem_src(&cinfo, options.data, static_cast<unsigned long>(options.size));
    } else {
        jpeg_stdio_src(&cinfo, file);
    }
    jpeg_read_header(&cinfo, TRUE);
    if (headerOnly) {
        result->width = cinfo.image_width;
        result->height = cinfo.image_height;
        jpeg_destroy_decompress(&cinfo);
        return Outcome::Ok;
    }
    // The size is refused before the library allocates anything for it.
    const std::uint64_t pixelCount = static_cast<std::uint64_t>(cinfo.image_width) * cinfo.image_height;
    if (pixelCount > kMaxPicturePixels) {
        jpeg_destroy_decompress(&cinfo);
        return Outcome::NoMemory;
    }
    if (jpeg_has_multiple_scans(&cinfo) && CoefficientBytes(cinfo) > options.maxCoefficientBytes) {
        jpeg_destroy_decompress(&cinfo);
        return Outcome::Fatal;
    }
    if (options.trueSize != nullptr) {
        options.trueSize[0] = cinfo.image_width;
        options.trueSize[1] = cinfo.image_height;
    }
    const bool display = order == PixelOrder::Display;
    SetScaleAndOrder(cinfo,
                     options.choose != nullptr ? options.choose(cinfo.image_width, cinfo.image_height, options.context)
                                               : 8,
                     display);
    jpeg_start_decompress(&cinfo);

    const JDIMENSION width = cinfo.output_width;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    if (options.spare != nullptr && *options.spare != nullptr) {
        if (options.spareBytes == rowBytes * cinfo.output_height) {
            pixels = *options.spare;
        } else {
            delete[] *options.spare;
        }
        *options.spare = nullptr;
    }
    // Faulting in fresh pages costs a big picture more than a tenth of its decode.
    if (pixels == nullptr) pixels = AllocRgb(width, cinfo.output_height).release();
    if (pixels == nullptr) {
        jpeg_destroy_decompress(&cinfo);
        return Outcome::NoMemory;
    }
    PreferHugePages(pixels, rowBytes * cinfo.output_height);
    result->width = width;
    result->height = cinfo.output_height;

    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                width * cinfo.output_components, 1);
    const bool adobeInverted = cinfo.saw_Adobe_marker;
    while (cinfo.output_scanline < cinfo.output_height) {
        if (options.cancel != nullptr && options.cancel->load(std::memory_order_relaxed)) {
            jpeg_destroy_decompress(&cinfo);
            delete[] pixels;
            return Outcome::Fatal;
        }
        const JDIMENSION y = display ? cinfo.output_height - 1 - cinfo.output_scanline : cinfo.output_scanline;
        std::uint8_t* dst = pixels + y * rowBytes;
        if (cinfo.out_color_components == 3) {  // red, green, blue already: straight into place
            JSAMPROW direct = dst;
            jpeg_read_scanlines(&cinfo, &direct, 1);
            continue;
        }
        jpeg_read_scanlines(&cinfo, row, 1);
        const JSAMPLE* src = row[0];
        switch (cinfo.out_color_components) {
        case 1:
            for (JDIMENSION x = 0; x < width; ++x, dst += 3) dst[0] = dst[1] = dst[2] = src[x];
            break;
        case 4:
            CmykRowToRgb(src, dst, width, adobeInverted);
            if (display) {
                for (JDIMENSION x = 0; x < width; ++x) std::swap(dst[3 * x], dst[3 * x + 2]);
            }
            break;
        default:  // two or more than four components have no RGB meaning: black, never garbage
            std::memset(dst, 0, rowBytes);
            break;
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    result->pixels = pixels;
    if (quiet && trap.messages != 0) return Outcome::Fatal;  // the caller decodes again, aloud
    return Outcome::Ok;
}

// A big single-scan picture decoded quietly is shared by two threads, by rows:
// this one decodes the upper band, a helper the lower. The helper must still read
// the upper band's entropy-coded data to reach its own (jpeg_skip_scanlines skips
// only the rest of the work), and it starts kSeamRows above its band so that the
// smoothing across the seam sees the same neighbouring rows as a single decode.
constexpr std::uint32_t kSeamRows = 64;

// What a picture's header says, read before any band is decoded.
struct BandProbe {
    unsigned eighths;  // the DCT scale chosen, in eighths (8: full size)
    std::uint32_t trueWidth, trueHeight, width, height;
    bool splittable;   // a single scan with three output components
};


// Plain data only; see the note at the top.
Outcome ProbeBands(const std::uint8_t* data, std::size_t size, ScaleChooserFn choose, void* context, BandProbe* probe) {
    JpegErrorTrap trap;
    jpeg_decompress_struct cinfo;
    InstallErrorTrap(trap, true);
    cinfo.err = &trap.mgr;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return Outcome::Fatal;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    probe->trueWidth = cinfo.image_width;
    probe->trueHeight = cinfo.image_height;
    probe->eighths = 8;
    if (static_cast<std::uint64_t>(cinfo.image_width) * cinfo.image_height <= kMaxPicturePixels && choose != nullptr)
        probe->eighths = choose(cinfo.image_width, cinfo.image_height, context);
    SetScaleAndOrder(cinfo, probe->eighths, true);
    jpeg_calc_output_dimensions(&cinfo);
    probe->width = cinfo.output_width;
    probe->height = cinfo.output_height;
    probe->splittable = !jpeg_has_multiple_scans(&cinfo) && cinfo.out_color_components == 3 &&
                        static_cast<std::uint64_t>(cinfo.image_width) * cinfo.image_height <= kMaxPicturePixels;
    jpeg_destroy_decompress(&cinfo);
    return trap.messages == 0 ? Outcome::Ok : Outcome::Fatal;
}

// Decodes output rows [firstRow, endRow) of a single-scan picture quietly and
// stores those from keepFrom on, bottom-up, into pixels (probe's size). The band
// that ends at the bottom reads the file to its end, so every warning in it is
// seen. Gives up when cancel or stop is set. Plain data only.
Outcome DecodeBand(const std::uint8_t* data, std::size_t size, const BandProbe* probe, std::uint8_t* pixels,
                   std::uint32_t firstRow, std::uint32_t keepFrom, std::uint32_t endRow,
                   const std::atomic<bool>* cancel, const std::atomic<bool>* stop) {
    JpegErrorTrap trap;
    jpeg_decompress_struct cinfo;
    DecodeProgress progress;
    InstallErrorTrap(trap, true);
    cinfo.err = &trap.mgr;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return Outcome::Fatal;
    }
    jpeg_create_decompress(&cinfo);
    progress.mgr.progress_monitor = LimitScans;
    progress.cancel = cancel;
    cinfo.progress = &progress.mgr;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    SetScaleAndOrder(cinfo, probe->eighths, true);
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_width != probe->width || cinfo.output_height != probe->height ||
        cinfo.out_color_components != 3 || endRow > cinfo.output_height) {
        jpeg_destroy_decompress(&cinfo);
        return Outcome::Fatal;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(cinfo.output_width) * 3;
    JSAMPARRAY scratch = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                    static_cast<JDIMENSION>(rowBytes), 1);
    if (firstRow > 0) jpeg_skip_scanlines(&cinfo, firstRow);
    while (cinfo.output_scanline < endRow) {
        if ((cancel != nullptr && cancel->load(std::memory_order_relaxed)) || stop->load(std::memory_order_relaxed)) {
            jpeg_destroy_decompress(&cinfo);
            return Outcome::Fatal;
        }
        const JDIMENSION row = cinfo.output_scanline;
        JSAMPROW into = row < keepFrom ? scratch[0] : pixels + (cinfo.output_height - 1 - row) * rowBytes;
        jpeg_read_scanlines(&cinfo, &into, 1);
    }
    if (endRow == cinfo.output_height) {
        jpeg_finish_decompress(&cinfo);
    } else {
        jpeg_abort_decompress(&cinfo);
    }
    jpeg_destroy_decompress(&cinfo);
    return trap.messages == 0 ? Outcome::Ok : Outcome::Fatal;
}

// rows: colour (3 bytes a pixel) or gray (1 byte a pixel), top row first. The
// library's destination checks every write and the final flush; the caller owns
// the file and closes it.
Outcome Encode(std::FILE* file, const std::uint8_t* rows, std::uint32_t width, std::uint32_t height, bool color,
               int quality) {
    JpegErrorTrap trap;
    jpeg_compress_struct cinfo;

    InstallErrorTrap(trap);
    cinfo.err = &trap.mgr;
    if (setjmp(trap.jump)) {
        jpeg_destroy_compress(&cinfo);
        return Outcome::Fatal;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = color ? 3 : 1;
    cinfo.in_color_space = color ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * (color ? 3 : 1);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(rows + cinfo.next_scanline * rowBytes);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return Outcome::Ok;
}

// A write that failed after the library was done (the sync or the close): told
// in the library's own words for a failed write.
void ShowWriteFailure() {
    jpeg_error_mgr mgr;
    jpeg_std_error(&mgr);
    mgr.msg_code = JERR_FILE_WRITE;
    jpeg_compress_struct cinfo{};
    cinfo.err = &mgr;
    char text[JMSG_LENGTH_MAX];
    (*mgr.format_message)(reinterpret_cast<j_common_ptr>(&cinfo), text);
    ShowFatal(text);
}

}  // namespace

const std::string& LastJpegPath() { return g_lastJpegPath; }

void NoteJpegPath(const std::string& path) { SetLastJpegPath(path); }

RgbBuffer JpegFile::LoadToRgb(const std::string& path, std::uint32_t& width, std::uint32_t& height) {
    return Load(path, width, height, PixelOrder::File);
}

RgbBuffer JpegFile::LoadToDisplay(const std::string& path, std::uint32_t& width, std::uint32_t& height) {
    return Load(path, width, height, PixelOrder::Display);
}

RgbBuffer JpegFile::Load(const std::string& path, std::uint32_t& width, std::uint32_t& height, PixelOrder order) {
    width = 0;
    height = 0;
    SetLastJpegPath(path);
    std::FILE* file = OpenRegularFile(path);
    if (file == nullptr) {
        AfxMessageBox(FormatPath("JPEG :\nCan't open %s\n", path), MsgButtons::OK, MsgIcon::None);
        return nullptr;
    }
    DecodeResult result{nullptr, 0, 0};
    const Outcome outcome = Decode(file, &result, false, order);
    std::fclose(file);
    width = result.width;
    height = result.height;
    if (outcome == Outcome::NoMemory) AfxMessageBox("JpegFile :\nOut of memory", MsgButtons::OK, MsgIcon::Error);
    return RgbBuffer(result.pixels);
}

RgbBuffer JpegFile::LoadToDisplayScaled(const std::string& path, std::uint32_t& width, std::uint32_t& height,
                                         std::uint32_t& trueWidth, std::uint32_t& trueHeight, ScaleChooser choose,
                                         void* context) {
    width = height = trueWidth = trueHeight = 0;
    SetLastJpegPath(path);
    // A FIFO or a device named like a picture gets the open failure instead of
    // blocking the run.
    std::FILE* file = OpenRegularFile(path);
    if (file == nullptr) {
        AfxMessageBox(FormatPath("JPEG :\nCan't open %s\n", path), MsgButtons::OK, MsgIcon::None);
        return nullptr;
    }
    DecodeResult result{nullptr, 0, 0};
    std::uint32_t trueSize[2] = {0, 0};
    const Outcome outcome =
        Decode(file, &result, false, PixelOrder::Display,
               {choose, context, trueSize, false, nullptr, UINT64_MAX, nullptr, 0, nullptr, 0});
    std::fclose(file);
    width = result.width;
    height = result.height;
    trueWidth = trueSize[0];
    trueHeight = trueSize[1];
    if (outcome == Outcome::NoMemory) AfxMessageBox("JpegFile :\nOut of memory", MsgButtons::OK, MsgIcon::Error);
    return RgbBuffer(result.pixels);
}

namespace {

bool ReadWholeFile(std::FILE* file, std::uint64_t size, std::vector<std::uint8_t>& bytes) {
    bytes.resize(static_cast<std::size_t>(size));
    return std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fgetc(file) == EOF;
}

// The split decode of TryLoadToDisplay; nothing when the picture is not worth
// splitting or anything fails (decode then falls to the single decode).
RgbBuffer DecodeInTwoBands(const std::vector<std::uint8_t>& bytes, JpegFile::QuietLoad& load, std::uint8_t*& spare,
                           bool& tried) {
    tried = false;
    BandProbe probe{};
    if (ProbeBands(bytes.data(), bytes.size(), load.choose, load.context, &probe) != Outcome::Ok ||
        !probe.splittable || probe.height < 4 * kSeamRows ||
        static_cast<std::uint64_t>(probe.width) * probe.height < load.splitFromPixels) {
        return nullptr;
    }
    tried = true;
    const std::uint64_t pictureBytes = std::uint64_t{probe.width} * probe.height * 3;
    RgbBuffer pixels;
    if (spare != nullptr && load.spareBytes == pictureBytes) pixels.reset(spare);
    else delete[] spare;
    spare = nullptr;
    if (!pixels) pixels = AllocRgb(probe.width, probe.height);
    if (!pixels) return nullptr;
    PreferHugePages(pixels.get(), static_cast<std::size_t>(pictureBytes));
    // The helper's band needs the seam rows above it and the skipped rows' data:
    // it starts a little above the middle, so both finish at about the same time.
    const std::uint32_t seam = probe.height / 2 + probe.height / 16;
    std::atomic<bool> stop{false};
    Outcome lower = Outcome::Fatal;
    std::thread helper([&] {
        lower = DecodeBand(bytes.data(), bytes.size(), &probe, pixels.get(), seam - kSeamRows, seam, probe.height,
                           load.cancel, &stop);
        if (lower != Outcome::Ok) stop.store(true, std::memory_order_relaxed);
    });
    const Outcome upper =
        DecodeBand(bytes.data(), bytes.size(), &probe, pixels.get(), 0, 0, seam, load.cancel, &stop);
    if (upper != Outcome::Ok) stop.store(true, std::memory_order_relaxed);
    helper.join();
    if (upper != Outcome::Ok || lower != Outcome::Ok) return nullptr;
    load.width = probe.width;
    load.height = probe.height;
    load.trueWidth = probe.trueWidth;
    load.trueHeight = probe.trueHeight;
    return pixels;
}

}  // namespace

RgbBuffer JpegFile::TryLoadToDisplay(const std::string& path, QuietLoad& load) {
    load.width = load.height = load.trueWidth = load.trueHeight = 0;
    std::uint8_t* spare = load.spare.release();
    std::FILE* file = OpenRegularFile(path, &load.stamp);
    if (file == nullptr) {
        delete[] spare;
        return nullptr;
    }
    // A big picture is read whole and decoded in two bands on two threads. A file
    // too small to hold one (a pixel costs at least a few bits) is not even read
    // whole: in a show at full speed that alone costs more than a band saves.
    // One read whole and not worth splitting is decoded from what was read.
    std::vector<std::uint8_t> bytes;
    if (load.splitFromPixels != UINT64_MAX && load.stamp.size <= kMaxSplitFileBytes &&
        load.stamp.size >= load.splitFromPixels / kMinPixelsPerByte) {
        if (ReadWholeFile(file, load.stamp.size, bytes)) {
            bool tried = false;
            RgbBuffer pixels = DecodeInTwoBands(bytes, load, spare, tried);
            if (pixels || tried) {
                std::fclose(file);
                return pixels;
            }
        } else {
            bytes.clear();
            std::rewind(file);
        }
    }
    DecodeResult result{nullptr, 0, 0};
    std::uint32_t trueSize[2] = {0, 0};
    const Outcome outcome =
        Decode(file, &result, false, PixelOrder::Display,
               {load.choose, load.context, trueSize, true, load.cancel, load.maxCoefficientBytes, &spare,
                load.spareBytes, bytes.empty() ? nullptr : bytes.data(), bytes.size()});
    std::fclose(file);
    delete[] spare;  // still here when the decode stopped before the picture
    if (outcome != Outcome::Ok) {
        delete[] result.pixels;
        return nullptr;
    }
    load.width = result.width;
    load.height = result.height;
    load.trueWidth = trueSize[0];
    load.trueHeight = trueSize[1];
    return RgbBuffer(result.pixels);
}

bool JpegFile::ReadDimensions(const std::string& path, std::uint32_t& width, std::uint32_t& height) {
    std::FILE* file = OpenRegularFile(path);
    if (file == nullptr) {
        AfxMessageBox(FormatPath("JPEG :\nCan't open %s\n", path), MsgButtons::OK, MsgIcon::None);
        return false;
    }
    DecodeResult result{nullptr, 0, 0};
    const Outcome outcome = Decode(file, &result, true, PixelOrder::File);
    std::fclose(file);
    if (outcome != Outcome::Ok) return false;
    width = result.width;
    height = result.height;
    return true;
}

bool JpegFile::SaveFromRgb(const std::string& path, const std::uint8_t* buffer, std::uint32_t width,
                           std::uint32_t height, bool color, int quality) {
    SetLastJpegPath(path);
    if (buffer == nullptr || width == 0 || height == 0) return false;
    std::unique_ptr<std::uint8_t[]> gray;
    if (!color) {
        gray = AllocBytes(static_cast<std::uint64_t>(width) * height);
        if (!gray) {
            AfxMessageBox("Memory error", MsgButtons::OK, MsgIcon::None);
            return false;
        }
        const std::size_t count = static_cast<std::size_t>(width) * height;
        const std::uint8_t* p = buffer;
        for (std::size_t i = 0; i < count; ++i, p += 3) {
            double g = 0.587 * p[1] + 0.299 * p[0];
            g = g + 0.114 * p[2];
            gray[i] = static_cast<std::uint8_t>(static_cast<unsigned>(g));
        }
    }
    // The old file stays until the new one is complete; a failed write leaves nothing new.
    SafeWrite out;
    if (!out.Open(path)) {
        AfxMessageBox(FormatPath("JpegFile :\nCan't open %s\n", path), MsgButtons::OK, MsgIcon::None);
        return false;
    }
    if (Encode(out.File(), color ? buffer : gray.get(), width, height, color, quality) != Outcome::Ok) return false;
    if (!out.Commit()) {
        ShowWriteFailure();
        return false;
    }
    return true;
}

}  // namespace vantor
