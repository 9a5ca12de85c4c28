// Writing a picture as a JPEG file: colour or grayscale, at a given quality.
#include <jerror.h>

#include <memory>

#include "imaging/JpegFile.h"
#include "imaging/JpegInternal.h"
#include "platform/FileSystem.h"
#include "platform/Ui.h"

namespace vantor {

namespace {

using jpeg::Outcome;

// rows: colour (3 bytes a pixel) or gray (1 byte a pixel), top row first. The
// library's destination checks every write and the final flush; the caller owns
// the file and closes it. Plain data only (see JpegInternal.h).
Outcome Encode(std::FILE* file, const std::uint8_t* rows, std::uint32_t width, std::uint32_t height, bool color,
               int quality) {
    jpeg::ErrorTrap trap;
    jpeg_compress_struct cinfo;
    jpeg::InstallErrorTrap(trap, false);
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
    jpeg::ShowFatal(text);
}

}  // namespace

bool JpegFile::SaveFromRgb(const std::string& path, const std::uint8_t* buffer, std::uint32_t width,
                           std::uint32_t height, bool color, int quality) {
    jpeg::SetLastJpegPath(path);
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
        AfxMessageBox(jpeg::FormatPath("JpegFile :\nCan't open %s\n", path), MsgButtons::OK, MsgIcon::None);
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
