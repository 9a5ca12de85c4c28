// The viewer's bitmap road: the probing read, then the fallback decoder on the
// same bytes (run for every input, so it sees all of them).
#include "FuzzSupport.h"
#include "imaging/BmpCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = vantor::fuzz::WriteInput(data, size);
    vantor::BmpCodec codec;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int fallback = 0;
    vantor::RgbBuffer probed;
    codec.ProbeLoad(path, probed, width, height, fallback);
    vantor::DecodedBmp decoded;
    if (vantor::DecodeBmpFallback(data, size, path, decoded).Ok()) {
        volatile std::uint8_t last = decoded.pixels[std::size_t{decoded.width} * decoded.height * 3 - 1];
        (void)last;
    }
    return 0;
}
