// Shared by the fuzz targets of PictureDecoders.h: one input through a decoder,
// from its file or from memory (the first byte picks), whole and at a reduced
// size the last byte picks, the size query first.
#pragma once

#include <atomic>
#include <cstdint>

#include "FuzzSupport.h"
#include "imaging/PictureDecoders.h"

namespace vantor::fuzz {

inline void Touch(const DecodedPicture& picture) {
    if (!picture.outcome.Ok()) {
        if (picture.pixels || picture.outcome.message.empty()) __builtin_trap();
        return;
    }
    // The last byte: a block smaller than its picture shows up.
    volatile std::uint8_t last = picture.pixels.get()[std::size_t{picture.width} * picture.height * 3 - 1];
    (void)last;
}

inline int DecodeInput(PictureCodec codec, const std::uint8_t* data, std::size_t size) {
    const bool fromFile = size > 0 && data[0] % 2 == 1;
    const std::string& path = WriteInput(data, size);
    const PictureSize header = fromFile ? ReadPictureSize(codec, path) : ReadPictureSize(codec, data, size);
    // Pictures of many megapixels decode from a few bytes of header but take long
    // each; they teach the fuzzer nothing the small ones do not.
    if (header.outcome.Ok() && std::uint64_t{header.width} * header.height > 4'000'000) return 0;
    static PictureMemory memory;
    DecodeRequest request;
    request.background[0] = 10, request.background[1] = 20, request.background[2] = 30;
    request.memory = &memory;
    const auto decode = [&] {
        DecodedPicture picture =
            fromFile ? DecodePicture(codec, path, request) : DecodePicture(codec, data, size, request);
        Touch(picture);
        if (picture.pixels) memory.Give(std::move(picture.pixels));
    };
    decode();
    if (size > 0) {
        request.atLeastWidth = data[size - 1] % 64;
        request.atLeastHeight = data[size - 1] / 64;
        decode();
    }
    return 0;
}

}  // namespace vantor::fuzz
