// The PNG decoder on arbitrary bytes.
#include "DecoderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return vantor::fuzz::DecodeInput(vantor::PictureCodec::Png, data, size);
}
