// cmake --install puts the program, a valid desktop entry and the icon in place.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TestSupport.h"

namespace vantor {
namespace {

int Shell(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Install, ProgramDesktopEntryAndIcon) {
    test::TempDir prefix;
    ASSERT_EQ(Shell(std::string("'") + VANTOR_CMAKE + "' --install '" + VANTOR_BUILD_DIR + "' --prefix '" +
                    prefix.path().string() + "'"),
              0);
    const auto& p = prefix.path();
    EXPECT_TRUE(std::filesystem::exists(p / "bin" / "vantor"));
    const auto entry = p / "share" / "applications" / "vantor.desktop";
    ASSERT_TRUE(std::filesystem::exists(entry));
    EXPECT_TRUE(std::filesystem::exists(p / "share" / "icons" / "hicolor" / "scalable" / "apps" / "vantor.svg"));
    const auto text = test::ReadFile(entry.string());
    const std::string s(text.begin(), text.end());
    EXPECT_NE(s.find("MimeType=image/jpeg;image/bmp;"), std::string::npos);
    EXPECT_NE(s.find("image/png;image/gif;image/webp;image/tiff;image/heic;image/avif;"), std::string::npos);
    EXPECT_NE(s.find("Exec=vantor %F"), std::string::npos);
    if (Shell("command -v desktop-file-validate") != 0) {
        VANTOR_SKIP_UNLESS_CI("desktop-file-validate is not installed");
    }
    EXPECT_EQ(Shell("desktop-file-validate '" + entry.string() + "'"), 0);
}

}  // namespace
}  // namespace vantor
