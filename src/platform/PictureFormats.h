// The picture formats, known by a file's name: one row a format. Everything that
// takes a file by its name (Open, the command line and its folders, File Select,
// the show, the decoding ahead, the write and its output names, the Auto Search)
// asks this table. A new format is its kind and its row here, its decoder in
// imaging/ and its case in CVantorView::LoadByEnding (viewer/Loaders.cpp).
#pragma once

#include <array>
#include <string>
#include <vector>

namespace vantor {

enum class PictureKind { None, Jpeg, Bmp, Png, Gif, Webp, Tiff, Heic, Avif };

struct PictureFormat {
    PictureKind kind = PictureKind::None;
    // The format's name in the write's reasons ("not a readable JPEG picture").
    const char* name = nullptr;
    // The name's endings in lower case, matched in any case, the first the usual
    // one; the texts and the filters list them in this order. The write replaces
    // the whole ending (a.jpeg is written as a.JPG).
    std::array<const char*, 4> endings{};
    // The entry of the Open and File Select filters; its patterns are the endings.
    const char* filterName = nullptr;
    // A decoder reads it: a folder gives it, File Select offers it, the write
    // reads it, and the names no such row takes are "not a picture name". A format
    // without one is still opened, for its loader to say so.
    bool decoded = false;
    // The show and the write decode the next such slides ahead, quietly (through
    // imaging/JpegPrefetch).
    bool decodedAhead = false;
    // View > Rotate by EXIF Orientation turns it upright.
    bool autoRotated = false;
    // Its transparent parts are drawn over the background: the picture on screen
    // is decoded again when the view's background changes.
    bool transparent = false;
    // Its decoder scales while decoding: on screen it is decoded at the size it
    // is shown at, and whole where every pixel is needed.
    bool decodedScaled = false;
    // The Auto Search takes a name whose last bytes are exactly this ending, in
    // lower or in upper case (a.jpg and a.JPG, never a.Jpg or a.jpeg); none: never.
    const char* searchEnding = nullptr;
};

inline constexpr PictureFormat kPictureFormats[] = {
    {.kind = PictureKind::Jpeg,
     .name = "JPEG",
     .endings = {".jpg", ".jpeg", ".jpe"},
     .filterName = "JPG File (*.JPG)",
     .decoded = true,
     .decodedAhead = true,
     .autoRotated = true,
     .searchEnding = ".jpg"},
    {.kind = PictureKind::Bmp,
     .name = "BMP",
     .endings = {".bmp"},
     .filterName = "BMP (*.BMP)",
     .decoded = true,
     .searchEnding = ".bmp"},
    {.kind = PictureKind::Png,
     .name = "PNG",
     .endings = {".png"},
     .filterName = "PNG (*.PNG)",
     .decoded = true,
     .decodedAhead = true,
     .transparent = true},
    {.kind = PictureKind::Gif,
     .name = "GIF",
     .endings = {".gif"},
     .filterName = "GIF (*.GIF)",
     .decoded = true,
     .decodedAhead = true,
     .transparent = true},
    {.kind = PictureKind::Webp,
     .name = "WebP",
     .endings = {".webp"},
     .filterName = "WebP (*.WEBP)",
     .decoded = true,
     .decodedAhead = true,
     .transparent = true,
     .decodedScaled = true},
    {.kind = PictureKind::Tiff,
     .name = "TIFF",
     .endings = {".tif", ".tiff"},
     .filterName = "TIFF (*.TIF)",
     .decoded = true,
     .decodedAhead = true,
     .transparent = true},
    {.kind = PictureKind::Heic,
     .name = "HEIC",
     .endings = {".heic", ".heif"},
     .filterName = "HEIC (*.HEIC)",
     .decoded = true,
     .decodedAhead = true,
     .transparent = true},
    {.kind = PictureKind::Avif,
     .name = "AVIF",
     .endings = {".avif"},
     .filterName = "AVIF (*.AVIF)",
     .decoded = true,
     .decodedAhead = true,
     .transparent = true},
};

// The row of the ending path has, letter case ignored; nullptr for none.
const PictureFormat* FormatOf(const std::string& path);
PictureKind PictureKindOf(const std::string& path);

// True when a decoder reads what path's ending names.
bool IsDecodedPicture(const std::string& path);

// The files of a folder whose names a decoder reads, in byte order of their names,
// as the folder's path joined with each; its subfolders are not entered. Nothing
// when the folder cannot be listed.
std::vector<std::string> PicturesIn(const std::string& folder);

// Why a name is refused: "the name does not end in .jpg, .jpeg, .jpe, .bmp, ...
// or .avif", the endings that a decoder reads.
std::string NotAPictureName();

// A file dialog's filter of the formats' rows, then "All files (*.*)|*.*||":
// all of them (Open), or only those a decoder reads (File Select).
enum class FilterRows { All, Decoded };
std::string PictureFilter(FilterRows rows);

// The Auto Search's rule: the name ends exactly in a search ending, in lower or
// in upper case.
bool TakenByAutoSearch(const std::string& name);

// The name a picture is written under: its ending's letters after the dot become
// extension ("a.jpeg" and "JPG" give "a.JPG"); a name of no known ending has its
// last three characters replaced.
std::string WrittenName(const std::string& name, const char* extension);

}  // namespace vantor
