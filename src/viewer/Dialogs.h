// The viewer's dialogs: stop-or-continue, speed, scale and jump.
#pragma once

#include <cstdint>

#include "platform/Dialog.h"
#include "viewer/OutputSettings.h"

namespace vantor {

enum ViewerDialogId : int {
    IDD_SPEED = 139,
    IDD_SCALE = 140,
    IDD_STOP_OR_CONTINUE = 141,
    IDD_JUMP = 143,
};

const DialogTemplate& SpeedDialogTemplate();
const DialogTemplate& ScaleDialogTemplate();
const DialogTemplate& StopOrContinueDialogTemplate();
const DialogTemplate& JumpDialogTemplate();

// Cancel ("YES............STOP SLIDE SHOW", or Esc) means stop; anything else goes on.
class CStopOrContinueDialog : public Dialog {
public:
    static constexpr int kContinue = 1001;  // shown, never enabled
    static constexpr int kStop = 1002;      // shown, never enabled

    CStopOrContinueDialog();
};

class CSpeedDialog : public Dialog {
public:
    static constexpr int kEdit = 32781;
    static constexpr int kSlider = 32780;

    CSpeedDialog();
    void DoDataExchange(DataExchange& dx) override;
    void OnInitDialog() override;
    void OnHScroll(int controlId, ScrollCode code, int pos) override;

    std::int32_t m_speedValue = 1;
    std::int32_t m_prevSpeedValue = 0;
};

class CScaleDialog : public Dialog {
public:
    // The edit boxes, one for each member below.
    static constexpr int kMaxWidth = 1003;
    static constexpr int kMaxHeight = 1004;
    static constexpr int kOutScaleMode = 1005;
    static constexpr int kOrigWidth = 1006;      // read-only
    static constexpr int kOrigHeight = 1007;     // read-only
    static constexpr int kDispScaleMode = 1008;  // read-only
    static constexpr int kSpare = 1009;          // read-only
    static constexpr int kWritePosition = 1010;  // read-only
    static constexpr int kOutBackColor = 1011;
    static constexpr int kJpegQuality = 1012;
    static constexpr int kOutFileType = 1013;
    static constexpr int kDeepSearch = 1014;  // read-only

    CScaleDialog();
    void DoDataExchange(DataExchange& dx) override;

    std::uint32_t m_origWidth = 0;
    std::uint32_t m_origHeight = 0;
    OutputSettings m_output;  // the frame and the write parameters, edited in place
    std::int32_t m_deepSearch = 0;
};

class CJumpDialog : public Dialog {
public:
    static constexpr int kJumpNo = 1012;
    static constexpr int kWrittenNo = 1013;  // read-only

    CJumpDialog();
    void DoDataExchange(DataExchange& dx) override;

    std::int32_t m_jumpNo = 0;
    std::int32_t m_writtenNo = 0;
};

}  // namespace vantor
