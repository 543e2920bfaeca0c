// The upload's report to its requester: what its message carries, and how an interrupted upload
// is put in words for a box and for an error line.

#include <gtest/gtest.h>

#include "UploadReport.h"

namespace q417 {
namespace {

TEST(UploadReportTest, TheMessageCarriesTheWholeReport) {
    const UploadReport reports[] = {
        {true, 25, 25}, {false, 10, 25}, {false, 0, 1}, {false, 200, 200}, {true, 0, 0}};
    for (const UploadReport& report : reports) {
        const LinkMessage m = report.Message(42);
        EXPECT_EQ(m.message, WM_LINK_UPLOAD);
        EXPECT_EQ(m.target, LinkTarget::Requester);
        EXPECT_EQ(m.requester, 42u);
        EXPECT_EQ(UploadReport::FromMessage(m), report);
    }
    // Any other message carries none.
    EXPECT_FALSE(UploadReport::FromMessage({WM_LINK_RESULT, LinkTarget::Requester, 42, 1, 25}));
}

TEST(UploadReportTest, AnInterruptedUploadSaysWhereItStoppedAndWhatToDo) {
    const struct {
        UploadReport report;
        ReportForm form;
        const char* text;
    } cases[] = {
        {{false, 10, 25},
         ReportForm::Sentences,
         "The upload was interrupted after site 10 of 25: the readout may hold a mix of old and "
         "new sites. Upload again."},
        {{false, 90, 150},
         ReportForm::Clause,
         "the upload was interrupted after site 90 of 150: the readout may hold a mix of old and "
         "new sites; upload again"},
        // Before the first step was answered the readout was taking site 1.
        {{false, 0, 25},
         ReportForm::Sentences,
         "The upload was interrupted at site 1 of 25: the readout may hold a mix of old and new "
         "sites. Upload again."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.report.InterruptedText(c.form), c.text);
    }
}

}  // namespace
}  // namespace q417
