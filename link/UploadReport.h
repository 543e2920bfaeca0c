#pragma once

#include <string>

namespace q417 {

// How the interrupted-upload text is put: as a message box's sentences, or as one clause of a
// longer error line.
enum class ReportForm {
    Sentences,  // "The upload was interrupted ... sites. Upload again."
    Clause,     // "the upload was interrupted ... sites; upload again"
};

// How an upload ended, as the link tells its requester. Every upload the worker
// takes ends with exactly one report: finished once the records, the file name and the count are
// written, or interrupted when the link leaves it before that (it starts over, finds another
// readout, takes another port, download or upload job, or is stopped; after a stop the link
// keeps the report, as no message is posted then).
struct UploadReport {
    bool finished = false;
    // Leading sites the readout took whole: those of the record-write steps it answered. The
    // step that failed may have left some of its records in part.
    int sitesWritten = 0;
    int sites = 0;  // sites of the upload
    // The file name went to the readout; the record count, its last step, only when finished.
    bool fileNameWritten = false;

    // What an interrupted upload leaves, and what to do: "The upload was interrupted after site
    // 10 of 25: the readout may hold a mix of old and new sites. Upload again."
    [[nodiscard]] std::string InterruptedText(ReportForm form) const;

    friend bool operator==(const UploadReport&, const UploadReport&) = default;
};

}  // namespace q417
