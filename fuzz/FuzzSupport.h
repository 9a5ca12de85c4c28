// Shared by the fuzz targets: a user who closes every box without a word, and
// the input written to a file, since the codecs read from paths.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/Ui.h"

namespace vantor::fuzz {

class SilentUi : public Ui {
public:
    int MessageBox(const std::string&, const std::string&, MsgButtons, MsgIcon) override { return IDOK; }
    int DoModal(Dialog&) override { return IDCANCEL; }
    void RangeMessage(Dialog&, const std::string&) override {}
    std::vector<std::string> FileDialog(const FileDialogOptions&) override { return {}; }
    void Pump(unsigned) override {}
    void Sleep(unsigned, const WakeCondition&) override {}
    void SetCursor(CursorKind) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void SetTitle(const std::string&) override {}
    void SetStatusPane(int, const std::string&) override {}
    void ProgressStep() override {}
    void ProgressSetPos(int) override {}
    void Invalidate(bool) override {}
    void UpdateWindow() override {}
    Size ClientSize() override { return {}; }
    Point ScrollPosition() override { return {}; }
    void SetViewTimer(bool) override {}
    void PostClose() override {}
};

// Installs the silent user once and returns the input's path (one file per process).
inline const std::string& WriteInput(const std::uint8_t* data, std::size_t size) {
    static SilentUi ui;
    static const std::string path = [] {
        SetTheUi(&ui);
        return "/tmp/vantor-fuzz-" + std::to_string(::getpid());
    }();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f != nullptr) {
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

}  // namespace vantor::fuzz
