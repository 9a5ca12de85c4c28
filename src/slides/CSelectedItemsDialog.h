// The read-only list of the collected slide files or directories: always 10000
// lines, the collected entries first, then fillers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Dialog.h"
#include "viewer/StringArray.h"

namespace vantor {

inline constexpr int IDD_SELECTED_ITEMS = 148;
const DialogTemplate& SelectedItemsDialogTemplate();

class CSelectedItemsDialog : public Dialog {
public:
    static constexpr int kList = 1022;
    static constexpr int kLines = 10000;

    CSelectedItemsDialog();
    // Copies the first n entries of source over the fillers (n at most 10000).
    void Fill(const StringArray& source, std::uint32_t n);

    void OnInitDialog() override;
    void OnSelChange(int controlId) override;
    void OnOK() override;

    std::vector<std::string> m_items;  // 10001 entries; lines 0..9999 are shown
    std::vector<int> m_selected;       // what the last selection change reported
};

}  // namespace vantor
