// The help: three how-to-use dialogs and the About box. All are plain dialogs
// of static texts and an OK button.
#pragma once

#include "platform/Dialog.h"

namespace vantor {

enum HelpDialogId : int {
    IDD_ABOUTBOX = 100,
    IDD_HOW_TO_USE_1 = 142,
    IDD_HOW_TO_USE_2 = 223,
    IDD_HOW_TO_USE_FEATURES = 224,
};

const DialogTemplate& HowToUse1Template();
const DialogTemplate& HowToUse2Template();
const DialogTemplate& HowToUseFeaturesTemplate();
const DialogTemplate& AboutTemplate();

// A dialog that only shows its template and closes on OK, Esc or the close box.
class CHelpDialog : public Dialog {
public:
    explicit CHelpDialog(const DialogTemplate& tmpl) : Dialog(tmpl) {}
};

}  // namespace vantor
