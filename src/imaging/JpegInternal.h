// What the JPEG reader, the band decoder and the writer share: how the library's
// errors come back, and the few settings every decode makes.
//
// libjpeg reports a fatal error through error_exit, which must not return, so the
// handler longjmps to a setjmp in the caller. A longjmp that skips a C++
// destructor is undefined, so every function between a setjmp and the library
// holds only plain data and raw pointers; the public functions, which own strings
// and blocks and turn what the library said into an outcome, run outside the
// jump region. Values changed after setjmp and read after the jump are volatile.
#pragma once

#include <atomic>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "imaging/DecodeOutcome.h"
#include "imaging/JpegFile.h"

namespace vantor::jpeg {

// What the library said during one call: the text of the error that ended it,
// and the first warning (the library passes on only an image's first).
struct LibraryWords {
    char fatal[JMSG_LENGTH_MAX];
    char warning[JMSG_LENGTH_MAX];
    int warnings;  // how many it passed on
};

struct ErrorTrap {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    LibraryWords* words;  // where its words go; none: to the user
    int cancelled;        // set before the jump that gives up a decode
};

// A fatal error jumps back, a warning lets the call go on; both are written into
// words. Without words (the writer) they are shown as they come: a fatal error in
// a box captioned "JPEG Fatal Error", a warning in two captioned "JPEG Error"
// (the text, then the path of the file opened last).
void InstallErrorTrap(ErrorTrap& trap, LibraryWords* words);

// Called between rows and between scans: gives up a decode once cancel is set,
// and refuses a progressive file of too many scans as a fatal error.
struct Progress {
    jpeg_progress_mgr mgr;
    const std::atomic<bool>* cancel;
};
void InstallProgress(jpeg_decompress_struct& cinfo, Progress& progress, const std::atomic<bool>* cancel);

// The path a warning's second box names.
void SetLastJpegPath(const std::string& path);
// The writer's box for an error that ended its call.
void ShowFatal(const char* text);

// Asks for a DCT reduction (in eighths; 8 or anything outside 1..7 is full size)
// and, in display order, for blue green red: the library's converter writes them
// exactly as it writes red green blue, only in the other order.
void SetScaleAndOrder(jpeg_decompress_struct& cinfo, unsigned eighths, bool display);

// A picture of tens of megabytes costs thousands of page faults on first touch;
// huge pages, where the kernel offers them on request, save most of them.
void PreferHugePages(std::uint8_t* start, std::size_t size);

// One decode: what is asked, then what came out. Plain data, so that it may live
// across the jump.
struct DecodeJob {
    bool headerOnly = false;  // stop after the header, reporting the frame's own size
    bool display = true;      // display order (bottom row first, blue green red), else file order
    JpegFile::ScaleChooser choose = nullptr;
    const void* context = nullptr;
    const std::atomic<bool>* cancel = nullptr;
    PictureMemory* memory = nullptr;
    bool readOrientation = false;  // keep the APP1 segments and read the Exif orientation
    const std::function<bool(std::uint64_t, std::uint32_t, std::uint32_t)>* admit =
        nullptr;  // see JpegFile::Options::admit

    int orientation = 1;             // as the file records it; 1 unless asked
    std::uint8_t* pixels = nullptr;  // a block of capacity bytes, the caller's once returned
    std::uint64_t capacity = 0;
    std::uint32_t width = 0, height = 0;          // as decoded
    std::uint32_t trueWidth = 0, trueHeight = 0;  // the frame's own
    LibraryWords words{};                         // what the library said
};

// With job->readOrientation, asks the library to keep the APP1 segments; call
// before jpeg_read_header.
void KeepExifSegments(jpeg_decompress_struct& cinfo, const DecodeJob* job);
// After the header: the orientation the kept segments record (1 without any), and
// the reduction the job's chooser picks for the picture as it stands upright.
int ReadOrientation(const jpeg_decompress_struct& cinfo, const DecodeJob* job);
unsigned ChooseScale(const jpeg_decompress_struct& cinfo, const DecodeJob* job, int orientation);
// Whether the job may go on to hold bytes (JpegFile::Options::admit).
// A cancelled job asks nothing.
inline bool Admitted(const DecodeJob* job, std::uint64_t bytes, std::uint32_t width, std::uint32_t height) {
    if (job->cancel != nullptr && job->cancel->load(std::memory_order_relaxed)) return false;
    return job->admit == nullptr || !*job->admit || (*job->admit)(bytes, width, height);
}

// A block for a picture, as a raw pointer for the jump region; nothing when not there.
std::uint8_t* TakePixels(PictureMemory* memory, std::uint64_t bytes, std::uint64_t* capacity);
void GivePixels(PictureMemory* memory, std::uint8_t* pixels, std::uint64_t capacity);

// A decode from an open file. Plain data only. Corrupt stands for any error the
// library gave up on (its text in job->words.fatal).
DecodeStatus Decode(std::FILE* file, DecodeJob* job);

// Whether the picture in file (read from its start, and rewound) is a single-scan
// one big enough, as job would decode it, to be decoded in two bands.
bool WorthTwoBands(std::FILE* file, const DecodeJob* job, std::uint64_t splitFromPixels);

// The decode of a big single-scan picture in two bands on two threads, from the
// whole file in data; Declined when the picture is not worth splitting or the
// library warned in a band (the caller then decodes it whole, and so hears the
// warnings a single decode meets).
DecodeStatus DecodeInTwoBands(const std::uint8_t* data, std::size_t size, std::uint64_t splitFromPixels,
                              DecodeJob* job);

}  // namespace vantor::jpeg
