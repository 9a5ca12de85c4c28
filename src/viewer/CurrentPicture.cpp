#include "viewer/CurrentPicture.h"

#include <algorithm>
#include <utility>

#include "platform/PictureFormats.h"
#include "platform/Ui.h"
#include "viewer/DecodeMessages.h"

namespace vantor {

namespace {

// A decode at the one reduction its context holds.
unsigned FixedScale(std::uint32_t, std::uint32_t, const void* context) {
    return *static_cast<const unsigned*>(context);
}

// A picture of another format as a decoded JPEG is held: the same fields.
JpegFile::Picture AsPicture(DecodedPicture decoded) {
    JpegFile::Picture picture;
    picture.pixels = std::move(decoded.pixels);
    picture.width = decoded.width;
    picture.height = decoded.height;
    picture.trueWidth = decoded.trueWidth;
    picture.trueHeight = decoded.trueHeight;
    picture.stamp = decoded.stamp;
    return picture;
}

}  // namespace

unsigned CoveringScale(std::uint32_t width, std::uint32_t height, std::uint32_t needWidth, std::uint32_t needHeight) {
    for (unsigned m = 1; m < 8; ++m) {
        // The library's reduced size: the side times m/8, rounded up.
        const std::uint64_t w = (std::uint64_t{width} * m + 7) / 8, h = (std::uint64_t{height} * m + 7) / 8;
        if (w >= needWidth && h >= needHeight) return m;
    }
    return 8;
}

CurrentPicture::~CurrentPicture() { m_ahead.Drop(); }

void CurrentPicture::Changed() {
    ++m_generation;
    m_shrunk = ShrunkPicture{};
    m_padded.reset();
    m_drawable = DibImage{};
}

void CurrentPicture::KeepShrunk(ShrunkPicture shrunk) {
    if (!m_pixels) return;
    m_shrunk = std::move(shrunk);
    m_drawable = DibImage{};  // made again, with it
}

void CurrentPicture::DropPixels() {
    GiveBlock(&m_memory, std::move(m_pixels));
    m_pixels.reset();
    m_pixelWidth = m_pixelHeight = 0;
    m_sourcePath.clear();
    m_sourceCodec.reset();
    m_fileOrder = false;
}

void CurrentPicture::Replace(PixelBlock pixels, std::uint32_t width, std::uint32_t height) {
    DropPixels();
    m_pixels = std::move(pixels);
    m_width = m_pixelWidth = width;
    m_height = m_pixelHeight = height;
    if (!m_pixels) m_pixelWidth = m_pixelHeight = 0;
    Changed();
}

void CurrentPicture::Replace(RgbBuffer pixels, std::uint32_t width, std::uint32_t height) {
    Replace(PixelBlock{std::move(pixels), std::uint64_t{width} * height * 3}, width, height);
}

void CurrentPicture::Replace(JpegFile::Picture picture, const std::string& path) {
    Replace(std::move(picture), path, std::nullopt, {});
}

void CurrentPicture::Replace(DecodedPicture picture, const std::string& path, PictureCodec codec,
                             const std::array<std::uint8_t, 3>& background) {
    Replace(AsPicture(std::move(picture)), path, codec, background);
}

void CurrentPicture::Replace(JpegFile::Picture picture, const std::string& path, std::optional<PictureCodec> codec,
                             const std::array<std::uint8_t, 3>& background) {
    // A decode that failed before it sized the picture leaves the size 0, as a
    // decode at full size would.
    const bool sized = picture.width != 0;
    Replace(std::move(picture.pixels), picture.width, picture.height);
    m_width = sized ? picture.trueWidth : 0;
    m_height = sized ? picture.trueHeight : 0;
    if (Reduced()) {
        m_sourcePath = path;
        m_sourceStamp = picture.stamp;
        m_sourceUpright = picture.upright;
        m_sourceCodec = codec;
        m_sourceBackground = background;
    }
}

void CurrentPicture::Clear() {
    DropPixels();
    Changed();
}

PixelBlock CurrentPicture::Release(std::uint32_t& width, std::uint32_t& height) {
    width = m_pixelWidth;
    height = m_pixelHeight;
    PixelBlock pixels = std::move(m_pixels);
    m_pixels.reset();
    DropPixels();
    Changed();
    return pixels;
}

CurrentPicture::FileOrder::FileOrder(CurrentPicture& picture) : m_picture(picture) {
    ToggleOrder(m_picture.m_pixels.get(), m_picture.m_pixelWidth, m_picture.m_pixelHeight);
    m_picture.m_fileOrder = true;
    m_picture.m_paintMissed = false;
    m_picture.Changed();
}

CurrentPicture::FileOrder::~FileOrder() {
    ToggleOrder(m_picture.m_pixels.get(), m_picture.m_pixelWidth, m_picture.m_pixelHeight);
    m_picture.m_fileOrder = false;
    m_picture.Changed();
    // A paint in between drew no picture: it is drawn now.
    if (m_picture.m_paintMissed) TheUi().Invalidate(false);
    m_picture.m_paintMissed = false;
}

JpegFile::Picture CurrentPicture::DecodeSourceAgain(std::uint32_t width, std::uint32_t height, bool aloud) {
    JpegFile::Picture picture;
    if (m_sourceCodec) {
        DecodeRequest request;
        std::copy(m_sourceBackground.begin(), m_sourceBackground.end(), request.background);
        request.atLeastWidth = width;
        request.atLeastHeight = height;
        request.memory = &m_memory;
        DecodedPicture decoded = DecodePicture(*m_sourceCodec, m_sourcePath, request);
        if (aloud) ShowDecodeOutcome(decoded.outcome, PictureKindOf(m_sourcePath));
        if (!(aloud ? decoded.outcome.Ok() : decoded.outcome.Clean())) {
            GiveBlock(&m_memory, std::move(decoded.pixels));
            return picture;
        }
        return AsPicture(std::move(decoded));
    }
    const unsigned eighths = width == 0 ? 8 : CoveringScale(m_width, m_height, width, height);
    JpegFile::Options options;
    options.choose = &FixedScale;
    options.context = &eighths;
    options.memory = &m_memory;
    options.upright = m_sourceUpright;
    if (aloud) {
        ShowDecodeOutcome(JpegFile::Load(m_sourcePath, options, picture), PictureKind::Jpeg);
        return picture;
    }
    // Nobody hears of this decode: one with anything to tell gives nothing, and
    // the file a later warning names stays the one opened last before it.
    // NOLINTNEXTLINE(performance-unnecessary-copy-initialization): the decode changes it
    const std::string named = LastJpegPath();
    const bool clean = JpegFile::Load(m_sourcePath, options, picture).Clean();
    NoteJpegPath(named);
    if (!clean) {
        GiveBlock(&m_memory, std::move(picture.pixels));
        picture.pixels.reset();
    }
    return picture;
}

bool CurrentPicture::MakeFull() {
    if (!m_pixels) return false;
    if (!Reduced()) return true;
    JpegFile::Picture full = DecodeSourceAgain(0, 0, true);
    if (!full.pixels) return false;
    // A file changed since may hold another picture than the one on screen.
    const bool changed = full.stamp != m_sourceStamp;
    Replace(std::move(full.pixels), full.width, full.height);
    if (changed) TheUi().Invalidate(false);
    return true;
}

bool CurrentPicture::Cover(std::uint32_t width, std::uint32_t height) {
    if (!m_pixels || m_fileOrder) return false;
    if (m_pixelWidth >= width && m_pixelHeight >= height) return true;
    if (!Reduced()) return false;
    FileStamp now;
    if (!StampOf(m_sourcePath, now) || now != m_sourceStamp) return false;
    JpegFile::Picture more = DecodeSourceAgain(width, height, false);
    if (!more.pixels || more.stamp != m_sourceStamp || more.trueWidth != m_width || more.trueHeight != m_height) {
        GiveBlock(&m_memory, std::move(more.pixels));
        return false;
    }
    more.upright = m_sourceUpright;
    const std::string path = m_sourcePath;
    Replace(std::move(more), path, m_sourceCodec, m_sourceBackground);
    return m_pixelWidth >= width && m_pixelHeight >= height;
}

const DibImage& CurrentPicture::Drawable() {
    if (!m_pixels || m_fileOrder) {
        if (m_fileOrder) m_paintMissed = true;
        static const DibImage kNone{};
        return kNone;
    }
    if (m_drawable.bits != nullptr && m_drawableGeneration == m_generation) return m_drawable;
    m_drawable = Padded();
    m_drawable.shrunk = m_shrunk.pixels.get();
    m_drawable.shrunkWidth = m_shrunk.width;
    m_drawable.shrunkHeight = m_shrunk.height;
    return m_drawable;
}

DibImage CurrentPicture::Padded() {
    m_drawableGeneration = m_generation;
    std::uint32_t rowLength = PaddedRowLength(m_pixelWidth);
    if (rowLength == m_pixelWidth * 3) {
        // Rows already end on four bytes: the picture itself is drawable.
        m_padded.reset();
        return DibImage{m_pixels.get(), m_pixelWidth, m_pixelHeight, rowLength, m_generation};
    }
    m_padded = PadRowsToDword(m_pixels.get(), m_pixelWidth, m_pixelHeight, rowLength);
    return m_padded ? DibImage{m_padded.get(), m_pixelWidth, m_pixelHeight, rowLength, m_generation} : DibImage{};
}

}  // namespace vantor
