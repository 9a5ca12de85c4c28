// The Exif orientation on arbitrary bytes: the parser on the bytes as an APP1
// payload, then the same payload inside a small JPEG, loaded upright the way the
// show loads it, whose picture must come out turned as the parser said.
#include <algorithm>
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "imaging/ExifOrientation.h"
#include "imaging/JpegFile.h"

namespace {

constexpr std::uint32_t kWidth = 24, kHeight = 16;

// A small JPEG without any APP1 segment, made once.
const std::vector<std::uint8_t>& PlainJpeg() {
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> pixels(kWidth * kHeight * 3);
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7);
        const std::string path = "/tmp/vantor-fuzz-plain-" + std::to_string(::getpid()) + ".jpg";
        std::vector<std::uint8_t> out;
        if (vantor::JpegFile::SaveFromRgb(path, pixels.data(), kWidth, kHeight, true, 90)) {
            if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
                std::uint8_t buf[4096];
                for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.insert(out.end(), buf, buf + n);
                std::fclose(f);
            }
        }
        std::remove(path.c_str());
        return out;
    }();
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int orientation = vantor::ExifOrientation(data, size);
    if (orientation < 1 || orientation > 8) __builtin_trap();

    // The payload as the APP1 segment right after the start of image.
    const std::vector<std::uint8_t>& plain = PlainJpeg();
    if (plain.size() < 2) return 0;
    const std::size_t payload = std::min<std::size_t>(size, 0xFFFF - 2);
    std::vector<std::uint8_t> jpeg(plain.begin(), plain.begin() + 2);
    jpeg.push_back(0xFF);
    jpeg.push_back(0xE1);
    jpeg.push_back(static_cast<std::uint8_t>((payload + 2) >> 8));
    jpeg.push_back(static_cast<std::uint8_t>(payload + 2));
    jpeg.insert(jpeg.end(), data, data + payload);
    jpeg.insert(jpeg.end(), plain.begin() + 2, plain.end());
    const std::string& path = vantor::fuzz::WriteInput(jpeg.data(), jpeg.size());

    vantor::JpegFile::Options options;
    options.upright = true;
    vantor::JpegFile::Picture picture;
    if (!vantor::JpegFile::Load(path, options, picture).Ok()) return 0;
    const int expected = vantor::ExifOrientation(data, payload);
    const bool across = expected >= 5;
    if (picture.width != (across ? kHeight : kWidth) || picture.height != (across ? kWidth : kHeight) ||
        picture.trueWidth != picture.width || picture.trueHeight != picture.height)
        __builtin_trap();
    volatile std::uint8_t last = picture.pixels.get()[std::size_t{picture.width} * picture.height * 3 - 1];
    (void)last;
    return 0;
}
