// The window's kept settings: where they live, their round trip through the file,
// and that the script never reads them.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "TestSupport.h"
#include "imaging/OrientedJpeg.h"
#include "viewer/KeptSettings.h"

namespace vantor {
namespace {

// Sets an environment variable (or unsets it: nullopt) for the test's scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(KeptSettings, LiveInTheUsersConfigurationFolder) {
    struct Case {
        std::optional<std::string> config, home;
        std::string path;
    };
    const Case cases[] = {
        {"/cfg", "/home/u", "/cfg/vantor/settings"},
        {std::nullopt, "/home/u", "/home/u/.config/vantor/settings"},
        {"", "/home/u", "/home/u/.config/vantor/settings"},
        {"relative/cfg", "/home/u", "/home/u/.config/vantor/settings"},  // only an absolute path counts
        {"/cfg", std::nullopt, "/cfg/vantor/settings"},
        {std::nullopt, std::nullopt, ""},
        {std::nullopt, "", ""},
    };
    for (const Case& c : cases) {
        ScopedEnv config("XDG_CONFIG_HOME", c.config);
        ScopedEnv home("HOME", c.home);
        EXPECT_EQ(KeptSettingsPath(), c.path) << c.config.value_or("(unset)") << " " << c.home.value_or("(unset)");
    }
}

TEST(KeptSettings, FitRotationAndTheFullScreenBackgroundMakeTheRoundTripAndNothingElseIsKept) {
    test::TempDir dir;
    ScopedEnv config("XDG_CONFIG_HOME", dir.path().string());
    const std::string path = KeptSettingsPath();
    std::int32_t fullScreenBack = 0;
    for (const bool fit : {false, true}) {
        for (const bool rotate : {false, true}) {
            SCOPED_TRACE(std::to_string(fit) + std::to_string(rotate));
            CVantorView before;
            before.m_fitWindow = fit;
            before.m_autoRotate = rotate;
            before.m_fullScreenBackColor = fullScreenBack;
            before.m_speed = 200;
            before.m_backColor = CVantorView::kBackWhite;
            ASSERT_TRUE(WriteKeptSettings(before, path)) << "the folder is made";
            CVantorView after;
            after.m_fitWindow = !fit;
            after.m_autoRotate = !rotate;
            ReadKeptSettings(after, path);
            EXPECT_EQ(after.m_fitWindow, fit);
            EXPECT_EQ(after.m_autoRotate, rotate);
            EXPECT_EQ(after.m_fullScreenBackColor, fullScreenBack);
            fullScreenBack = (fullScreenBack + 1) % 4;
            EXPECT_EQ(after.m_speed, 5u) << "the show's own settings start fresh";
            EXPECT_EQ(after.m_backColor, CVantorView::kBackGray);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));

    // Lines it does not know, or values it cannot read, leave the setting as it is.
    const std::string text = "speed=9\nauto-rotate=y\nfit-window=1\nfull-screen-background=7\n";
    test::WriteFile(path, {text.begin(), text.end()});
    CVantorView odd;
    odd.m_autoRotate = true;
    ReadKeptSettings(odd, path);
    EXPECT_TRUE(odd.m_fitWindow && odd.m_autoRotate);
    EXPECT_EQ(odd.m_fullScreenBackColor, CVantorView::kBackBlack);
    EXPECT_EQ(odd.m_speed, 5u);
    CVantorView none;
    ReadKeptSettings(none, dir.File("missing"));
    EXPECT_FALSE(none.m_fitWindow || none.m_autoRotate);

    // A folder that cannot be made: nothing is written.
    test::WriteFile(dir.File("file"), {'x'});
    EXPECT_FALSE(WriteKeptSettings(odd, dir.File("file/vantor/settings")));
}

// The script runs as the command line says, whatever the window kept: a JPEG
// turned on its side stays on its side unless --auto-rotate asks.
TEST(KeptSettings, TheScriptNeverReadsThem) {
    test::TempDir dir;
    test::WriteOrientedJpeg(dir.File("side.jpg"), 32, 16, 6);
    test::WriteFile(dir.File("empty.script"), {});
    CVantorView kept;
    kept.m_autoRotate = kept.m_fitWindow = true;
    ASSERT_TRUE(WriteKeptSettings(kept, dir.File("cfg/vantor/settings")));
    const auto run = [&dir](const std::string& options) {
        const std::string command = "XDG_CONFIG_HOME='" + dir.File("cfg") + "' HOME='" + dir.path().string() + "' '" +
                                    VANTOR_BINARY + "' --script '" + dir.File("empty.script") + "' " + options + " '" +
                                    dir.File("side.jpg") + "'";
        std::FILE* pipe = popen(command.c_str(), "r");
        std::string out;
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
        pclose(pipe);
        return out;
    };
    EXPECT_NE(run("").find("\"width\":32,\"height\":16"), std::string::npos) << run("");
    EXPECT_NE(run("--auto-rotate").find("\"width\":16,\"height\":32"), std::string::npos) << run("--auto-rotate");
}

}  // namespace
}  // namespace vantor
