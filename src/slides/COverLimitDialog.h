// The dialog shown when the slide list reaches its capacity of 10000: loop
// (overwrite from the second slide on), restart, or stop.
#pragma once

#include "platform/Dialog.h"

namespace vantor {

inline constexpr int IDD_OVER_LIMIT = 144;
const DialogTemplate& OverLimitDialogTemplate();

class COverLimitDialog : public Dialog {
public:
    static constexpr int kLoop = 1013;
    static constexpr int kRestart = 1014;
    static constexpr int kStop = 1015;

    COverLimitDialog();
    void OnInitDialog() override;
    void OnClicked(int controlId) override;

    int m_choice = 1;   // 1 loop, 2 restart, 3 stop
    int m_clicked = 0;  // 1 once a choice was clicked
};

}  // namespace vantor
