#include "CInitReadoutDlg.h"

namespace q417 {

CInitReadoutDlg::CInitReadoutDlg(const ReadoutContext& context, int* statusNeedsRefresh,
                                 QWidget* parent)
    : QDialog(parent), context_(context), statusNeedsRefresh_(statusNeedsRefresh) {
    setWindowTitle(QStringLiteral("Initialize Readout"));
    setModal(true);
}

CInitReadoutDlg::~CInitReadoutDlg() = default;

}  // namespace q417
