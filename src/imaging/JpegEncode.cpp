// Writing a picture as a JPEG file: colour or grayscale, at a given quality.
#include <jerror.h>

#include <memory>
#include <new>
#include <vector>

#include "imaging/JpegFile.h"
#include "imaging/JpegInternal.h"
#include "platform/FileSystem.h"
#include "platform/Format.h"
#include "platform/Ui.h"

namespace vantor {

int JpegQualityFor(int index) {
    static constexpr int kQuality[10] = {100, 95, 90, 85, 80, 75, 70, 65, 60, 50};
    return index >= 0 && index < 10 ? kQuality[index] : 75;
}

namespace {

// The compressed bytes into memory: the same bytes the library writes into a file.
struct VectorDestination {
    jpeg_destination_mgr mgr;
    std::vector<std::uint8_t>* out;
};

constexpr std::size_t kMemoryChunk = 64 * 1024;

// Makes room for another chunk. The library calls this with the whole buffer
// written, whatever its count of free bytes says (the encoder keeps its own).
extern "C" boolean GrowVectorDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    const std::size_t used = dest->out->size();
    bool grown = true;
    try {
        dest->out->resize(used + kMemoryChunk);
    } catch (const std::bad_alloc&) {
        grown = false;
    }
    if (!grown) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 10);
    dest->mgr.next_output_byte = dest->out->data() + used;
    dest->mgr.free_in_buffer = kMemoryChunk;
    return TRUE;
}

extern "C" void StartVectorDestination(j_compress_ptr cinfo) {
    reinterpret_cast<VectorDestination*>(cinfo->dest)->out->clear();
    GrowVectorDestination(cinfo);
}

extern "C" void EndVectorDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    dest->out->resize(dest->out->size() - dest->mgr.free_in_buffer);
}

// rows: colour (3 bytes a pixel) or gray (1 byte a pixel), top row first, into a
// file or into memory. The library's file destination checks every write and the
// final flush; the caller owns the file and closes it. Plain data only (see
// JpegInternal.h). False when the library gave up (it has told the user).
bool Encode(std::FILE* file, std::vector<std::uint8_t>* memory, const std::uint8_t* rows, std::uint32_t width,
            std::uint32_t height, bool color, int quality) {
    VectorDestination toMemory{{}, memory};
    jpeg::ErrorTrap trap;
    jpeg_compress_struct cinfo;
    jpeg::InstallErrorTrap(trap, nullptr);
    cinfo.err = &trap.mgr;
    if (setjmp(trap.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    if (file != nullptr) {
        jpeg_stdio_dest(&cinfo, file);
    } else {
        toMemory.mgr.init_destination = StartVectorDestination;
        toMemory.mgr.empty_output_buffer = GrowVectorDestination;
        toMemory.mgr.term_destination = EndVectorDestination;
        cinfo.dest = &toMemory.mgr;
    }
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
    return true;
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
    jpeg::ShowFatal(text);
}

// Grayscale rows of a colour buffer; nothing (told) when there is no memory for them.
std::unique_ptr<std::uint8_t[]> GrayRows(const std::uint8_t* buffer, std::uint32_t width, std::uint32_t height) {
    auto gray = AllocBytes(static_cast<std::uint64_t>(width) * height);
    if (!gray) {
        AfxMessageBox("Memory error", MsgButtons::OK, MsgIcon::None);
        return gray;
    }
    const std::size_t count = static_cast<std::size_t>(width) * height;
    const std::uint8_t* p = buffer;
    for (std::size_t i = 0; i < count; ++i, p += 3) {
        double g = 0.587 * p[1] + 0.299 * p[0];
        g = g + 0.114 * p[2];
        gray[i] = static_cast<std::uint8_t>(static_cast<unsigned>(g));
    }
    return gray;
}

}  // namespace

bool JpegFile::SaveFromRgb(const std::string& path, const std::uint8_t* buffer, std::uint32_t width,
                           std::uint32_t height, bool color, int quality) {
    jpeg::SetLastJpegPath(path);
    if (buffer == nullptr || width == 0 || height == 0) return false;
    std::unique_ptr<std::uint8_t[]> gray;
    if (!color && !(gray = GrayRows(buffer, width, height))) return false;
    // The old file stays until the new one is complete; a failed write leaves nothing new.
    SafeWrite out;
    if (!out.Open(path)) {
        AfxMessageBox(Format("JpegFile :\nCan't open %s\n", path.c_str()), MsgButtons::OK, MsgIcon::None);
        return false;
    }
    if (!Encode(out.File(), nullptr, color ? buffer : gray.get(), width, height, color, quality)) return false;
    if (!out.Commit()) {
        ShowWriteFailure();
        return false;
    }
    return true;
}

bool JpegFile::EncodeRgb(const std::uint8_t* buffer, std::uint32_t width, std::uint32_t height, bool color, int quality,
                         std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    if (buffer == nullptr || width == 0 || height == 0) return false;
    std::unique_ptr<std::uint8_t[]> gray;
    if (!color && !(gray = GrayRows(buffer, width, height))) return false;
    if (Encode(nullptr, &bytes, color ? buffer : gray.get(), width, height, color, quality)) return true;
    bytes.clear();
    return false;
}

bool JpegFile::SaveEncoded(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    SafeWrite out;
    return SaveEncoded(out, path, bytes);
}

bool JpegFile::SaveEncoded(SafeWrite& out, const std::string& path, const std::vector<std::uint8_t>& bytes) {
    jpeg::SetLastJpegPath(path);
    if (bytes.empty()) return false;
    if (!out.Open(path)) {
        AfxMessageBox(Format("JpegFile :\nCan't open %s\n", path.c_str()), MsgButtons::OK, MsgIcon::None);
        return false;
    }
    // A short write is what the library reports as a failed write; so is a failed commit.
    if (!out.Write(bytes.data(), bytes.size()) || !out.Commit()) {
        ShowWriteFailure();
        return false;
    }
    return true;
}

}  // namespace vantor
