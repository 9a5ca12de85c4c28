#include "imaging/BmpTestSupport.h"

#include <cstdlib>
#include <filesystem>

#include "TestSupport.h"

namespace vantor::test {

Picture DecodeWithFallback(const std::string& path) {
    Picture p;
    const Bytes file = ReadFile(path);
    DecodedBmp decoded;
    p.ok = DecodeBmpFallback(file.data(), file.size(), path, decoded).Ok();
    p.width = decoded.width;
    p.height = decoded.height;
    if (p.ok) p.rgb.assign(decoded.pixels.get(), decoded.pixels.get() + std::size_t{p.width} * p.height * 3);
    return p;
}

Picture DecodeLikeViewer(const std::string& path) {
    BmpCodec codec;
    Picture p;
    int fallback = 0;
    RgbBuffer buf;
    codec.ProbeLoad(path, buf, p.width, p.height, fallback);
    if (fallback == 1) return DecodeWithFallback(path);
    const DecodeOutcome outcome = codec.Load(path, buf, p.width, p.height);
    p.ok = outcome.Ok();
    p.status = p.ok ? "OK" : outcome.message;
    if (p.ok) p.rgb.assign(buf.get(), buf.get() + std::size_t{p.width} * p.height * 3);
    return p;
}

bool HaveImageMagick() { return std::filesystem::exists("/usr/bin/convert"); }

bool RunConvert(const std::string& args) {
    return std::system(("/usr/bin/convert " + args + " 2>/dev/null").c_str()) == 0;
}

Bytes ImageMagickPixels(const std::string& path) {
    Bytes out;
    std::FILE* pipe = ::popen(("/usr/bin/convert '" + path + "' -depth 8 rgb:- 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return out;
    std::uint8_t chunk[65536];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) out.insert(out.end(), chunk, chunk + n);
    ::pclose(pipe);
    return out;
}

}  // namespace vantor::test
