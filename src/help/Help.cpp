#include "help/Help.h"

#include "platform/Ui.h"
#include "viewer/CVantorView.h"

namespace vantor {

namespace {

// Runs a help dialog modally; a run that this interrupts goes on when it closes.
void ShowHelp(const DialogTemplate& tmpl) {
    CHelpDialog dialog(tmpl);
    TheUi().DoModal(dialog);
}

}  // namespace

void CVantorView::OnHowToUse1() { ShowHelp(HowToUse1Template()); }
void CVantorView::OnHowToUse2() { ShowHelp(HowToUse2Template()); }
void CVantorView::OnHowToUseFeatures() { ShowHelp(HowToUseFeaturesTemplate()); }

// The About box: the program's name, version and a short note.
void CVantorView::OnAppAbout() { ShowHelp(AboutTemplate()); }

}  // namespace vantor
