// The viewer's dialogs: stop-or-continue, speed, scale and jump.
#pragma once

#include <cstdint>

#include "platform/Dialog.h"

namespace vantor {

// Cancel ("YES............STOP SLIDE SHOW", or Esc) means stop; anything else goes on.
class CStopOrContinueDialog : public Dialog {
public:
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
    CScaleDialog();
    void DoDataExchange(DataExchange& dx) override;

    std::uint32_t m_origWidth = 0;     // 1006, read-only
    std::uint32_t m_origHeight = 0;    // 1007, read-only
    std::uint32_t m_dispScaleMode = 0; // 1008, read-only
    std::uint32_t m_maxWidth = 0;      // 1003
    std::uint32_t m_maxHeight = 0;     // 1004
    std::int32_t m_outScaleMode = 0;   // 1005
    std::int32_t m_outBackColor = 0;   // 1011
    std::int32_t m_jpegQualityIndex = 0;  // 1012
    std::int32_t m_outFileType = 0;    // 1013
    std::int32_t m_deepSearch = 0;     // 1014, read-only
    std::uint32_t m_spare = 0;         // 1009, read-only
    std::uint32_t m_writePosition = 0; // 1010, read-only
};

class CJumpDialog : public Dialog {
public:
    CJumpDialog();
    void DoDataExchange(DataExchange& dx) override;

    std::int32_t m_jumpNo = 0;     // 1012
    std::int32_t m_writtenNo = 0;  // 1013, read-only
};

}  // namespace vantor
