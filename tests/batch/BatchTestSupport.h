// Helpers of the batch write's tests: pictures to write, and the shell that runs
// the built program and ImageMagick, the independent reader of what it wrote.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "imaging/BmpCodec.h"
#include "imaging/JpegFile.h"
#include "imaging/RgbBuffer.h"

namespace vantor::test {

// A photo-like picture in file order: smooth colour ramps with some texture.
inline std::vector<std::uint8_t> Photo(unsigned w, unsigned h) {
    std::vector<std::uint8_t> p(static_cast<std::size_t>(w) * h * 3);
    for (unsigned y = 0; y < h; ++y) {
        for (unsigned x = 0; x < w; ++x) {
            std::uint8_t* q = &p[(static_cast<std::size_t>(y) * w + x) * 3];
            q[0] = static_cast<std::uint8_t>(40 + 180 * x / w);
            q[1] = static_cast<std::uint8_t>(30 + 160 * y / h + 20 * std::sin(x * 0.05));
            q[2] = static_cast<std::uint8_t>(120 + 60 * std::cos((x + y) * 0.02));
        }
    }
    return p;
}

inline void MakeJpeg(const std::string& path, unsigned w, unsigned h) {
    const auto p = Photo(w, h);
    ASSERT_TRUE(JpegFile::SaveFromRgb(path, p.data(), w, h, true, 95));
}

inline void MakeBmp(const std::string& path, unsigned w, unsigned h) {
    auto p = Photo(w, h);
    ToggleOrder(p.data(), w, h);
    ASSERT_EQ(BmpCodec().SaveRgb(path, p.data(), w, h), "");
}

// text with every what replaced by with.
inline std::string Replace(std::string text, const std::string& what, const std::string& with) {
    for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += with.size())
        text.replace(at, what.size(), with);
    return text;
}

inline std::string Shell(const std::string& command) {
    std::string out;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
        ::pclose(pipe);
    }
    return out;
}

// ImageMagick's view of a file: "width height format quality".
inline std::string Identify(const std::string& path) {
    return Shell("identify -format '%w %h %m %Q' '" + path + "' 2>&1");
}

// A word for the shell, quoted.
inline std::string Quote(const std::string& word) {
    std::string out = "'";
    for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// What the built program printed and its exit status.
struct ProgramRun {
    std::string out, err;
    int status = -1;
};

// Runs the built program without a display; prefix goes before it on the shell's
// line (a limit to set, for example).
inline ProgramRun RunVantor(const std::string& args, const std::string& prefix = "") {
    const TempDir dir;
    const std::string errFile = dir.File("stderr");
    std::string out = Shell("(" + prefix + " env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                            Quote(VANTOR_BINARY) + " " + args + ") 2>" + Quote(errFile) + "; echo \"rc=$?\"");
    ProgramRun run;
    const std::size_t rc = out.rfind("rc=");
    if (rc == std::string::npos) return run;
    run.status = std::atoi(out.c_str() + rc + 3);
    run.out = out.substr(0, rc);
    const auto err = ReadFile(errFile);
    run.err.assign(err.begin(), err.end());
    return run;
}

}  // namespace vantor::test
