// HEIC and AVIF over libheif (HEVC through libde265, AV1 through the decoder
// Debian builds in): the primary picture, turned and mirrored as the file asks
// (the library's own transformations), deeper samples rounded to 8 bits, its
// alpha drawn over the background.
#include <libheif/heif.h>

#include <cstring>
#include <memory>
#include <mutex>

#include "imaging/DecoderInternal.h"

namespace vantor::decoders {

namespace {

// The library's own limit on a side (its default is 32768): the picture cap
// decides, from the size the file declares, before anything is decoded.
constexpr int kMaxSide = 1 << 17;

extern "C" int64_t OnHeifPosition(void* user) { return static_cast<int64_t>(static_cast<Source*>(user)->Tell()); }

extern "C" int OnHeifRead(void* into, size_t bytes, void* user) {
    return static_cast<Source*>(user)->Read(into, bytes) == bytes ? 0 : 1;
}

extern "C" int OnHeifSeek(int64_t position, void* user) {
    return position >= 0 && static_cast<Source*>(user)->Seek(static_cast<std::uint64_t>(position)) ? 0 : 1;
}

extern "C" heif_reader_grow_status OnHeifGrow(int64_t size, void* user) {
    Source* source = static_cast<Source*>(user);
    if (size >= 0 && static_cast<std::uint64_t>(size) <= source->size) return heif_reader_grow_status_size_reached;
    source->cutShort = true;
    return heif_reader_grow_status_size_beyond_eof;
}

constexpr heif_reader kReader = {1, OnHeifPosition, OnHeifRead, OnHeifSeek, OnHeifGrow};

bool LibraryFailed(Job& job, const heif_error& error) {
    const std::string text = error.message != nullptr ? error.message : "unknown error";
    if (error.subcode == heif_suberror_Security_limit_exceeded) {
        job.picture->outcome = DecodeOutcome::Failed(DecodeStatus::TooLarge, "too large: " + text);
        return false;
    }
    switch (error.code) {
        case heif_error_Unsupported_filetype: return NotOfFormat(job);
        case heif_error_Unsupported_feature: return Unsupported(job, text);
        case heif_error_Memory_allocation_error: return NoMemory(job);
        default: break;
    }
    if (job.source->cutShort || error.subcode == heif_suberror_End_of_data) return CutShort(job);
    return Damaged(job, text);
}

struct ContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleRelease {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

}  // namespace

void DecodeHeif(Job& job) {
    // Every HEIF file begins with its file type box.
    std::uint8_t head[12];
    if (job.source->Read(head, sizeof head) != sizeof head || std::memcmp(head + 4, "ftyp", 4) != 0) {
        NotOfFormat(job);
        return;
    }
    job.source->Seek(0);
    // Registers the decoders the library was built with; once, and kept.
    static std::once_flag started;
    std::call_once(started, [] { heif_init(nullptr); });

    const std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context) {
        NoMemory(job);
        return;
    }
    heif_context_set_maximum_image_size_limit(context.get(), kMaxSide);
    heif_error error = heif_context_read_from_reader(context.get(), &kReader, job.source, nullptr);
    if (error.code != heif_error_Ok) {
        LibraryFailed(job, error);
        return;
    }
    heif_image_handle* primary = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &primary);
    const std::unique_ptr<heif_image_handle, HandleRelease> handle(primary);
    if (error.code != heif_error_Ok) {
        LibraryFailed(job, error);
        return;
    }
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (!SizeKnown(job, width > 0 ? width : 0, height > 0 ? height : 0)) return;
    if (WantsCancel(job)) {
        Cancelled(job);
        return;
    }

    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    if (!options) {
        NoMemory(job);
        return;
    }
    options->convert_hdr_to_8bit = 1;
    heif_image* decoded = nullptr;
    error = heif_decode_image(handle.get(), &decoded, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    const std::unique_ptr<heif_image, ImageRelease> image(decoded);
    if (error.code != heif_error_Ok) {
        LibraryFailed(job, error);
        return;
    }
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (plane == nullptr || heif_image_get_width(image.get(), heif_channel_interleaved) != width ||
        heif_image_get_height(image.get(), heif_channel_interleaved) != height ||
        heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8) {
        Damaged(job, "its picture is not the size its header gives");
        return;
    }
    const auto w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);
    std::uint8_t* pixels = TakePicture(job, w, h);
    if (pixels == nullptr) return;
    const bool premultiplied = heif_image_handle_is_premultiplied_alpha(handle.get()) != 0;
    const std::uint8_t* bg = job.request->background;
    for (std::uint32_t y = 0; y < h; ++y) {
        const std::uint8_t* row = plane + std::size_t(y) * static_cast<std::size_t>(stride);
        std::uint8_t* into = DisplayRow(pixels, w, h, y);
        if (!alpha) {
            RgbRow(row, w, into);
        } else if (premultiplied) {
            PremultipliedRow(row, w, bg, into);
        } else {
            RgbaRow(row, w, bg, into);
        }
    }
}

}  // namespace vantor::decoders
