#pragma once

#include <array>

class QComboBox;

namespace q417 {

// The readout's code lists (units, power-down) in their combo boxes, where the entry index is
// the code.
void FillCombo(QComboBox& combo, const char* const* texts, int count);
template <std::size_t N>
void FillCombo(QComboBox& combo, const std::array<const char*, N>& texts) {
    FillCombo(combo, texts.data(), static_cast<int>(N));
}

// The entry a list-bound combo box stands on: its text must be one of the entries exactly;
// -1 for typed text that is none of them, or an empty box.
[[nodiscard]] int ChosenEntry(const QComboBox& combo);

}  // namespace q417
