// The picture the view holds (its m_buf) and everything made from it: its size,
// the generation that tells one picture from the next, the copy padded for
// drawing, the memory pictures are decoded into and the slide decoded ahead. The picture changes in three ways only: it
// is replaced, cleared, or put in file order for the length of a scope. Each of them changes the generation, so nothing
// drawn from an earlier picture is shown again.
//
// A JPEG may be decoded reduced (a DCT scale in eighths) when the screen needs
// fewer pixels: Width() x Height() stay the file's own size, while the pixels are
// PixelWidth() x PixelHeight(). Where full pixels are needed, MakeFull() decodes
// the file again at full size; the reduced pixels never stand for the picture.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "imaging/AreaShrink.h"
#include "imaging/JpegFile.h"
#include "imaging/JpegPrefetch.h"
#include "imaging/PictureDecoders.h"
#include "imaging/PictureMemory.h"
#include "imaging/RgbBuffer.h"
#include "platform/Canvas.h"
#include "platform/FileSystem.h"

namespace vantor {

class CurrentPicture {
public:
    CurrentPicture() = default;
    CurrentPicture(const CurrentPicture&) = delete;
    CurrentPicture& operator=(const CurrentPicture&) = delete;
    ~CurrentPicture();

    // ---- what it is ----------------------------------------------------------------
    explicit operator bool() const { return static_cast<bool>(m_pixels); }
    // Display order (bottom row first, blue green red), PixelWidth() x PixelHeight().
    const std::uint8_t* get() const { return m_pixels.get(); }
    // The picture's own size; kept when the picture is cleared.
    const std::uint32_t& Width() const { return m_width; }
    const std::uint32_t& Height() const { return m_height; }
    std::uint32_t PixelWidth() const { return m_pixelWidth; }
    std::uint32_t PixelHeight() const { return m_pixelHeight; }
    bool Reduced() const { return m_pixels && (m_pixelWidth != m_width || m_pixelHeight != m_height); }
    std::uint64_t Generation() const { return m_generation; }

    // ---- the three ways to change it -------------------------------------------------
    // A picture at its own size, in display order.
    void Replace(PixelBlock pixels, std::uint32_t width, std::uint32_t height);
    void Replace(RgbBuffer pixels, std::uint32_t width, std::uint32_t height);
    // A decoded JPEG file, reduced or not. A reduced one keeps the path, the file's
    // stamp and its turn, so that MakeFull and Cover can decode the same file again.
    void Replace(JpegFile::Picture picture, const std::string& path);
    // The same for a picture of another format, decoded over background (a WebP
    // may be decoded scaled).
    void Replace(DecodedPicture picture, const std::string& path, PictureCodec codec,
                 const std::array<std::uint8_t, 3>& background);
    // The picture as it was just replaced, already shrunk for the screen (decoded
    // ahead): the paint draws it as it is when it asks for exactly its size.
    void KeepShrunk(ShrunkPicture shrunk);
    // No picture; the size stays what it was.
    void Clear();
    // Takes the pixels out (the picture is cleared); their decoded size in width x height.
    PixelBlock Release(std::uint32_t& width, std::uint32_t& height);

    // For its lifetime the pixels are in file order (top row first, red green blue),
    // for a codec that writes that order. Nothing is drawn from them meanwhile: a
    // paint in between draws no picture, and one is asked for when the scope ends.
    class FileOrder {
    public:
        explicit FileOrder(CurrentPicture& picture);
        ~FileOrder();
        FileOrder(const FileOrder&) = delete;
        FileOrder& operator=(const FileOrder&) = delete;
        const std::uint8_t* get() const { return m_picture.m_pixels.get(); }

    private:
        CurrentPicture& m_picture;
    };

    // Every pixel of the picture, for a save: a reduced decode is decoded again at
    // full size, aloud, from the file as it is now. A file changed since is the
    // picture the user sees named: what it holds now becomes the picture, its size
    // included. When that decode fails (the user has been told why) the
    // picture stays as it was, reduced and of its own size, and nothing may be
    // written from it: false, as without a picture.
    [[nodiscard]] bool MakeFull();
    // Decodes the file again, quietly, at the smallest reduction whose pixels
    // cover width x height, when the pixels held are fewer; the pixels held stay
    // when that fails. True when the pixels now cover that size.
    bool Cover(std::uint32_t width, std::uint32_t height);

    // ---- memory and decoding ahead -------------------------------------------------------
    PictureMemory& Memory() { return m_memory; }
    JpegPrefetch& Ahead() { return m_ahead; }

    // ---- drawing ---------------------------------------------------------------------------
    // The pixels with rows padded to four bytes, kept while the picture stays the
    // same; empty without a picture and while the pixels are in file order.
    const DibImage& Drawable();

    // Paints asked for while the pixels were in file order.
    bool PaintMissed() const { return m_paintMissed; }

private:
    void Changed();
    void DropPixels();
    // The pixels as a drawable image, rows padded to four bytes when they are not.
    DibImage Padded();

    PictureMemory m_memory;  // before m_ahead, which decodes into it
    JpegPrefetch m_ahead{&m_memory};

    PixelBlock m_pixels;
    std::uint32_t m_width = 801, m_height = 601;
    std::uint32_t m_pixelWidth = 0, m_pixelHeight = 0;
    std::uint64_t m_generation = 0;
    bool m_fileOrder = false;
    bool m_paintMissed = false;

    // Where a reduced decode came from: the file, as it was read.
    std::string m_sourcePath;
    FileStamp m_sourceStamp;
    bool m_sourceUpright = false;  // turned by its Exif orientation
    // Another format than JPEG: its decoder, and what it was decoded over.
    std::optional<PictureCodec> m_sourceCodec;
    std::array<std::uint8_t, 3> m_sourceBackground{};
    // A decode of the file again at its own size (nothing at all covering), or
    // the smallest covering width x height; true size in the picture's trueWidth.
    JpegFile::Picture DecodeSourceAgain(std::uint32_t width, std::uint32_t height, bool aloud);
    void Replace(JpegFile::Picture picture, const std::string& path, std::optional<PictureCodec> codec,
                 const std::array<std::uint8_t, 3>& background);

    ShrunkPicture m_shrunk;  // of this generation, or nothing
    RgbBuffer m_padded;
    DibImage m_drawable;
    std::uint64_t m_drawableGeneration = ~std::uint64_t{0};
};

// The smallest DCT reduction (in eighths) whose decode of a width x height picture
// still covers needWidth x needHeight; 8 (full size) when none does.
unsigned CoveringScale(std::uint32_t width, std::uint32_t height, std::uint32_t needWidth, std::uint32_t needHeight);

}  // namespace vantor
