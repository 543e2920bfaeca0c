#include "CPageSetupDlg.h"

#include "CInitReadoutDlg.h"
#include "CPasswordDlg.h"

namespace q417 {

CPageSetupDlg::CPageSetupDlg(const ReadoutContext& context, int* statusNeedsRefresh,
                             QWidget* parent)
    : QWidget(parent),
      context_(context),
      statusNeedsRefresh_(statusNeedsRefresh),
      initializeDialog_(std::make_unique<CInitReadoutDlg>(context, statusNeedsRefresh, this)),
      passwordDialog_(std::make_unique<CPasswordDlg>(this)) {}

CPageSetupDlg::~CPageSetupDlg() = default;

}  // namespace q417
