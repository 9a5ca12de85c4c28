// BmpCodec::Load on arbitrary bytes.
#include "FuzzSupport.h"
#include "imaging/BmpCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = vantor::fuzz::WriteInput(data, size);
    vantor::BmpCodec codec;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    vantor::RgbBuffer image;
    // Touch the last byte so that a buffer smaller than its size shows up.
    if (codec.Load(path, image, width, height).Ok()) {
        volatile std::uint8_t last = image[std::size_t{width} * height * 3 - 1];
        (void)last;
    }
    return 0;
}
