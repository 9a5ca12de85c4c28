// The decoders of PNG, GIF, WebP, TIFF, HEIC and AVIF against ImageMagick's own
// decode of the same files, and on damaged, huge and cut files.
#include <gtest/gtest.h>
#include <libheif/heif.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "TestSupport.h"
#include "imaging/BmpTestSupport.h"
#include "imaging/ImageMagickSupport.h"
#include "imaging/PictureDecoders.h"

namespace vantor::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint8_t kBackground[3] = {30, 200, 90};
constexpr const char* kPhoto = "rose: -resize 97x61! ";
// The photo with alpha rising from 0 on the left to 1 on the right.
constexpr const char* kFading = "rose: -resize 97x61! -alpha set -channel A -fx i/w +channel ";

// A decoded picture in ImageMagick's form.
RgbPicture TopDown(const DecodedPicture& picture) {
    return FromDisplayOrder(picture.pixels.get(), picture.width, picture.height);
}

DecodeRequest OnBackground() {
    DecodeRequest request;
    std::memcpy(request.background, kBackground, 3);
    return request;
}

TEST(PictureDecoders, DecodeAsImageMagickDoes) {
    if (!HaveImageMagick()) VANTOR_SKIP_UNLESS_CI("no /usr/bin/convert");
    struct Case {
        PictureCodec codec;
        const char* name;
        std::string make;    // convert's arguments before the output
        int tolerance = 0;   // the largest difference of a sample
        double minPsnr = 0;  // lossy formats: ImageMagick converts colours its own way
    };
    const std::string photo = kPhoto, fading = kFading;
    const Case cases[] = {
        {PictureCodec::Png, "rgb.png", photo + "PNG24:"},
        {PictureCodec::Png, "rgba.png", fading + "PNG32:"},
        {PictureCodec::Png, "rgb16.png", photo + "-depth 16 PNG48:"},
        {PictureCodec::Png, "rgba16.png", fading + "-depth 16 PNG64:"},
        {PictureCodec::Png, "palette.png", photo + "-colors 50 PNG8:"},
        {PictureCodec::Png, "palette-trns.png", fading + "PNG8:"},
        {PictureCodec::Png, "gray.png", photo + "-colorspace Gray PNG:"},
        {PictureCodec::Png, "gray16.png", photo + "-colorspace Gray -depth 16 PNG:"},
        {PictureCodec::Png, "gray-alpha.png", fading + "-colorspace Gray PNG:"},
        {PictureCodec::Png, "bilevel.png", photo + "-monochrome PNG:"},
        {PictureCodec::Png, "interlaced.png", photo + "-interlace PNG PNG24:"},
        {PictureCodec::Png, "interlaced-rgba.png", fading + "-interlace PNG PNG32:"},
        {PictureCodec::Png, "interlaced-rgba16.png", fading + "-depth 16 -interlace PNG PNG64:"},
        {PictureCodec::Gif, "plain.gif", photo + "-colors 64 GIF:"},
        {PictureCodec::Gif, "transparent.gif", fading + "-channel A -threshold 50% +channel GIF:"},
        {PictureCodec::Gif, "interlaced.gif", photo + "-interlace GIF GIF:"},
        // A first frame smaller than the screen, at its offset, under a second.
        {PictureCodec::Gif, "animated.gif",
         "-dispose none -delay 10 \\( rose: -resize 20x10! -repage 50x40+5+7 \\) \\( rose: -resize 50x40! "
         "-repage 50x40+0+0 \\) -loop 0 GIF:"},
        {PictureCodec::Webp, "lossy.webp", photo + "-quality 80 WEBP:", 255, 40},
        {PictureCodec::Webp, "lossy-alpha.webp", fading + "-quality 80 WEBP:", 255, 40},
        {PictureCodec::Webp, "lossless-alpha.webp", fading + "-define webp:lossless=true WEBP:"},
        {PictureCodec::Webp, "animated.webp",
         "-delay 10 \\( rose: -resize 50x40! \\) \\( rose: -resize 50x40! -flip \\) -loop 0 WEBP:"},
        {PictureCodec::Tiff, "none.tif", photo + "-compress None TIFF:"},
        {PictureCodec::Tiff, "lzw.tif", photo + "-compress LZW TIFF:"},
        {PictureCodec::Tiff, "zip-tiled.tif", photo + "-compress Zip -define tiff:tile-geometry=32x32 TIFF:"},
        {PictureCodec::Tiff, "jpeg.tif", photo + "-compress JPEG TIFF:", 255, 40},
        {PictureCodec::Tiff, "none-tiled.tif", photo + "-compress None -define tiff:tile-geometry=16x16 TIFF:"},
        {PictureCodec::Tiff, "rgb16.tif", photo + "-depth 16 TIFF:"},
        {PictureCodec::Tiff, "gray.tif", photo + "-colorspace Gray TIFF:"},
        {PictureCodec::Tiff, "group4.tif", photo + "-monochrome -compress Group4 TIFF:"},
        {PictureCodec::Tiff, "planes.tif", photo + "-interlace Plane TIFF:"},
        {PictureCodec::Tiff, "one-strip.tif", photo + "-define tiff:rows-per-strip=61 TIFF:"},
        {PictureCodec::Tiff, "two-pages.tif", photo + "\\( rose: -flip \\) TIFF:"},
        // libtiff's RGBA reader truncates where ImageMagick rounds: a 16-bit
        // colour table, the premultiplied alpha it makes, its CMYK.
        {PictureCodec::Tiff, "palette.tif", photo + "-colors 16 -type Palette TIFF:", 1},
        {PictureCodec::Tiff, "alpha.tif", fading + "TIFF:", 1},
        {PictureCodec::Tiff, "alpha16-one-strip.tif", fading + "-depth 16 -define tiff:rows-per-strip=61 TIFF:", 2},
        {PictureCodec::Tiff, "associated.tif", fading + "-define tiff:alpha=associated TIFF:", 1},
        {PictureCodec::Tiff, "cmyk.tif", photo + "-colorspace CMYK TIFF:", 1},
        {PictureCodec::Heic, "photo.heic", photo + "-quality 90 HEIC:", 255, 40},
        {PictureCodec::Avif, "photo.avif", photo + "-quality 90 AVIF:", 255, 40},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File(c.name);
        ASSERT_TRUE(RunConvert(c.make + "'" + path + "'"));
        const RgbPicture theirs = ImageMagickFlat(path, kBackground, std::strstr(c.name, "16") != nullptr);
        ASSERT_GT(theirs.width, 0u);

        const DecodedPicture picture = DecodePicture(c.codec, path, OnBackground());
        ASSERT_TRUE(picture.outcome.Ok()) << picture.outcome.message;
        EXPECT_EQ(picture.width, theirs.width);
        EXPECT_EQ(picture.height, theirs.height);
        EXPECT_EQ(picture.trueWidth, theirs.width);
        EXPECT_EQ(picture.trueHeight, theirs.height);
        const Difference d = Compare(TopDown(picture).pixels, theirs.pixels);
        EXPECT_LE(d.largest, c.tolerance);
        EXPECT_GE(d.psnr, c.minPsnr);

        const PictureSize size = ReadPictureSize(c.codec, path);
        EXPECT_TRUE(size.outcome.Ok()) << size.outcome.message;
        EXPECT_EQ(size.width, theirs.width);
        EXPECT_EQ(size.height, theirs.height);
        FileStamp stamp;
        ASSERT_TRUE(StampOf(path, stamp));
        EXPECT_EQ(picture.stamp, stamp);

        // From memory the same pixels; a decode no longer wanted gives none.
        const Bytes bytes = ReadFile(path);
        const DecodedPicture fromMemory = DecodePicture(c.codec, bytes.data(), bytes.size(), OnBackground());
        ASSERT_TRUE(fromMemory.outcome.Ok()) << fromMemory.outcome.message;
        EXPECT_EQ(TopDown(fromMemory).pixels, TopDown(picture).pixels);
        std::atomic<bool> cancel{true};
        DecodeRequest cancelled = OnBackground();
        cancelled.cancel = &cancel;
        const DecodedPicture gone = DecodePicture(c.codec, path, cancelled);
        EXPECT_EQ(gone.outcome.status, DecodeStatus::Cancelled);
        EXPECT_FALSE(gone.pixels);
    }
}

// Writes 8-bit samples as HEIC or AVIF through libheif, which (unlike
// ImageMagick) writes alpha and a turn for viewers to apply.
bool WriteHeif(const std::string& path, const Samples& s, bool av1, bool alpha, heif_orientation orientation) {
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    heif_encoding_options* options = heif_encoding_options_alloc();
    bool ok = heif_context_get_encoder_for_format(context, av1 ? heif_compression_AV1 : heif_compression_HEVC, &encoder)
                  .code == heif_error_Ok;
    const int w = static_cast<int>(s.width), h = static_cast<int>(s.height), channels = alpha ? 4 : 3;
    ok = ok && heif_image_create(w, h, heif_colorspace_RGB,
                                 alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &image)
                       .code == heif_error_Ok;
    ok = ok && heif_image_add_plane(image, heif_channel_interleaved, w, h, 8).code == heif_error_Ok;
    if (ok) {
        int stride = 0;
        std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < channels; ++c)
                    plane[y * stride + x * channels + c] = static_cast<std::uint8_t>(s.rgba[4 * (y * w + x) + c]);
        heif_encoder_set_lossy_quality(encoder, 95);
        options->image_orientation = orientation;
        ok = heif_context_encode_image(context, image, encoder, options, nullptr).code == heif_error_Ok &&
             heif_context_write_to_file(context, path.c_str()).code == heif_error_Ok;
    }
    heif_encoding_options_free(options);
    if (image != nullptr) heif_image_release(image);
    if (encoder != nullptr) heif_encoder_release(encoder);
    heif_context_free(context);
    return ok;
}

TEST(PictureDecoders, HeifIsTurnedAsItAsksAndFlattened) {
    if (!HaveImageMagick()) VANTOR_SKIP_UNLESS_CI("no /usr/bin/convert");
    TempDir dir;
    const std::string photo = dir.File("photo.png"), fading = dir.File("fading.png"), turned = dir.File("turned.png");
    ASSERT_TRUE(RunConvert(std::string(kPhoto) + "PNG24:'" + photo + "'"));
    ASSERT_TRUE(RunConvert(std::string(kFading) + "PNG32:'" + fading + "'"));
    ASSERT_TRUE(RunConvert("'" + photo + "' -rotate 90 '" + turned + "'"));
    const Samples opaque = ImageMagickSamples(photo, false), transparent = ImageMagickSamples(fading, false);
    const RgbPicture flat = ImageMagickFlat(fading, kBackground), upright = ImageMagickFlat(turned, kBackground);
    ASSERT_EQ(upright.width, 61u);
    struct Case {
        PictureCodec codec;
        const char* name;
        bool alpha;
        heif_orientation orientation;
        const RgbPicture& expected;
    };
    const Case cases[] = {
        {PictureCodec::Heic, "turned.heic", false, heif_orientation_rotate_90_cw, upright},
        {PictureCodec::Avif, "turned.avif", false, heif_orientation_rotate_90_cw, upright},
        {PictureCodec::Heic, "alpha.heic", true, heif_orientation_normal, flat},
        {PictureCodec::Avif, "alpha.avif", true, heif_orientation_normal, flat},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File(c.name);
        ASSERT_TRUE(
            WriteHeif(path, c.alpha ? transparent : opaque, c.codec == PictureCodec::Avif, c.alpha, c.orientation));
        const PictureSize size = ReadPictureSize(c.codec, path);
        EXPECT_EQ(size.width, c.expected.width);
        EXPECT_EQ(size.height, c.expected.height);
        const DecodedPicture picture = DecodePicture(c.codec, path, OnBackground());
        ASSERT_TRUE(picture.outcome.Ok()) << picture.outcome.message;
        ASSERT_EQ(picture.width, c.expected.width);
        ASSERT_EQ(picture.height, c.expected.height);
        EXPECT_EQ(picture.trueWidth, c.expected.width);
        EXPECT_GE(Compare(TopDown(picture).pixels, c.expected.pixels).psnr, 30);
    }
}

TEST(PictureDecoders, WebpScalesWhileDecodingToCoverWhatIsNeeded) {
    if (!HaveImageMagick()) VANTOR_SKIP_UNLESS_CI("no /usr/bin/convert");
    struct Case {
        const char* name;
        std::string make;
        std::uint32_t needW, needH, width, height;
    };
    const Case cases[] = {
        {"lossy.webp", std::string(kPhoto) + "-quality 90", 40, 25, 40, 26},   // the width decides
        {"alpha.webp", std::string(kFading) + "-quality 90", 0, 20, 32, 20},   // the height alone
        {"whole.webp", std::string(kPhoto) + "-quality 90", 200, 10, 97, 61},  // wider than the picture
        {"animated.webp", "-delay 10 \\( rose: -resize 50x40! \\) \\( rose: -flip -resize 50x40! \\) -loop 0", 25, 20,
         25, 20},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File(c.name), small = dir.File("small.png");
        ASSERT_TRUE(RunConvert(c.make + " WEBP:'" + path + "'"));
        DecodeRequest request = OnBackground();
        request.atLeastWidth = c.needW;
        request.atLeastHeight = c.needH;
        const DecodedPicture picture = DecodePicture(PictureCodec::Webp, path, request);
        ASSERT_TRUE(picture.outcome.Ok()) << picture.outcome.message;
        ASSERT_EQ(picture.width, c.width);
        ASSERT_EQ(picture.height, c.height);
        const RgbPicture whole = ImageMagickFlat(path, kBackground);
        EXPECT_EQ(picture.trueWidth, whole.width);
        EXPECT_EQ(picture.trueHeight, whole.height);
        ASSERT_TRUE(RunConvert("'" + path + "[0]' -resize " + std::to_string(c.width) + "x" + std::to_string(c.height) +
                               "! PNG32:'" + small + "'"));
        EXPECT_GE(Compare(TopDown(picture).pixels, ImageMagickFlat(small, kBackground).pixels).psnr, 25);
    }
}

void PutBe(Bytes& b, std::uint64_t v, int size) {
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8) b.push_back(static_cast<std::uint8_t>(v >> shift));
}

void PutBe32(Bytes& b, std::uint32_t v) { PutBe(b, v, 4); }

// A PNG chunk: length, type, data and its check.
Bytes PngChunk(const char* type, const Bytes& data) {
    Bytes chunk;
    PutBe32(chunk, static_cast<std::uint32_t>(data.size()));
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    PutBe32(chunk, static_cast<std::uint32_t>(crc32(0, chunk.data() + 4, static_cast<uInt>(data.size() + 4))));
    return chunk;
}

// A RIFF chunk: type, little-endian length, data padded to even.
Bytes RiffChunk(const char* type, const Bytes& data) {
    Bytes chunk(type, type + 4);
    Put(chunk, data.size(), 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    if (data.size() % 2 != 0) chunk.push_back(0);
    return chunk;
}

TEST(PictureDecoders, AnimationsShowTheirFirstFrame) {
    if (!HaveImageMagick()) VANTOR_SKIP_UNLESS_CI("no /usr/bin/convert");
    TempDir dir;
    // An animated PNG: its default picture, with frames libpng does not read.
    const std::string still = dir.File("still.png"), apng = dir.File("animated.png");
    ASSERT_TRUE(RunConvert(std::string(kPhoto) + "PNG24:'" + still + "'"));
    Bytes png = ReadFile(still);
    const std::size_t idat = std::search(png.begin(), png.end(), "IDAT", "IDAT" + 4) - png.begin() - 4;
    Bytes control, frame;
    PutBe32(control, 2), PutBe32(control, 0);
    for (std::uint32_t v : {0u, 97u, 61u, 0u, 0u}) PutBe32(frame, v);
    frame.insert(frame.end(), {0, 1, 0, 10, 0, 0});
    Bytes extra = PngChunk("acTL", control), more = PngChunk("fcTL", frame);
    extra.insert(extra.end(), more.begin(), more.end());
    png.insert(png.begin() + static_cast<std::ptrdiff_t>(idat), extra.begin(), extra.end());
    const Bytes later = PngChunk("fdAT", Bytes(40, 7));
    png.insert(png.end() - 12, later.begin(), later.end());  // before IEND
    WriteFile(apng, png);
    DecodedPicture picture = DecodePicture(PictureCodec::Png, apng, OnBackground());
    ASSERT_TRUE(picture.outcome.Ok()) << picture.outcome.message;
    EXPECT_EQ(TopDown(picture).pixels, ImageMagickFlat(still, kBackground).pixels);

    // An animated WebP whose first frame is smaller than its canvas, at +6+8.
    const std::string small = dir.File("small.webp"), animated = dir.File("animated.webp");
    ASSERT_TRUE(RunConvert(std::string(kFading) + "-resize 20x10! -define webp:lossless=true WEBP:'" + small + "'"));
    const Bytes data = ReadFile(small);
    const Bytes coded(data.begin() + 12, data.end());  // its VP8L chunk
    Bytes vp8x{0x12, 0, 0, 0}, anim(6, 0), anmf;
    Put(vp8x, 49, 3), Put(vp8x, 39, 3);
    for (std::uint32_t v : {3u, 4u, 19u, 9u, 100u}) Put(anmf, v, 3);  // x / 2, y / 2, w - 1, h - 1, time
    anmf.push_back(0x02);                                             // no blending
    anmf.insert(anmf.end(), coded.begin(), coded.end());
    Bytes body{'W', 'E', 'B', 'P'};
    for (const Bytes& chunk : {RiffChunk("VP8X", vp8x), RiffChunk("ANIM", anim), RiffChunk("ANMF", anmf)})
        body.insert(body.end(), chunk.begin(), chunk.end());
    WriteFile(animated, RiffChunk("RIFF", body));
    picture = DecodePicture(PictureCodec::Webp, animated, OnBackground());
    ASSERT_TRUE(picture.outcome.Ok()) << picture.outcome.message;
    ASSERT_EQ(picture.width, 50u);
    ASSERT_EQ(picture.height, 40u);
    RgbPicture expected{50, 40, {}};
    for (int i = 0; i < 50 * 40; ++i) expected.pixels.insert(expected.pixels.end(), kBackground, kBackground + 3);
    const RgbPicture framePixels = ImageMagickFlat(small, kBackground);
    for (std::size_t y = 0; y < 10; ++y)
        std::copy_n(framePixels.pixels.begin() + static_cast<std::ptrdiff_t>(y * 60), 60,
                    expected.pixels.begin() + static_cast<std::ptrdiff_t>(((8 + y) * 50 + 6) * 3));
    EXPECT_EQ(TopDown(picture).pixels, expected.pixels);
}

// A tiny file of each format whose header declares 20000 x 20000 pixels (WebP:
// its largest, 16383 x 16383).
std::vector<std::pair<PictureCodec, Bytes>> HugeHeaders(const TempDir& dir) {
    std::vector<std::pair<PictureCodec, Bytes>> files;
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}, ihdr;
    PutBe32(ihdr, 20000), PutBe32(ihdr, 20000);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    const Bytes chunk = PngChunk("IHDR", ihdr);
    const Bytes data = PngChunk("IDAT", {});
    png.insert(png.end(), chunk.begin(), chunk.end());
    png.insert(png.end(), data.begin(), data.end());
    files.emplace_back(PictureCodec::Png, png);

    Bytes gif{'G', 'I', 'F', '8', '9', 'a'};
    Put(gif, 20000, 2), Put(gif, 20000, 2), Put(gif, 0, 3);
    gif.push_back(',');
    Put(gif, 0, 4), Put(gif, 20000, 2), Put(gif, 20000, 2), Put(gif, 0, 1), Put(gif, 8, 1);
    files.emplace_back(PictureCodec::Gif, gif);

    Bytes vp8l{0x2f};
    Put(vp8l, 16382u | (16382u << 14), 4);
    Bytes webp{'W', 'E', 'B', 'P'};
    const Bytes lossless = RiffChunk("VP8L", vp8l);
    webp.insert(webp.end(), lossless.begin(), lossless.end());
    files.emplace_back(PictureCodec::Webp, RiffChunk("RIFF", webp));

    Bytes tiff{'I', 'I', 42, 0, 8, 0, 0, 0, 7, 0};
    const std::uint32_t entries[7][3] = {{256, 4, 20000}, {257, 4, 20000}, {258, 3, 8}, {262, 3, 1},
                                         {273, 4, 98},    {278, 4, 20000}, {279, 4, 1}};
    for (const auto& e : entries) Put(tiff, e[0], 2), Put(tiff, e[1], 2), Put(tiff, 1, 4), Put(tiff, e[2], 4);
    Put(tiff, 0, 4), Put(tiff, 0, 2);
    files.emplace_back(PictureCodec::Tiff, tiff);

    for (auto [codec, name] : {std::pair{PictureCodec::Heic, "HEIC"}, std::pair{PictureCodec::Avif, "AVIF"}}) {
        const std::string path = dir.File(std::string("small.") + name);
        if (!RunConvert(std::string("rose: -resize 96x64! ") + name + ":'" + path + "'")) continue;
        Bytes heif = ReadFile(path);
        const auto ispe = std::search(heif.begin(), heif.end(), "ispe", "ispe" + 4);
        if (ispe == heif.end()) continue;
        Bytes size;
        PutBe32(size, 20000), PutBe32(size, 20000);
        std::copy(size.begin(), size.end(), ispe + 8);  // past its version and flags
        files.emplace_back(codec, heif);
    }
    return files;
}

TEST(PictureDecoders, HugeSizesAreRefusedFromTheHeader) {
    if (!HaveImageMagick()) VANTOR_SKIP_UNLESS_CI("no /usr/bin/convert");
    TempDir dir;
    const auto files = HugeHeaders(dir);
    ASSERT_EQ(files.size(), 6u);
    for (const auto& [codec, bytes] : files) {
        const std::uint32_t side = codec == PictureCodec::Webp ? 16383 : 20000;
        SCOPED_TRACE(static_cast<int>(codec));
        const std::string path = dir.File("huge");
        WriteFile(path, bytes);
        const DecodedPicture picture = DecodePicture(codec, path, {});
        EXPECT_EQ(picture.outcome.status, DecodeStatus::TooLarge);
        EXPECT_EQ(picture.outcome.message, side == 20000 ? "too large: 20000 x 20000 pixels, more than 100 megapixels"
                                                         : "too large: 16383 x 16383 pixels, more than 100 megapixels");
        EXPECT_EQ(picture.trueWidth, side);
        EXPECT_FALSE(picture.pixels);
        const PictureSize size = ReadPictureSize(codec, bytes.data(), bytes.size());
        EXPECT_TRUE(size.outcome.Ok()) << size.outcome.message;
        EXPECT_EQ(size.width, side);
        EXPECT_EQ(size.height, side);
    }
}

// A HEIF box: its size, type and payload; a full box when version is given.
Bytes HeifBox(const char* type, const Bytes& payload, int version = -1) {
    Bytes box;
    PutBe32(box, static_cast<std::uint32_t>(payload.size() + 8 + (version >= 0 ? 4 : 0)));
    box.insert(box.end(), type, type + 4);
    if (version >= 0) PutBe32(box, static_cast<std::uint32_t>(version) << 24);
    box.insert(box.end(), payload.begin(), payload.end());
    return box;
}

// The payload of the first box of that type found in a file.
Bytes BoxPayload(const Bytes& file, const char* type) {
    const auto at = std::search(file.begin(), file.end(), type, type + 4);
    if (at - file.begin() < 4) return {};
    const std::size_t start = static_cast<std::size_t>(at - file.begin()) - 4;
    const std::uint32_t size = std::uint32_t(file[start]) << 24 | std::uint32_t(file[start + 1]) << 16 |
                               std::uint32_t(file[start + 2]) << 8 | file[start + 3];
    return Bytes(file.begin() + static_cast<std::ptrdiff_t>(start + 8),
                 file.begin() + static_cast<std::ptrdiff_t>(start + std::min<std::size_t>(size, file.size() - start)));
}

// A HEIC whose picture, declared width x height, is a grid or overlay ("grid",
// "iovl") of two copies of one 64 x 64 HEVC tile side by side, its own data
// giving the canvas (32-bit fields when wide). The tiles' items are of tileType
// ("hvc1" for pictures).
Bytes HeifOfTwoTiles(const Bytes& tileFile, const char* derived, bool wide, std::uint32_t width, std::uint32_t height,
                     std::uint32_t canvasWidth, std::uint32_t canvasHeight, const char* tileType) {
    const Bytes hvcc = BoxPayload(tileFile, "hvcC"), tile = BoxPayload(tileFile, "mdat");
    const bool grid = std::strcmp(derived, "grid") == 0;
    const int field = wide ? 4 : 2;
    Bytes data{0, static_cast<std::uint8_t>(wide ? 1 : 0)};
    if (grid) data.insert(data.end(), {0, 1});             // one row, two columns
    if (!grid) PutBe(data, 0, 6), PutBe(data, 0xffff, 2);  // the fill
    PutBe(data, canvasWidth, field), PutBe(data, canvasHeight, field);
    if (!grid) PutBe(data, 0, 2 * field), PutBe(data, 64, field), PutBe(data, 0, field);  // the tiles' places

    const auto meta = [&](std::uint32_t tileAt) {
        Bytes hdlr(4, 0), pitm, iinf, dimg, ipco, ipma, iloc;
        hdlr.insert(hdlr.end(), {'p', 'i', 'c', 't'});
        hdlr.resize(hdlr.size() + 13, 0);
        PutBe(pitm, 3, 2);
        PutBe(iinf, 3, 2);
        std::uint64_t id = 0;
        for (const char* type : {tileType, tileType, derived}) {
            Bytes infe;
            PutBe(infe, ++id, 2), PutBe(infe, 0, 2);
            infe.insert(infe.end(), type, type + 4);
            infe.push_back(0);
            const Bytes box = HeifBox("infe", infe, 2);
            iinf.insert(iinf.end(), box.begin(), box.end());
        }
        PutBe(dimg, 3, 2), PutBe(dimg, 2, 2), PutBe(dimg, 1, 2), PutBe(dimg, 2, 2);
        Bytes tileSize, pictureSize;
        PutBe32(tileSize, 64), PutBe32(tileSize, 64), PutBe32(pictureSize, width), PutBe32(pictureSize, height);
        for (const Bytes& box : {HeifBox("hvcC", hvcc), HeifBox("ispe", tileSize, 0), HeifBox("ispe", pictureSize, 0)})
            ipco.insert(ipco.end(), box.begin(), box.end());
        PutBe32(ipma, 3);
        ipma.insert(ipma.end(), {0, 1, 2, 0x81, 2, 0, 2, 2, 0x81, 2, 0, 3, 1, 3});
        PutBe(iloc, 0x4400, 2), PutBe(iloc, 3, 2);
        for (std::uint64_t tileId : {1, 2}) {
            PutBe(iloc, tileId, 2), PutBe(iloc, 0, 4), PutBe(iloc, 1, 2);  // in the file, one extent
            PutBe32(iloc, tileAt), PutBe32(iloc, static_cast<std::uint32_t>(tile.size()));
        }
        PutBe(iloc, 3, 2), PutBe(iloc, 1, 2), PutBe(iloc, 0, 2), PutBe(iloc, 1, 2), PutBe32(iloc, 0);
        PutBe32(iloc, static_cast<std::uint32_t>(data.size()));
        Bytes iprp = HeifBox("ipco", ipco);
        const Bytes ipmaBox = HeifBox("ipma", ipma, 0);
        iprp.insert(iprp.end(), ipmaBox.begin(), ipmaBox.end());
        Bytes inner;
        for (const Bytes& box : {HeifBox("hdlr", hdlr, 0), HeifBox("pitm", pitm, 0), HeifBox("iinf", iinf, 0),
                                 HeifBox("iref", HeifBox("dimg", dimg), 0), HeifBox("iprp", iprp),
                                 HeifBox("idat", data), HeifBox("iloc", iloc, 1)})
            inner.insert(inner.end(), box.begin(), box.end());
        return HeifBox("meta", inner, 0);
    };
    Bytes file = HeifBox("ftyp", {'h', 'e', 'i', 'c', 0, 0, 0, 0, 'm', 'i', 'f', '1', 'h', 'e', 'i', 'c'});
    const std::size_t metaSize = meta(0).size();
    const Bytes metaBox = meta(static_cast<std::uint32_t>(file.size() + metaSize + 8));
    file.insert(file.end(), metaBox.begin(), metaBox.end());
    const Bytes mdat = HeifBox("mdat", tile);
    file.insert(file.end(), mdat.begin(), mdat.end());
    return file;
}

// Phones store their photos as grids of tiles; a crafted file's grid or overlay
// can ask for a canvas far larger than the picture it declares, which the library
// would fill before anything else is looked at, or be made of parts that are not
// pictures, on which the library aborts.
TEST(PictureDecoders, HeifGridsAndOverlaysAreComposedOnlyOfPicturesAtTheirDeclaredSize) {
    TempDir dir;
    const std::string tilePath = dir.File("tile.heic");
    Samples samples;
    samples.width = samples.height = 64;
    for (std::uint32_t i = 0; i < 64 * 64; ++i)
        for (std::uint32_t c = 0; c < 4; ++c) samples.rgba.push_back(c == 3 ? 255 : (i * (c + 3) + i / 64 * 7) % 256);
    ASSERT_TRUE(WriteHeif(tilePath, samples, false, false, heif_orientation_normal));
    const Bytes tileFile = ReadFile(tilePath);
    const DecodedPicture tile = DecodePicture(PictureCodec::Heic, tilePath, {});
    ASSERT_TRUE(tile.outcome.Ok()) << tile.outcome.message;
    const RgbPicture tilePixels = TopDown(tile);

    struct Case {
        const char* derived;
        bool wide;
        std::uint32_t canvasWidth, canvasHeight;
        const char* tileType;
        const char* refusal;  // nullptr: composed
    };
    const char* larger = "damaged: it composes a picture larger than its header gives";
    const char* notPictures = "damaged: its picture is made of a part that is not a picture";
    const Case cases[] = {
        {"grid", false, 128, 64, "hvc1", nullptr},
        {"grid", true, 128, 64, "hvc1", nullptr},
        {"iovl", false, 128, 64, "hvc1", nullptr},
        {"iovl", true, 128, 64, "hvc1", nullptr},
        {"grid", false, 26742, 25393, "hvc1", larger},  // the fuzzer's: four blocks of a gigabyte
        {"grid", true, 128, 100000, "hvc1", larger},
        {"iovl", false, 128, 65, "hvc1", larger},
        {"iovl", true, 30000, 30000, "hvc1", larger},
        {"iovl", false, 128, 64, "hvc0", notPictures},  // the fuzzer's: the library asserts
        {"grid", false, 128, 64, "mime", notPictures},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.derived) + (c.wide ? " wide " : " ") + std::to_string(c.canvasWidth) + " x " +
                     std::to_string(c.canvasHeight) + " of " + c.tileType);
        const std::string path = dir.File("tiles.heic");
        WriteFile(path,
                  HeifOfTwoTiles(tileFile, c.derived, c.wide, 128, 64, c.canvasWidth, c.canvasHeight, c.tileType));
        const DecodedPicture picture = DecodePicture(PictureCodec::Heic, path, {});
        if (c.refusal != nullptr) {
            EXPECT_EQ(picture.outcome.status, DecodeStatus::Corrupt);
            EXPECT_EQ(picture.outcome.message, c.refusal);
            EXPECT_FALSE(picture.pixels);
            continue;
        }
        ASSERT_TRUE(picture.outcome.Ok()) << picture.outcome.message;
        ASSERT_EQ(picture.width, 128u);
        ASSERT_EQ(picture.height, 64u);
        const RgbPicture whole = TopDown(picture);
        for (std::uint32_t y = 0; y < 64; ++y)
            for (std::uint32_t x = 0; x < 128; ++x)
                ASSERT_EQ(std::memcmp(&whole.pixels[3 * (y * 128 + x)], &tilePixels.pixels[3 * (y * 64 + x % 64)], 3),
                          0)
                    << x << ", " << y;
    }
}

TEST(PictureDecoders, DamagedFilesAreRefusedWithAReason) {
    if (!HaveImageMagick()) VANTOR_SKIP_UNLESS_CI("no /usr/bin/convert");
    struct Case {
        PictureCodec codec;
        const char* name;
        const char* notOne;  // what an empty file is
    };
    const Case cases[] = {
        {PictureCodec::Png, "PNG:", "not a PNG picture"},    {PictureCodec::Gif, "GIF:", "not a GIF picture"},
        {PictureCodec::Webp, "WEBP:", "not a WebP picture"}, {PictureCodec::Tiff, "TIFF:", "not a TIFF picture"},
        {PictureCodec::Heic, "HEIC:", "not a HEIC picture"}, {PictureCodec::Avif, "AVIF:", "not an AVIF picture"},
    };
    TempDir dir;
    const std::string path = dir.File("damaged");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(RunConvert(std::string(kPhoto) + c.name + "'" + path + "'"));
        const Bytes whole = ReadFile(path);
        const auto outcome = [&](const Bytes& bytes) {
            WriteFile(path, bytes);
            const DecodedPicture picture = DecodePicture(c.codec, path, OnBackground());
            EXPECT_FALSE(picture.pixels);
            return picture.outcome;
        };
        const DecodeOutcome cut =
            outcome(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() * 6 / 10)));
        EXPECT_EQ(cut.status, DecodeStatus::Corrupt);
        EXPECT_EQ(cut.message, "cut short");
        Bytes garbage = whole;
        for (std::size_t i = 16; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 151 + (i >> 3));
        const DecodeOutcome damaged = outcome(garbage);
        EXPECT_EQ(damaged.status, DecodeStatus::Corrupt) << damaged.message;
        EXPECT_FALSE(damaged.message.empty());
        EXPECT_EQ(outcome({}).message, c.notOne);
        Bytes bitmap(40, 0);
        bitmap[0] = 'B', bitmap[1] = 'M';
        EXPECT_EQ(outcome(bitmap).message, c.notOne);
    }
    // Only a regular file is read: a FIFO named like a picture never blocks.
    ASSERT_EQ(::mkfifo(dir.File("fifo.png").c_str(), 0600), 0);
    DecodedPicture picture = DecodePicture(PictureCodec::Png, dir.File("fifo.png"), {});
    EXPECT_EQ(picture.outcome.status, DecodeStatus::CannotOpen);
    EXPECT_EQ(picture.outcome.message, "not a regular file");
    picture = DecodePicture(PictureCodec::Png, dir.File("missing.png"), {});
    EXPECT_EQ(picture.outcome.status, DecodeStatus::CannotOpen);
    EXPECT_EQ(picture.outcome.message, "cannot be opened: No such file or directory");
}

// Every input the fuzzers kept, through every decoder, from its file and from memory.
TEST(PictureDecoders, KeptFuzzInputsAreDecodedOrRefused) {
    const fs::path dir = fs::path(VANTOR_TEST_DATA) / "fuzz-regressions";
    for (const auto& entry : fs::directory_iterator(dir)) {
        SCOPED_TRACE(entry.path().string());
        const Bytes bytes = ReadFile(entry.path().string());
        for (PictureCodec codec : {PictureCodec::Png, PictureCodec::Gif, PictureCodec::Webp, PictureCodec::Tiff,
                                   PictureCodec::Heic, PictureCodec::Avif}) {
            const DecodedPicture picture = DecodePicture(codec, entry.path().string(), OnBackground());
            EXPECT_EQ(picture.outcome.Ok(), static_cast<bool>(picture.pixels));
            EXPECT_EQ(picture.outcome.Ok(), picture.outcome.message.empty());
            const DecodedPicture fromMemory = DecodePicture(codec, bytes.data(), bytes.size(), OnBackground());
            EXPECT_EQ(fromMemory.outcome.status, picture.outcome.status);
            ReadPictureSize(codec, bytes.data(), bytes.size());
        }
    }
}

}  // namespace
}  // namespace vantor::test
