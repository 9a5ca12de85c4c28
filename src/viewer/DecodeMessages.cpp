#include "viewer/DecodeMessages.h"

#include "imaging/JpegFile.h"
#include "platform/Ui.h"

namespace vantor {

namespace {

void ShowJpegFailure(const DecodeOutcome& outcome) {
    switch (outcome.status) {
        case DecodeStatus::CannotOpen: AfxMessageBox(outcome.message); break;
        case DecodeStatus::TooLarge:
        case DecodeStatus::OutOfMemory: AfxMessageBox(outcome.message, MsgButtons::OK, MsgIcon::Error); break;
        default:  // what the library gave up on
            TheUi().MessageBox(outcome.message, "JPEG Fatal Error", MsgButtons::OK, MsgIcon::Error);
            break;
    }
}

}  // namespace

void ShowDecodeOutcome(const DecodeOutcome& outcome, PictureKind kind) {
    Ui& ui = TheUi();
    const bool jpeg = kind == PictureKind::Jpeg;
    for (const std::string& warning : outcome.warnings) {
        if (jpeg) {
            ui.MessageBox(warning, "JPEG Error", MsgButtons::OK, MsgIcon::None);
            ui.MessageBox(LastJpegPath(), "JPEG Error", MsgButtons::OK, MsgIcon::None);
        } else {
            AfxMessageBox(warning);
        }
    }
    if (outcome.Ok() || outcome.message.empty()) return;
    if (jpeg)
        ShowJpegFailure(outcome);
    else
        AfxMessageBox(outcome.message);
}

}  // namespace vantor
