// The sort dialog: ten radio buttons, one per order, in an ascending and a
// descending column.
#pragma once

#include <cstdint>

#include "platform/Dialog.h"

namespace vantor {

inline constexpr int IDD_SORT = 146;
const DialogTemplate& SortDialogTemplate();

class CSortDialog : public Dialog {
public:
    CSortDialog();
    void OnInitDialog() override;
    void OnClicked(int controlId) override;

    // The radio button of a sort kind (0..9), and back (-1 for no sort button).
    static int ButtonOfKind(std::int32_t kind);
    static std::int32_t KindOfButton(int controlId);

    std::int32_t m_choice = 0;   // the kind of the button clicked last
    std::int32_t m_clicked = 0;  // 1 once any button was clicked
};

}  // namespace vantor
