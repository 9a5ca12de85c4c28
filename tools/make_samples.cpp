// Writes the sample pictures of the main job with the program's own codecs:
// colour and gray JPEG files and 1-, 4-, 8- and 24-bit BMP files in sizes from
// small to larger than the frame, each showing its number.
//
//   make_samples FOLDER
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "imaging/BmpCodec.h"
#include "imaging/JpegFile.h"
#include "platform/script/ScriptUi.h"

namespace {

using vantor::BmpCodec;
using vantor::JpegFile;

// A 5 x 7 pixel font for the digits.
constexpr unsigned char kDigits[10][7] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
};

struct Picture {
    unsigned w, h;
    std::vector<unsigned char> rgb;  // file order: top row first, red green blue
    void Set(unsigned x, unsigned y, unsigned char r, unsigned char g, unsigned char b) {
        if (x >= w || y >= h) return;
        unsigned char* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
        p[0] = r, p[1] = g, p[2] = b;
    }
};

// A colourful gradient with a frame and the number drawn large in the middle.
Picture Draw(unsigned w, unsigned h, int number) {
    Picture pic{w, h, std::vector<unsigned char>(static_cast<std::size_t>(w) * h * 3)};
    const double hue = number * 0.61803398875;
    for (unsigned y = 0; y < h; ++y) {
        for (unsigned x = 0; x < w; ++x) {
            const double u = static_cast<double>(x) / w, v = static_cast<double>(y) / h;
            const auto c = [&](double phase) {
                return static_cast<unsigned char>(127.5 +
                                                  127.5 * std::sin(6.2831853 * (hue + phase + 0.5 * u + 0.35 * v)));
            };
            pic.Set(x, y, c(0.0), c(0.33), c(0.67));
        }
    }
    const unsigned border = std::max(2u, std::min(w, h) / 60);
    for (unsigned y = 0; y < h; ++y) {
        for (unsigned x = 0; x < w; ++x) {
            if (x < border || y < border || x >= w - border || y >= h - border) pic.Set(x, y, 255, 255, 255);
        }
    }
    const std::string text = std::to_string(number);
    const unsigned scale = std::max(1u, std::min(w / (6 * static_cast<unsigned>(text.size()) + 2), h / 9) * 2 / 3);
    const unsigned tw = (6 * static_cast<unsigned>(text.size()) - 1) * scale, th = 7 * scale;
    const unsigned ox = (w - std::min(w, tw)) / 2, oy = (h - std::min(h, th)) / 2;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char* glyph = kDigits[text[i] - '0'];
        for (unsigned gy = 0; gy < 7; ++gy) {
            for (unsigned gx = 0; gx < 5; ++gx) {
                if (((glyph[gy] >> (4 - gx)) & 1) == 0) continue;
                for (unsigned sy = 0; sy < scale; ++sy) {
                    for (unsigned sx = 0; sx < scale; ++sx) {
                        const unsigned px = ox + (static_cast<unsigned>(i) * 6 + gx) * scale + sx;
                        const unsigned py = oy + gy * scale + sy;
                        // A dark outline keeps the number readable on any colour.
                        const bool edge = sx < scale / 8 + 1 || sy < scale / 8 + 1;
                        edge ? pic.Set(px, py, 0, 0, 0) : pic.Set(px, py, 255, 255, 255);
                    }
                }
            }
        }
    }
    return pic;
}

bool SaveJpeg(const std::string& path, const Picture& pic, bool color) {
    return JpegFile::SaveFromRgb(path, pic.rgb.data(), pic.w, pic.h, color, 90);
}

bool Save24(const std::string& path, Picture pic) {
    // The writer takes display order: bottom row first, blue green red.
    std::vector<unsigned char> bgr(pic.rgb.size());
    const std::size_t row = static_cast<std::size_t>(pic.w) * 3;
    for (unsigned y = 0; y < pic.h; ++y) {
        const unsigned char* s = &pic.rgb[y * row];
        unsigned char* d = &bgr[(pic.h - 1 - y) * row];
        for (std::size_t x = 0; x < row; x += 3) d[x] = s[x + 2], d[x + 1] = s[x + 1], d[x + 2] = s[x];
    }
    return BmpCodec().SaveRgb(path, bgr.data(), pic.w, pic.h).empty();
}

// A palette picture: each pixel goes to the nearest palette colour.
bool SaveIndexed(const std::string& path, const Picture& pic, int bits, const std::vector<unsigned char>& palette) {
    const std::size_t colors = palette.size() / 4;
    std::vector<unsigned char> indices(static_cast<std::size_t>(pic.w) * pic.h);
    for (unsigned y = 0; y < pic.h; ++y) {
        for (unsigned x = 0; x < pic.w; ++x) {
            const unsigned char* p = &pic.rgb[(static_cast<std::size_t>(y) * pic.w + x) * 3];
            std::size_t best = 0;
            int bestDistance = 1 << 30;
            for (std::size_t i = 0; i < colors; ++i) {
                const int dr = p[0] - palette[i * 4], dg = p[1] - palette[i * 4 + 1], db = p[2] - palette[i * 4 + 2];
                const int d = dr * dr + dg * dg + db * db;
                if (d < bestDistance) bestDistance = d, best = i;
            }
            indices[static_cast<std::size_t>(pic.h - 1 - y) * pic.w + x] = static_cast<unsigned char>(best);
        }
    }
    return BmpCodec()
        .SaveIndexed(path, indices.data(), pic.w, pic.h, bits, static_cast<int>(colors), palette.data())
        .empty();
}

std::vector<unsigned char> CubePalette() {  // 6 x 6 x 6 colours
    std::vector<unsigned char> p;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                p.insert(p.end(), {static_cast<unsigned char>(r * 51), static_cast<unsigned char>(g * 51),
                                   static_cast<unsigned char>(b * 51), 0});
    return p;
}

std::vector<unsigned char> SixteenColors() {
    std::vector<unsigned char> p;
    for (int i = 0; i < 16; ++i) {
        const unsigned char hi = (i & 8) ? 255 : 128;
        p.insert(p.end(), {static_cast<unsigned char>((i & 4) ? hi : 0), static_cast<unsigned char>((i & 2) ? hi : 0),
                           static_cast<unsigned char>((i & 1) ? hi : 0), 0});
    }
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_samples FOLDER\n";
        return 2;
    }
    // Any message box a codec raises goes to the error stream.
    vantor::ScriptUi ui(std::cerr);
    vantor::ScopedUi scope(ui);
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    auto name = [&](int n, const char* ext) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "sample%02d.%s", n, ext);
        return (folder / buf).string();
    };
    enum class Kind { Jpeg, GrayJpeg, Bmp24, Bmp8, Bmp4, Bmp1 };
    struct Sample {
        Kind kind;
        unsigned w, h;
    };
    // Sizes from small to larger than the 800 x 600 frame, in every kind.
    const Sample samples[] = {
        {Kind::Jpeg, 640, 480},      {Kind::Bmp24, 800, 600}, {Kind::Jpeg, 1600, 1200}, {Kind::Bmp8, 400, 300},
        {Kind::GrayJpeg, 1024, 768}, {Kind::Bmp4, 480, 640},  {Kind::Jpeg, 2400, 1000}, {Kind::Bmp1, 320, 240},
        {Kind::Jpeg, 300, 900},      {Kind::Bmp24, 47, 33},   {Kind::Jpeg, 3000, 2000}, {Kind::Bmp24, 1920, 1080},
    };
    bool ok = true;
    int n = 0;
    for (const auto& s : samples) {
        ++n;
        const bool jpeg = s.kind == Kind::Jpeg || s.kind == Kind::GrayJpeg;
        const std::string path = name(n, jpeg ? "jpg" : "bmp");
        const Picture pic = Draw(s.w, s.h, n);
        switch (s.kind) {
            case Kind::Jpeg: ok &= SaveJpeg(path, pic, true); break;
            case Kind::GrayJpeg: ok &= SaveJpeg(path, pic, false); break;
            case Kind::Bmp24: ok &= Save24(path, pic); break;
            case Kind::Bmp8: ok &= SaveIndexed(path, pic, 8, CubePalette()); break;
            case Kind::Bmp4: ok &= SaveIndexed(path, pic, 4, SixteenColors()); break;
            case Kind::Bmp1: ok &= SaveIndexed(path, pic, 1, {0, 0, 0, 0, 255, 255, 255, 0}); break;
        }
    }
    if (!ok) {
        std::cerr << "make_samples: some pictures could not be written\n";
        return 1;
    }
    std::cout << "make_samples: " << n << " pictures in " << folder.string() << "\n";
    return 0;
}
