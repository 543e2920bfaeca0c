#pragma once

class QWidget;

namespace q417 {

// Gives the read-only fields of form the window's background, so what the readout reports
// does not look like something to type into.
void MarkReadOnlyFields(QWidget& form);

}  // namespace q417
