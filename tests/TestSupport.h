// Shared helpers of the tests: a temporary folder that removes itself, and a
// scripted user wired to a fresh view.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/script/ScriptUi.h"
#include "viewer/CVantorView.h"

// Skips a test whose tool or data is missing on this machine. Under CI (CI set),
// where scripts/install-deps and scripts/fetch-test-data provide them, the same
// absence is a failure instead.
#define VANTOR_SKIP_UNLESS_CI(why)                                          \
    do {                                                                    \
        if (std::getenv("CI") != nullptr && *std::getenv("CI") != '\0') {   \
            FAIL() << (why) << " (under CI this is a failure, not a skip)"; \
        } else {                                                            \
            GTEST_SKIP() << (why);                                          \
        }                                                                   \
    } while (false)

namespace vantor::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> ReadFile(const std::string& path);

// A JPEG file's pixels in display order, or nothing when it did not decode: what
// a test holds a picture against. Its outcome is not told.
RgbBuffer JpegPixels(const std::string& path, std::uint32_t& width, std::uint32_t& height);
// The same through the whole decode's options.
JpegFile::Picture JpegPicture(const std::string& path, const JpegFile::Options& options = {});

// Runs work in a child process and returns what it returned, or "timeout" when
// it has not ended after `seconds` (it is then killed), so a write that blocks
// for ever fails its test instead of hanging it. With fileSizeLimit, the child
// can write no file past that many bytes: every write beyond fails with EFBIG,
// exactly as on a full disk (SIGXFSZ ignored).
inline constexpr std::int64_t kNoSizeLimit = -1;
std::string RunInChild(const std::function<std::string()>& work, std::int64_t fileSizeLimit = kNoSizeLimit,
                       int seconds = 20);

// A view driven by a scripted user; the transcript collects in `out`.
struct ScriptedView {
    ScriptedView();
    std::ostringstream out;
    ScriptUi ui{out};
    ScopedUi scope{ui};
    CVantorView view;

    // The transcript lines written so far, and those with a given event.
    std::vector<std::string> Lines() const;
    std::vector<std::string> Events(const std::string& event) const;
    void ClearTranscript();
};

}  // namespace vantor::test
