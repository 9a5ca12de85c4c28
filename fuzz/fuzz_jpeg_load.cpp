// JpegFile::LoadToRgb on arbitrary bytes.
#include "FuzzSupport.h"
#include "imaging/JpegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = vantor::fuzz::WriteInput(data, size);
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // Pictures of many megapixels decode from a few bytes of header but take
    // seconds each; they teach the fuzzer nothing the small ones do not.
    if (!vantor::JpegFile::ReadDimensions(path, width, height) || std::uint64_t{width} * height > 4'000'000)
        return 0;
    vantor::RgbBuffer image = vantor::JpegFile::LoadToRgb(path, width, height);
    if (image) {
        volatile std::uint8_t last = image[std::size_t{width} * height * 3 - 1];
        (void)last;
    }
    return 0;
}
