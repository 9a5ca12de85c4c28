// What a decode met, told to the user. The decoders only return their outcome;
// the loaders, the picture commands and the write step hand it here, where each
// decoder's words get the boxes they have always had.
#pragma once

#include "imaging/DecodeOutcome.h"
#include "platform/PictureFormats.h"

namespace vantor {

// First each warning, then the failure's text, if it has one. For a JPEG file a
// warning takes two boxes captioned "JPEG Error" (its text, then the path of the
// JPEG file opened last); the library's own failure a box captioned "JPEG Fatal
// Error" with the error icon; a picture refused for its size or memory the error
// icon. Everything else is a plain box.
void ShowDecodeOutcome(const DecodeOutcome& outcome, PictureKind kind);

}  // namespace vantor
