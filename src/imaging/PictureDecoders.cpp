// The decoders' common road: the source, the outcomes they give alike, the rows
// they write, and the choice of decoder.
#include "imaging/PictureDecoders.h"

#include <sys/types.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "imaging/DecoderInternal.h"

namespace vantor {

namespace decoders {

std::size_t Source::Read(void* into, std::size_t bytes) {
    std::size_t got = 0;
    if (file != nullptr) {
        got = std::fread(into, 1, bytes, file);
    } else {
        const std::uint64_t left = position < size ? size - position : 0;
        got = bytes < left ? bytes : static_cast<std::size_t>(left);
        if (got > 0) std::memcpy(into, data + position, got);
        position += got;
    }
    if (got < bytes) cutShort = true;
    return got;
}

bool Source::Seek(std::uint64_t offset) {
    if (file != nullptr) return offset <= INT64_MAX && ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
    position = offset;
    return true;
}

std::uint64_t Source::Tell() const {
    if (file == nullptr) return position;
    const off_t at = ::ftello(file);
    return at < 0 ? 0 : static_cast<std::uint64_t>(at);
}

std::unique_ptr<std::uint8_t[]> Source::ReadAll() {
    if (!Seek(0) || size == 0) return nullptr;
    std::unique_ptr<std::uint8_t[]> bytes = AllocBytes(size);
    if (bytes && Read(bytes.get(), static_cast<std::size_t>(size)) != size) bytes.reset();
    return bytes;
}

namespace {

bool Fail(Job& job, DecodeStatus status, std::string message) {
    job.picture->outcome = DecodeOutcome::Failed(status, std::move(message));
    return false;
}

// a/an before the format's name.
std::string Article(const char* name) {
    return std::strchr("AEIOU", name[0]) != nullptr ? std::string("an ") + name : std::string("a ") + name;
}

// round(x / 255) for x up to 255 * 255 + 127, without a division.
inline std::uint32_t Div255(std::uint32_t x) { return (x + 128 + ((x + 128) >> 8)) >> 8; }

}  // namespace

bool NotOfFormat(Job& job) { return Fail(job, DecodeStatus::Corrupt, "not " + Article(job.name) + " picture"); }
bool CutShort(Job& job) { return Fail(job, DecodeStatus::Corrupt, "cut short"); }
bool Damaged(Job& job, const std::string& why) { return Fail(job, DecodeStatus::Corrupt, "damaged: " + why); }
bool Unsupported(Job& job, const std::string& what) {
    return Fail(job, DecodeStatus::Unsupported, std::string("a kind of ") + job.name + " that is not read: " + what);
}
bool NoMemory(Job& job) { return Fail(job, DecodeStatus::OutOfMemory, "out of memory"); }
bool Cancelled(Job& job) { return Fail(job, DecodeStatus::Cancelled, "cancelled"); }

bool SizeKnown(Job& job, std::uint64_t width, std::uint64_t height) {
    if (width == 0 || height == 0)
        return Damaged(job,
                       "the picture is empty (" + std::to_string(width) + " x " + std::to_string(height) + " pixels)");
    if (width <= UINT32_MAX && height <= UINT32_MAX) {
        job.picture->trueWidth = static_cast<std::uint32_t>(width);
        job.picture->trueHeight = static_cast<std::uint32_t>(height);
        if (job.headerOnly) return false;  // Ok: the caller weighs the size
    }
    if (width > UINT32_MAX || height > UINT32_MAX || width * height > kMaxPicturePixels)
        return Fail(job, DecodeStatus::TooLarge, TooLargeReason(width, height));
    return true;
}

bool WantsCancel(const Job& job) {
    return job.request->cancel != nullptr && job.request->cancel->load(std::memory_order_relaxed);
}

std::uint8_t* TakePicture(Job& job, std::uint32_t width, std::uint32_t height, std::uint32_t extraPerPixel) {
    DecodedPicture& picture = *job.picture;
    picture.pixels = TakeBlock(job.request->memory, std::uint64_t{width} * height * (3 + extraPerPixel));
    if (!picture.pixels) {
        NoMemory(job);
        return nullptr;
    }
    picture.width = width;
    picture.height = height;
    return picture.pixels.get();
}

void RgbRow(const std::uint8_t* rgb, std::uint32_t count, std::uint8_t* into) {
    for (std::uint32_t x = 0; x < count; ++x, rgb += 3, into += 3) {
        const std::uint8_t red = rgb[0];
        into[1] = rgb[1];
        into[0] = rgb[2];
        into[2] = red;
    }
}

void RgbaRow(const std::uint8_t* rgba, std::uint32_t count, const std::uint8_t* background, std::uint8_t* into) {
    for (std::uint32_t x = 0; x < count; ++x, rgba += 4, into += 3) {
        const std::uint32_t a = rgba[3];
        const std::uint8_t red = rgba[0], green = rgba[1], blue = rgba[2];
        if (a == 255) {
            into[0] = blue, into[1] = green, into[2] = red;
        } else {
            into[0] = static_cast<std::uint8_t>(Div255(a * blue + (255 - a) * background[2]));
            into[1] = static_cast<std::uint8_t>(Div255(a * green + (255 - a) * background[1]));
            into[2] = static_cast<std::uint8_t>(Div255(a * red + (255 - a) * background[0]));
        }
    }
}

void PremultipliedRow(const std::uint8_t* rgba, std::uint32_t count, const std::uint8_t* background,
                      std::uint8_t* into) {
    for (std::uint32_t x = 0; x < count; ++x, rgba += 4, into += 3) {
        const std::uint32_t under = 255 - rgba[3];
        const std::uint32_t red = rgba[0], green = rgba[1], blue = rgba[2];
        // A damaged file may hold a colour above its alpha: never past white.
        const auto over = [under](std::uint32_t c, std::uint8_t bg) {
            const std::uint32_t v = c + Div255(under * bg);
            return static_cast<std::uint8_t>(v > 255 ? 255 : v);
        };
        into[0] = over(blue, background[2]);
        into[1] = over(green, background[1]);
        into[2] = over(red, background[0]);
    }
}

}  // namespace decoders

namespace {

// The decoder of a codec, and the format's name in its texts.
std::pair<void (*)(decoders::Job&), const char*> DecoderOf(PictureCodec codec) {
    switch (codec) {
        case PictureCodec::Png: return {decoders::DecodePng, "PNG"};
        case PictureCodec::Gif: return {decoders::DecodeGif, "GIF"};
        case PictureCodec::Webp: return {decoders::DecodeWebp, "WebP"};
        case PictureCodec::Tiff: return {decoders::DecodeTiff, "TIFF"};
        case PictureCodec::Heic: return {decoders::DecodeHeif, "HEIC"};
        case PictureCodec::Avif: return {decoders::DecodeHeif, "AVIF"};
    }
    return {decoders::DecodePng, "PNG"};
}

void Run(PictureCodec codec, decoders::Source& source, const DecodeRequest& request, bool headerOnly,
         DecodedPicture& picture) {
    const auto [decode, name] = DecoderOf(codec);
    decoders::Job job{&source, &request, headerOnly, name, &picture};
    decode(job);
    if (!picture.outcome.Ok() && picture.pixels) {  // never half a picture
        GiveBlock(request.memory, std::move(picture.pixels));
        picture.pixels.reset();
    }
}

DecodeOutcome CannotOpen() {
    const int error = errno;
    if (error == EINVAL) return DecodeOutcome::Failed(DecodeStatus::CannotOpen, "not a regular file");
    return DecodeOutcome::Failed(DecodeStatus::CannotOpen, std::string("cannot be opened: ") + std::strerror(error));
}

DecodedPicture DecodeFile(PictureCodec codec, const std::string& path, const DecodeRequest& request, bool headerOnly) {
    DecodedPicture picture;
    const FilePtr file(OpenRegularFile(path, &picture.stamp));
    if (!file) {
        picture.outcome = CannotOpen();
        return picture;
    }
    decoders::Source source;
    source.file = file.get();
    source.size = picture.stamp.size;
    Run(codec, source, request, headerOnly, picture);
    return picture;
}

DecodedPicture DecodeBytes(PictureCodec codec, const std::uint8_t* data, std::size_t size, const DecodeRequest& request,
                           bool headerOnly) {
    DecodedPicture picture;
    decoders::Source source;
    source.data = data;
    source.size = data != nullptr ? size : 0;
    Run(codec, source, request, headerOnly, picture);
    return picture;
}

PictureSize SizeOf(DecodedPicture&& picture) {
    return {std::move(picture.outcome), picture.trueWidth, picture.trueHeight};
}

}  // namespace

std::optional<PictureCodec> CodecFor(PictureKind kind) {
    switch (kind) {
        case PictureKind::Png: return PictureCodec::Png;
        case PictureKind::Gif: return PictureCodec::Gif;
        case PictureKind::Webp: return PictureCodec::Webp;
        case PictureKind::Tiff: return PictureCodec::Tiff;
        case PictureKind::Heic: return PictureCodec::Heic;
        case PictureKind::Avif: return PictureCodec::Avif;
        case PictureKind::None:
        case PictureKind::Jpeg:
        case PictureKind::Bmp: break;
    }
    return std::nullopt;
}

DecodedPicture DecodePicture(PictureCodec codec, const std::string& path, const DecodeRequest& request) {
    return DecodeFile(codec, path, request, false);
}

DecodedPicture DecodePicture(PictureCodec codec, const std::uint8_t* data, std::size_t size,
                             const DecodeRequest& request) {
    return DecodeBytes(codec, data, size, request, false);
}

PictureSize ReadPictureSize(PictureCodec codec, const std::string& path) {
    return SizeOf(DecodeFile(codec, path, DecodeRequest{}, true));
}

PictureSize ReadPictureSize(PictureCodec codec, const std::uint8_t* data, std::size_t size) {
    return SizeOf(DecodeBytes(codec, data, size, DecodeRequest{}, true));
}

}  // namespace vantor
