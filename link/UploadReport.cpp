#include "UploadReport.h"

namespace q417 {
namespace {

// wParam: whether the upload finished. lParam: the sites written in its high half, the sites of
// the upload in its low half (both at most 200).
constexpr int kCountBits = 16;
constexpr std::int64_t kCountMask = (std::int64_t{1} << kCountBits) - 1;

}  // namespace

LinkMessage UploadReport::Message(RequesterId requester) const {
    const std::int64_t counts =
        (static_cast<std::int64_t>(sitesWritten) << kCountBits) | (sites & kCountMask);
    return {WM_LINK_UPLOAD, LinkTarget::Requester, requester, finished ? 1 : 0, counts};
}

std::optional<UploadReport> UploadReport::FromMessage(const LinkMessage& message) {
    if (message.message != WM_LINK_UPLOAD) {
        return std::nullopt;
    }
    UploadReport report;
    report.finished = message.wParam != 0;
    report.sitesWritten = static_cast<int>((message.lParam >> kCountBits) & kCountMask);
    report.sites = static_cast<int>(message.lParam & kCountMask);
    return report;
}

std::string UploadReport::InterruptedText(ReportForm form) const {
    const bool sentences = form == ReportForm::Sentences;
    // Before the first step was answered the readout was taking site 1, perhaps in part.
    const std::string where =
        sitesWritten > 0 ? "after site " + std::to_string(sitesWritten) : std::string("at site 1");
    return std::string(sentences ? "The" : "the") + " upload was interrupted " + where + " of " +
           std::to_string(sites) + ": the readout may hold a mix of old and new sites" +
           (sentences ? ". Upload again." : "; upload again");
}

}  // namespace q417
