// The HEIC and AVIF decoder (one, over libheif) on arbitrary bytes.
#include "DecoderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return vantor::fuzz::DecodeInput(vantor::PictureCodec::Heic, data, size);
}
