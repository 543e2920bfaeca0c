#include "UploadReport.h"

namespace q417 {
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
