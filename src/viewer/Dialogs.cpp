#include "viewer/Dialogs.h"

namespace vantor {

CStopOrContinueDialog::CStopOrContinueDialog() : Dialog(StopOrContinueDialogTemplate()) {}

CSpeedDialog::CSpeedDialog() : Dialog(SpeedDialogTemplate()) {}

void CSpeedDialog::DoDataExchange(DataExchange& dx) { dx.Int(kEdit, m_speedValue, "m_speedValue", 0, 255); }

void CSpeedDialog::OnInitDialog() {
    m_prevSpeedValue = m_speedValue;
    ControlState& slider = Control(kSlider);
    slider.scrollMin = 1;
    slider.scrollMax = 255;
    slider.scrollPos = m_speedValue < 1 ? 1 : (m_speedValue > 255 ? 255 : m_speedValue);
    Dialog::OnInitDialog();
}

void CSpeedDialog::OnHScroll(int controlId, ScrollCode code, int pos) {
    if (controlId != kSlider) return;
    m_prevSpeedValue = m_speedValue;
    ControlState& slider = Control(kSlider);
    switch (code) {
        case ScrollCode::LineLeft:
            slider.scrollPos -= 25;
            if (slider.scrollPos <= 1) slider.scrollPos = 1;
            break;
        case ScrollCode::LineRight:
            slider.scrollPos += 25;
            if (slider.scrollPos >= 255) slider.scrollPos = 255;
            break;
        case ScrollCode::ThumbPosition: slider.scrollPos = pos; break;
        default: break;
    }
    m_speedValue = slider.scrollPos;
    // Its red follows the value before this move.
    DrawCircle({{16, 16, 86, 86}, {static_cast<std::uint8_t>(m_prevSpeedValue & 0xFF), 0, 236}, 10});
    Control(kEdit).text = std::to_string(m_speedValue);
}

CScaleDialog::CScaleDialog() : Dialog(ScaleDialogTemplate()) {}

void CScaleDialog::DoDataExchange(DataExchange& dx) {
    dx.UInt(kOrigWidth, m_origWidth, "m_origWidth", 0, 6000);
    dx.UInt(kOrigHeight, m_origHeight, "m_origHeight", 0, 6000);
    dx.UInt(kDispScaleMode, m_output.m_dispScaleMode, "m_dispScaleMode", 0, 2);
    dx.UInt(kMaxWidth, m_output.m_maxWidth, "m_maxWidth", 1, 6000);
    dx.UInt(kMaxHeight, m_output.m_maxHeight, "m_maxHeight", 1, 6000);
    dx.Int(kOutScaleMode, m_output.m_outScaleMode, "m_outScaleMode", 0, 3);
    dx.Int(kOutBackColor, m_output.m_outBackColor, "m_outBackColor", 0, 2);
    dx.Int(kJpegQuality, m_output.m_jpegQualityIndex, "m_jpegQualityIndex", 0, 9);
    dx.Int(kOutFileType, m_output.m_outFileType, "m_outFileType", 0, 1);
    dx.Int(kDeepSearch, m_deepSearch, "m_deepSearch", 0, 1);
    dx.UInt(kSpare, m_output.m_spare, "m_spare", 0, 2);
    dx.UInt(kWritePosition, m_output.m_writePosition, "m_writePosition", 0, 2);
}

CJumpDialog::CJumpDialog() : Dialog(JumpDialogTemplate()) {}

void CJumpDialog::DoDataExchange(DataExchange& dx) {
    dx.Int(kJumpNo, m_jumpNo, "m_jumpNo", 0, 10000);
    dx.Int(kWrittenNo, m_writtenNo, "m_writtenNo", 0, 1000000);
}

}  // namespace vantor
