// What the single-picture command tests share: a scripted user that also notes the
// file dialogs, a session around it, and a small photo to open.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "imaging/JpegFile.h"
#include "resource.h"

namespace vantor::open_save_test {

using test::TempDir;

// The scripted user, also noting the file dialogs' options and the wait cursor.
class RecordingUi : public ScriptUi {
public:
    using ScriptUi::ScriptUi;
    std::vector<std::string> FileDialog(const FileDialogOptions& options) override {
        dialogs.push_back(options);
        return ScriptUi::FileDialog(options);
    }
    void BeginWaitCursor() override { ++waitDepth; }
    void EndWaitCursor() override { --waitDepth; }
    void Invalidate(bool erase) override {
        if (erase) ++erases;
        ScriptUi::Invalidate(erase);
    }
    std::vector<FileDialogOptions> dialogs;
    int waitDepth = 0;
    int erases = 0;
};

struct Session {
    std::ostringstream out;
    RecordingUi ui{out};
    ScopedUi scope{ui};
    CVantorView view;

    void Files(const std::string& path) { ui.QueueFilesAnswer({false, {path}}); }
    void CancelFiles() { ui.QueueFilesAnswer({}); }
    // Opens a file through the Open command.
    void Open(const std::string& path) {
        Files(path);
        view.OnCommand(ID_FILE_OPEN);
    }
    void Dialog(int button, std::vector<std::pair<std::string, std::string>> values = {},
                std::vector<int> clicks = {}) {
        DialogAnswer a;
        a.button = button;
        a.values = std::move(values);
        for (int id : clicks) a.steps.push_back({DialogAnswer::Step::Kind::Click, id, ScrollCode::EndScroll, 0, {}});
        ui.QueueDialogAnswer(std::move(a));
    }
    std::vector<std::string> Events(const std::string& event) const {
        std::vector<std::string> lines;
        std::istringstream in(out.str());
        for (std::string l; std::getline(in, l);) {
            if (l.rfind("{\"event\":\"" + event + "\"", 0) == 0) lines.push_back(l);
        }
        return lines;
    }
    std::vector<std::uint8_t> Buf() const {
        return {view.m_buf.get(),
                view.m_buf.get() + std::size_t{view.m_buf.PixelWidth()} * view.m_buf.PixelHeight() * 3};
    }
};

inline std::string Box(const std::string& text, const std::string& icon = "none") {
    return "{\"event\":\"box\",\"caption\":\"Vantor\",\"text\":\"" + text + "\",\"buttons\":\"OK\",\"icon\":\"" + icon +
           "\",\"answer\":\"OK\"}";
}

// A colourful 40 x 30 picture in file order (top row first, red green blue).
inline std::vector<std::uint8_t> Photo(unsigned w = 40, unsigned h = 30) {
    std::vector<std::uint8_t> px;
    for (unsigned y = 0; y < h; ++y) {
        for (unsigned x = 0; x < w; ++x) {
            px.push_back(static_cast<std::uint8_t>(x * 255 / (w - 1)));
            px.push_back(static_cast<std::uint8_t>(y * 255 / (h - 1)));
            px.push_back(static_cast<std::uint8_t>((x + y) * 4));
        }
    }
    return px;
}

inline std::string WriteJpeg(const TempDir& dir, const std::string& name, unsigned w = 40, unsigned h = 30) {
    const std::string path = dir.File(name);
    EXPECT_TRUE(JpegFile::SaveFromRgb(path, Photo(w, h).data(), w, h, true, 90));
    return path;
}

}  // namespace vantor::open_save_test
