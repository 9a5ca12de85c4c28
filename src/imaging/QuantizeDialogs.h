// The two dialogs of the colour-mapped saves: the quantisation parameters (colour
// or gray, number of palette colours) and the bit depth of a colour-mapped bitmap.
#pragma once

#include <cstdint>

#include "platform/Dialog.h"

namespace vantor {

enum ImagingDialogId : int {
    IDD_QUANTIZE = 131,
    IDD_BITS = 150,
};

const DialogTemplate& QuantizeDialogTemplate();
const DialogTemplate& BitsDialogTemplate();

class CQuantizeDialog : public Dialog {
public:
    static constexpr int kColor = 1007;
    static constexpr int kGray = 1008;
    static constexpr int kColors = 1009;

    CQuantizeDialog();
    void DoDataExchange(DataExchange& dx) override;
    void OnInitDialog() override;
    void OnClicked(int controlId) override;

    std::int32_t m_colorMode = 1;        // 1 "8-bit Color", 0 "Grayscale"
    std::uint32_t m_paletteColors = 64;  // 1 to 256
};

class CBitsDialog : public Dialog {
public:
    static constexpr int k8Bits = 1000;
    static constexpr int k1Bit = 1001;
    static constexpr int k4Bits = 1002;

    CBitsDialog();
    void OnInitDialog() override;
    void OnClicked(int controlId) override;

    std::int32_t m_bits = 8;  // 8, 4 or 1
};

}  // namespace vantor
