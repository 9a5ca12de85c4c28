// Reading JPEG files: the whole picture in file or display order, at full size or
// at a DCT reduction; and the size alone. Each tells how it went in a DecodeOutcome.
#include <unistd.h>

#include <cstring>
#include <utility>

#include "imaging/ExifOrientation.h"
#include "imaging/JpegFile.h"
#include "imaging/JpegInternal.h"
#include "platform/FileSystem.h"
#include "platform/Format.h"

namespace vantor {

namespace jpeg {

namespace {

// A file larger than this is never read whole for a decode in two bands.
constexpr std::uint64_t kMaxSplitFileBytes = 256u << 20;
// Fewer bytes than a quarter of the pixels: a small photo, or one too plain for
// its decode to be worth a second thread.
constexpr std::uint64_t kMinPixelsPerByte = 4;
// A multi-scan decode holding more coefficients than this frees the kept blocks.
constexpr std::uint64_t kReleaseKeptFromBytes = 8u << 20;

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

// Reads all of a file into a block of its own; false when it could not be read
// whole or grew meanwhile.
bool ReadWhole(std::FILE* file, std::uint64_t size, std::uint8_t* into) {
    const int fd = ::fileno(file);
    for (std::uint64_t done = 0; done < size;) {
        const ssize_t n = ::read(fd, into + done, static_cast<std::size_t>(size - done));
        if (n <= 0) return false;
        done += static_cast<std::uint64_t>(n);
    }
    std::uint8_t extra = 0;
    return ::read(fd, &extra, 1) == 0;
}

}  // namespace

std::uint8_t* TakePixels(PictureMemory* memory, std::uint64_t bytes, std::uint64_t* capacity) {
    PixelBlock block = TakeBlock(memory, bytes);
    *capacity = block.capacity;
    return block.bytes.release();
}

void GivePixels(PictureMemory* memory, std::uint8_t* pixels, std::uint64_t capacity) {
    GiveBlock(memory, PixelBlock{RgbBuffer(pixels), capacity});
}

DecodeStatus Decode(std::FILE* file, DecodeJob* job) {
    ErrorTrap trap;
    jpeg_decompress_struct cinfo;
    Progress progress;
    std::uint8_t* volatile pixels = nullptr;
    volatile std::uint64_t capacity = 0;

    InstallErrorTrap(trap, &job->words);
    cinfo.err = &trap.mgr;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&cinfo);
        if (pixels != nullptr) GivePixels(job->memory, pixels, capacity);
        return trap.cancelled != 0 ? DecodeStatus::Cancelled : DecodeStatus::Corrupt;
    }
    jpeg_create_decompress(&cinfo);
    InstallProgress(cinfo, progress, job->cancel);
    jpeg_stdio_src(&cinfo, file);
    KeepExifSegments(cinfo, job);
    jpeg_read_header(&cinfo, TRUE);
    job->orientation = ReadOrientation(cinfo, job);
    job->trueWidth = cinfo.image_width;
    job->trueHeight = cinfo.image_height;
    if (job->headerOnly) {
        jpeg_destroy_decompress(&cinfo);
        return DecodeStatus::Ok;
    }
    // The size is refused before the library allocates anything for it.
    if (static_cast<std::uint64_t>(cinfo.image_width) * cinfo.image_height > kMaxPicturePixels) {
        jpeg_destroy_decompress(&cinfo);
        return DecodeStatus::TooLarge;
    }
    std::uint64_t coefficients = 0;
    if (jpeg_has_multiple_scans(&cinfo)) {
        coefficients = CoefficientBytes(cinfo);
        // Holding every coefficient of a big picture, the decode first gives back
        // the memory kept for pictures to come.
        if (job->memory != nullptr && coefficients > kReleaseKeptFromBytes) job->memory->Release();
    }
    const bool display = job->display;
    SetScaleAndOrder(cinfo, ChooseScale(cinfo, job, job->orientation), display);
    jpeg_calc_output_dimensions(&cinfo);
    const std::uint64_t outputPixels = std::uint64_t{cinfo.output_width} * cinfo.output_height;
    if (!Admitted(job, coefficients + outputPixels * 3, cinfo.output_width, cinfo.output_height)) {
        jpeg_destroy_decompress(&cinfo);
        return DecodeStatus::Cancelled;
    }
    jpeg_start_decompress(&cinfo);

    const JDIMENSION width = cinfo.output_width;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    std::uint64_t got = 0;
    pixels = TakePixels(job->memory, std::uint64_t{rowBytes} * cinfo.output_height, &got);
    capacity = got;
    if (pixels == nullptr) {
        jpeg_destroy_decompress(&cinfo);
        return DecodeStatus::OutOfMemory;
    }
    PreferHugePages(pixels, rowBytes * cinfo.output_height);
    job->width = width;
    job->height = cinfo.output_height;

    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                width * cinfo.output_components, 1);
    const bool adobeInverted = cinfo.saw_Adobe_marker;
    while (cinfo.output_scanline < cinfo.output_height) {
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
    job->pixels = pixels;
    job->capacity = capacity;
    return DecodeStatus::Ok;
}

}  // namespace jpeg

namespace {

// Turns a decoded picture as its file's orientation asks, into a block of its own;
// its sizes stay as stored. False, with the pixels given back, when the block for
// the turned picture is not there.
bool TurnDecoded(jpeg::DecodeJob& job) {
    if (job.orientation < 2 || job.orientation > 8 || job.pixels == nullptr) return true;
    std::uint64_t capacity = 0;
    std::uint8_t* turned = jpeg::TakePixels(job.memory, std::uint64_t{job.width} * job.height * 3, &capacity);
    if (turned != nullptr) TurnInto(job.pixels, job.width, job.height, job.orientation, turned);
    jpeg::GivePixels(job.memory, job.pixels, job.capacity);
    job.pixels = turned;
    job.capacity = capacity;
    return turned != nullptr;
}

DecodeOutcome CantOpen(const std::string& path) {
    return DecodeOutcome::Failed(DecodeStatus::CannotOpen, Format("JPEG :\nCan't open %s\n", path.c_str()));
}

// How a decode job ended, in words: the library's own for what it gave up on and
// for its warning, the reader's own for a picture refused for its size or memory.
DecodeOutcome Told(DecodeStatus status, const jpeg::DecodeJob& job) {
    DecodeOutcome outcome;
    outcome.status = status;
    switch (status) {
        case DecodeStatus::Corrupt: outcome.message = job.words.fatal; break;
        case DecodeStatus::OutOfMemory: outcome.message = "JpegFile :\nOut of memory"; break;
        case DecodeStatus::TooLarge:
            outcome.message = "JpegFile :\nThe picture is " + TooLargeReason(job.trueWidth, job.trueHeight);
            break;
        default: break;  // nothing to tell: done, declined or cancelled
    }
    if (job.words.warnings > 0) outcome.warnings.emplace_back(job.words.warning);
    return outcome;
}

// The decode of a whole file at full size, in either order.
DecodeOutcome LoadFullSize(const std::string& path, RgbBuffer& pixels, std::uint32_t& width, std::uint32_t& height,
                           bool display) {
    pixels.reset();
    width = 0;
    height = 0;
    jpeg::SetLastJpegPath(path);
    const FilePtr file(OpenRegularFile(path));
    if (!file) return CantOpen(path);
    jpeg::DecodeJob job;
    job.display = display;
    const DecodeStatus status = jpeg::Decode(file.get(), &job);
    width = job.width;
    height = job.height;
    pixels.reset(job.pixels);
    return Told(status, job);
}

}  // namespace

DecodeOutcome JpegFile::LoadToRgb(const std::string& path, RgbBuffer& pixels, std::uint32_t& width,
                                  std::uint32_t& height) {
    return LoadFullSize(path, pixels, width, height, false);
}

DecodeOutcome JpegFile::LoadToDisplay(const std::string& path, RgbBuffer& pixels, std::uint32_t& width,
                                      std::uint32_t& height) {
    return LoadFullSize(path, pixels, width, height, true);
}

DecodeOutcome JpegFile::Load(const std::string& path, const Options& options, Picture& picture) {
    picture = Picture{};
    jpeg::SetLastJpegPath(path);
    std::FILE* file = OpenRegularFile(path, &picture.stamp);
    if (file == nullptr) return CantOpen(path);
    jpeg::DecodeJob job;
    job.choose = options.choose;
    job.context = options.context;
    job.cancel = options.cancel;
    job.admit = &options.admit;
    job.memory = options.memory;
    job.readOrientation = options.upright;

    // A big single-scan picture (as decoded) is read whole and decoded in two bands
    // on two threads; its header tells first. A file too small to hold one (a pixel
    // costs at least a few bits) is not even looked at.
    PixelBlock whole;
    const std::uint64_t fileBytes = picture.stamp.size;
    DecodeStatus status = DecodeStatus::Declined;
    if (options.splitFromPixels != UINT64_MAX && fileBytes <= jpeg::kMaxSplitFileBytes &&
        fileBytes >= options.splitFromPixels / jpeg::kMinPixelsPerByte &&
        jpeg::WorthTwoBands(file, &job, options.splitFromPixels)) {
        whole = TakeBlock(options.memory, fileBytes);
        if (whole && jpeg::ReadWhole(file, fileBytes, whole.get())) {
            status = jpeg::DecodeInTwoBands(whole.get(), fileBytes, options.splitFromPixels, &job);
        }
        GiveBlock(options.memory, std::move(whole));
        std::rewind(file);
    }
    if (status == DecodeStatus::Declined) status = jpeg::Decode(file, &job);
    std::fclose(file);
    if (status == DecodeStatus::Ok && !TurnDecoded(job)) status = DecodeStatus::OutOfMemory;
    DecodeOutcome outcome = Told(status, job);
    // Without pixels the sizes still say how far the decode came: width 0 before
    // the picture's memory was asked for.
    if (job.pixels != nullptr) picture.pixels = PixelBlock{RgbBuffer(job.pixels), job.capacity};
    picture.width = job.width;
    picture.height = job.height;
    picture.trueWidth = job.trueWidth;
    picture.trueHeight = job.trueHeight;
    picture.upright = options.upright;
    // Upright, however far the decode came.
    if (job.orientation >= 5 && job.orientation <= 8) {
        std::swap(picture.width, picture.height);
        std::swap(picture.trueWidth, picture.trueHeight);
    }
    return outcome;
}

DecodeOutcome JpegFile::ReadDimensions(const std::string& path, std::uint32_t& width, std::uint32_t& height) {
    const FilePtr file(OpenRegularFile(path));
    if (!file) return CantOpen(path);
    jpeg::DecodeJob job;
    job.headerOnly = true;
    DecodeOutcome outcome = Told(jpeg::Decode(file.get(), &job), job);
    if (outcome.Ok()) {
        width = job.trueWidth;
        height = job.trueHeight;
    }
    return outcome;
}

}  // namespace vantor
