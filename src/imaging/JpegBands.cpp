// A big single-scan picture decoded ahead is shared by two threads, by rows:
// this one decodes the upper band, a helper the lower. The helper must still read
// the upper band's entropy-coded data to reach its own (jpeg_skip_scanlines skips
// only the rest of the work), and it starts kSeamRows above its band so that the
// smoothing across the seam sees the same neighbouring rows as a single decode.
#include <system_error>
#include <thread>

#include "imaging/JpegInternal.h"

namespace vantor::jpeg {

namespace {

constexpr std::uint32_t kSeamRows = 64;

// What a picture's header says, read before any band is decoded.
struct BandProbe {
    unsigned eighths;  // the DCT scale chosen, in eighths (8: full size)
    int orientation;   // as the Exif block records it, when the job asks
    std::uint32_t trueWidth, trueHeight, width, height;
    bool splittable;  // a single scan with three output components
};

// The header of the file, or of data when it is not null; Ok only when the
// library had nothing to say. Plain data only (see JpegInternal.h).
bool ProbeBands(std::FILE* file, const std::uint8_t* data, std::size_t size, const DecodeJob* job, BandProbe* probe) {
    ErrorTrap trap;
    LibraryWords words;
    jpeg_decompress_struct cinfo;
    InstallErrorTrap(trap, &words);
    cinfo.err = &trap.mgr;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    if (data != nullptr) {
        jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    } else {
        jpeg_stdio_src(&cinfo, file);
    }
    KeepExifSegments(cinfo, job);
    jpeg_read_header(&cinfo, TRUE);
    probe->trueWidth = cinfo.image_width;
    probe->trueHeight = cinfo.image_height;
    probe->orientation = ReadOrientation(cinfo, job);
    probe->eighths = 8;
    const bool fits = static_cast<std::uint64_t>(cinfo.image_width) * cinfo.image_height <= kMaxPicturePixels;
    if (fits) probe->eighths = ChooseScale(cinfo, job, probe->orientation);
    SetScaleAndOrder(cinfo, probe->eighths, true);
    jpeg_calc_output_dimensions(&cinfo);
    probe->width = cinfo.output_width;
    probe->height = cinfo.output_height;
    probe->splittable = fits && !jpeg_has_multiple_scans(&cinfo) && cinfo.out_color_components == 3;
    jpeg_destroy_decompress(&cinfo);
    return words.warnings == 0;
}

// Decodes output rows [firstRow, endRow) of a single-scan picture and
// stores those from keepFrom on, bottom-up, into pixels (probe's size). The band
// that ends at the bottom reads the file to its end, so every warning in it is
// seen. Gives up when cancel or stop is set, and at a warning or an error: the
// picture is then decoded whole. Plain data only.
DecodeStatus DecodeBand(const std::uint8_t* data, std::size_t size, const BandProbe* probe, std::uint8_t* pixels,
                        std::uint32_t firstRow, std::uint32_t keepFrom, std::uint32_t endRow,
                        const std::atomic<bool>* cancel, const std::atomic<bool>* stop) {
    ErrorTrap trap;
    LibraryWords words;
    jpeg_decompress_struct cinfo;
    Progress progress;
    InstallErrorTrap(trap, &words);
    cinfo.err = &trap.mgr;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return trap.cancelled != 0 ? DecodeStatus::Cancelled : DecodeStatus::Corrupt;
    }
    jpeg_create_decompress(&cinfo);
    InstallProgress(cinfo, progress, cancel);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    SetScaleAndOrder(cinfo, probe->eighths, true);
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_width != probe->width || cinfo.output_height != probe->height || cinfo.out_color_components != 3 ||
        endRow > cinfo.output_height) {
        jpeg_destroy_decompress(&cinfo);
        return DecodeStatus::Corrupt;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(cinfo.output_width) * 3;
    JSAMPARRAY scratch = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                    static_cast<JDIMENSION>(rowBytes), 1);
    if (firstRow > 0) jpeg_skip_scanlines(&cinfo, firstRow);
    while (cinfo.output_scanline < endRow) {
        // The other band failed: this one is no longer wanted.
        if (stop->load(std::memory_order_relaxed) || words.warnings != 0) {
            jpeg_destroy_decompress(&cinfo);
            return DecodeStatus::Corrupt;
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
    return words.warnings == 0 ? DecodeStatus::Ok : DecodeStatus::Corrupt;
}

bool WorthSplitting(const BandProbe& probe, std::uint64_t splitFromPixels) {
    return probe.splittable && probe.height >= 4 * kSeamRows &&
           static_cast<std::uint64_t>(probe.width) * probe.height >= splitFromPixels;
}

}  // namespace

bool WorthTwoBands(std::FILE* file, const DecodeJob* job, std::uint64_t splitFromPixels) {
    BandProbe probe{};
    const bool worth = ProbeBands(file, nullptr, 0, job, &probe) && WorthSplitting(probe, splitFromPixels);
    std::rewind(file);
    return worth;
}

DecodeStatus DecodeInTwoBands(const std::uint8_t* data, std::size_t size, std::uint64_t splitFromPixels,
                              DecodeJob* job) {
    BandProbe probe{};
    if (!ProbeBands(nullptr, data, size, job, &probe) || !WorthSplitting(probe, splitFromPixels))
        return DecodeStatus::Declined;
    const std::uint64_t pictureBytes = std::uint64_t{probe.width} * probe.height * 3;
    if (!Admitted(job, pictureBytes, probe.width, probe.height)) return DecodeStatus::Cancelled;
    std::uint64_t capacity = 0;
    std::uint8_t* pixels = TakePixels(job->memory, pictureBytes, &capacity);
    if (pixels == nullptr) return DecodeStatus::OutOfMemory;
    PreferHugePages(pixels, static_cast<std::size_t>(pictureBytes));
    // The helper's band needs the seam rows above it and the skipped rows' data:
    // it starts a little above the middle, so both finish at about the same time.
    const std::uint32_t seam = probe.height / 2 + probe.height / 16;
    std::atomic<bool> stop{false};
    DecodeStatus lower = DecodeStatus::Corrupt;
    std::thread helper;
    try {
        helper = std::thread([&] {
            lower = DecodeBand(data, size, &probe, pixels, seam - kSeamRows, seam, probe.height, job->cancel, &stop);
            if (lower != DecodeStatus::Ok) stop.store(true, std::memory_order_relaxed);
        });
    } catch (const std::system_error&) {
        GivePixels(job->memory, pixels, capacity);
        return DecodeStatus::Declined;  // no room for another thread (a memory limit): decoded whole
    }
    const DecodeStatus upper = DecodeBand(data, size, &probe, pixels, 0, 0, seam, job->cancel, &stop);
    if (upper != DecodeStatus::Ok) stop.store(true, std::memory_order_relaxed);
    helper.join();
    if (upper != DecodeStatus::Ok || lower != DecodeStatus::Ok) {
        GivePixels(job->memory, pixels, capacity);
        // A cancelled decode ends here; a band that met a warning or an error leaves
        // the picture to a single decode, whose words are the picture's own.
        return upper == DecodeStatus::Cancelled || lower == DecodeStatus::Cancelled ? DecodeStatus::Cancelled
                                                                                    : DecodeStatus::Declined;
    }
    job->trueWidth = probe.trueWidth;
    job->trueHeight = probe.trueHeight;
    job->orientation = probe.orientation;
    job->pixels = pixels;
    job->capacity = capacity;
    job->width = probe.width;
    job->height = probe.height;
    return DecodeStatus::Ok;
}

}  // namespace vantor::jpeg
