// The JPEG reader on arbitrary bytes: the whole picture in file order, then at a
// reduction the input picks, in two bands where the picture allows.
#include "FuzzSupport.h"
#include "imaging/JpegFile.h"

namespace {

unsigned Eighths(std::uint32_t, std::uint32_t, const void* context) { return *static_cast<const unsigned*>(context); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = vantor::fuzz::WriteInput(data, size);
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // Pictures of many megapixels decode from a few bytes of header but take
    // seconds each; they teach the fuzzer nothing the small ones do not.
    if (!vantor::JpegFile::ReadDimensions(path, width, height).Ok() || std::uint64_t{width} * height > 4'000'000)
        return 0;
    vantor::RgbBuffer image;
    vantor::JpegFile::LoadToRgb(path, image, width, height);
    if (image) {
        volatile std::uint8_t last = image[std::size_t{width} * height * 3 - 1];
        (void)last;
    }
    static vantor::PictureMemory memory;
    const unsigned eighths = size > 0 ? 1 + data[size - 1] % 8 : 8;
    vantor::JpegFile::Options options;
    options.choose = &Eighths;
    options.context = &eighths;
    options.splitFromPixels = 0;
    options.memory = &memory;
    vantor::JpegFile::Picture picture;
    vantor::JpegFile::Load(path, options, picture);
    if (picture.pixels) {
        volatile std::uint8_t last = picture.pixels.get()[std::size_t{picture.width} * picture.height * 3 - 1];
        (void)last;
        memory.Give(std::move(picture.pixels));
    }
    return 0;
}
