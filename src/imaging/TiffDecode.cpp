// TIFF over libtiff: the first page, in any form the library's RGBA interface
// reads (gray, palette, RGB, CMYK, YCbCr, Lab; 1 to 16 bits; strips or tiles; any
// compression it knows), its alpha drawn over the background. Rows are taken as
// stored: the Orientation tag is not applied, as most readers do.
//
// The page is read a band of strips (or of tiles) at a time, so that the memory
// beside the picture stays a band's worth.
#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "imaging/DecoderInternal.h"

namespace vantor::decoders {

namespace {

// The most the library may allocate at once (a strip, a tile, a table).
constexpr tmsize_t kMaxSingleAllocation = tmsize_t{1} << 30;

struct Reader {
    Source* source;
    char message[200];  // the library's first error
};

Source& SourceOf(thandle_t handle) { return *static_cast<Reader*>(handle)->source; }

extern "C" tmsize_t OnTiffRead(thandle_t handle, void* into, tmsize_t bytes) {
    if (bytes <= 0) return 0;
    return static_cast<tmsize_t>(SourceOf(handle).Read(into, static_cast<std::size_t>(bytes)));
}

extern "C" tmsize_t OnTiffWrite(thandle_t, void*, tmsize_t) { return -1; }

extern "C" toff_t OnTiffSeek(thandle_t handle, toff_t offset, int whence) {
    Source& source = SourceOf(handle);
    const toff_t base = whence == SEEK_CUR ? source.Tell() : whence == SEEK_END ? source.size : 0;
    if (offset > UINT64_MAX - base || !source.Seek(base + offset)) return static_cast<toff_t>(-1);
    return base + offset;
}

extern "C" int OnTiffClose(thandle_t) { return 0; }
extern "C" toff_t OnTiffSize(thandle_t handle) { return SourceOf(handle).size; }
// A file is never mapped (one cut meanwhile would kill the program); a source in
// memory is handed over whole.
extern "C" int OnTiffMap(thandle_t handle, void** base, toff_t* size) {
    const Source& source = SourceOf(handle);
    if (source.data == nullptr) return 0;
    *base = const_cast<std::uint8_t*>(source.data);  // read only: the library never writes a file opened "r"
    *size = source.size;
    return 1;
}
extern "C" void OnTiffUnmap(thandle_t, void*, toff_t) {}

extern "C" int OnTiffError(TIFF*, void* user, const char*, const char* format, va_list args) {
    auto* reader = static_cast<Reader*>(user);
    if (reader->message[0] == '\0') std::vsnprintf(reader->message, sizeof reader->message, format, args);
    return 1;  // handled: never on stderr
}

extern "C" int OnTiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

TIFF* Open(Reader& reader) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxSingleAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options, OnTiffError, &reader);
    TIFFOpenOptionsSetWarningHandlerExtR(options, OnTiffWarning, &reader);
    TIFF* tiff = TIFFClientOpenExt("picture", "r", &reader, OnTiffRead, OnTiffWrite, OnTiffSeek, OnTiffClose,
                                   OnTiffSize, OnTiffMap, OnTiffUnmap, options);
    TIFFOpenOptionsFree(options);
    return tiff;
}

bool LibraryFailed(Job& job, const Reader& reader) {
    if (reader.source->cutShort) return CutShort(job);
    return Damaged(job, reader.message[0] != '\0' ? reader.message : "the library cannot read it");
}

bool IsTiff(const std::uint8_t* head) {
    // Classic and big TIFF, in either byte order.
    return (head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0) ||
           (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43));
}

struct RgbaImage {
    TIFFRGBAImage image{};
    bool begun = false;
    ~RgbaImage() {
        if (begun) TIFFRGBAImageEnd(&image);
    }
};

// Rows per band: a strip's, or a tile's, so that each is decoded once.
std::uint32_t BandRows(TIFF* tiff, std::uint32_t height) {
    std::uint32_t rows = 0;
    if (TIFFIsTiled(tiff)) {
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &rows);
    } else {
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rows);
    }
    return rows == 0 || rows > height ? height : rows;
}

}  // namespace

void DecodeTiff(Job& job) {
    std::uint8_t head[4];
    if (job.source->Read(head, sizeof head) != sizeof head || !IsTiff(head)) {
        NotOfFormat(job);
        return;
    }
    job.source->Seek(0);
    Source inMemory;
    std::unique_ptr<std::uint8_t[]> whole;
    Reader reader{job.source, {}};
    std::unique_ptr<TIFF, TiffCloser> tiff(Open(reader));
    if (!tiff) {
        LibraryFailed(job, reader);
        return;
    }
    std::uint32_t width = 0, height = 0;
    if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height)) {
        Damaged(job, "no picture size");
        return;
    }
    if (!SizeKnown(job, width, height)) return;

    // The library reads an uncompressed tile from a file into a buffer it rounds
    // up to a kilobyte, and then refuses the tile as not of that size; from
    // memory it takes the tile as it is. Such a file is read whole first.
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_COMPRESSION, &compression);
    if (job.source->file != nullptr && TIFFIsTiled(tiff.get()) && compression == COMPRESSION_NONE) {
        whole = job.source->ReadAll();
        if (!whole) {
            if (job.source->cutShort) {
                CutShort(job);
            } else {
                NoMemory(job);
            }
            return;
        }
        inMemory.data = whole.get();
        inMemory.size = job.source->size;
        reader.source = &inMemory;
        tiff.reset(Open(reader));
        if (!tiff) {
            LibraryFailed(job, reader);
            return;
        }
    }

    char why[1024] = "";
    if (!TIFFRGBAImageOK(tiff.get(), why)) {
        Unsupported(job, why);
        return;
    }
    RgbaImage rgba;
    rgba.begun = TIFFRGBAImageBegin(&rgba.image, tiff.get(), 1, why) != 0;
    if (!rgba.begun) {
        if (reader.source->cutShort) {
            CutShort(job);
        } else {
            Unsupported(job, why);
        }
        return;
    }
    // The rows as stored, each band bottom row first (as display order is).
    rgba.image.orientation = ORIENTATION_TOPLEFT;
    rgba.image.req_orientation = ORIENTATION_BOTLEFT;

    // A page of one band is read into the picture's own block, widened to four
    // bytes a pixel and made three in place; others a band at a time beside it.
    const std::uint32_t band = BandRows(tiff.get(), height);
    const bool oneBand = band == height;
    std::uint8_t* pixels = TakePicture(job, width, height, oneBand ? 1 : 0);
    if (pixels == nullptr) return;
    std::unique_ptr<std::uint8_t[]> raster;
    if (!oneBand) {
        raster = AllocBytes(std::uint64_t{width} * band * 4);
        if (!raster) {
            NoMemory(job);
            return;
        }
    }
    const std::uint8_t* bg = job.request->background;
    for (std::uint32_t top = 0; top < height; top += band) {
        if (WantsCancel(job)) {
            Cancelled(job);
            return;
        }
        const std::uint32_t rows = height - top < band ? height - top : band;
        std::uint8_t* into = oneBand ? pixels : raster.get();
        rgba.image.row_offset = static_cast<int>(top);
        rgba.image.col_offset = 0;
        if (!TIFFRGBAImageGet(&rgba.image, reinterpret_cast<std::uint32_t*>(into), width, rows)) {
            LibraryFailed(job, reader);
            return;
        }
        // Band row r (from the bottom) is picture row top + rows - 1 - r.
        for (std::uint32_t r = 0; r < rows; ++r) {
            const std::uint8_t* from = into + std::size_t{r} * width * 4;
            std::uint8_t* to =
                oneBand ? pixels + std::size_t{r} * width * 3 : DisplayRow(pixels, width, height, top + rows - 1 - r);
            PremultipliedRow(from, width, bg, to);
        }
    }
}

}  // namespace vantor::decoders
