#pragma once

#include <ostream>

#include "Clock.h"
#include "ReadoutCommands.h"
#include "ReadoutSettings.h"
#include "RecordImage.h"
#include "SharedSettings.h"

namespace q417::cli {

// Moves site records between the readout and the host as the link's worker does: a download
// reads one record a call, an upload writes ten records a call and then the file name and the
// record count. A call that fails is made again, up to kAttemptsPerStep calls in a row, before
// the transfer gives up (each record read already tries twice on its own).
class RecordTransfer {
  public:
    static constexpr int kAttemptsPerStep = 5;
    static constexpr int kRecordsPerWrite = 10;

    // The step a failed transfer gave up on.
    enum class Step { None, ReadRecords, WriteRecords, WriteFileName, WriteRecordCount };
    struct Failure {
        Step step = Step::None;
        int firstRecord = 0;  // records firstRecord..firstRecord+recordCount-1 (0-based)
        int recordCount = 0;
    };

    // progress: where "\rReading data NN%" and "\rWriting data NN%" go, a line end after the
    // last; nothing when null.
    RecordTransfer(ReadoutCommands& commands, Clock& clock, std::ostream* progress);

    // Reads records 0..recordCount-1 (recordCount clamped to 0..200) into settings' record image,
    // publishing each as it arrives, then sets dataReady. Returns false, dataReady untouched,
    // when a record kept failing; the records before it stay stored.
    bool Download(SharedSettings& settings, int recordCount);

    // Writes records 0..recordCount-1 of prepared.records (recordCount clamped to 0..200), then
    // prepared.fileName (bounded by prepared.infoSize) and prepared.recordCount. Stops at the
    // first step that kept failing and returns false; the steps before it stay done.
    bool Upload(const ReadoutSettings& prepared);

    // Why the last Download or Upload returned false.
    [[nodiscard]] const Failure& LastFailure() const { return failure_; }
    // The failure in words, e.g. "site 12 could not be read from the readout (5 tries)".
    [[nodiscard]] std::string FailureText() const;

    // The process's error stream when it is a terminal, else nothing: progress is for a person
    // watching, not for a log or a pipe.
    [[nodiscard]] static std::ostream* TerminalProgress(std::ostream& err);

  private:
    // Runs attempt until it succeeds, at most kAttemptsPerStep times.
    template <typename Attempt>
    [[nodiscard]] static bool Retried(Attempt attempt);
    void ShowProgress(const char* what, int done, int total);
    void EndProgress();

    ReadoutCommands& commands_;
    Clock& clock_;
    std::ostream* progress_;
    bool progressShown_ = false;
    Failure failure_;
};

}  // namespace q417::cli
