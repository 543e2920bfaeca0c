#include "RecordTransfer.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <memory>

#include "ReadoutMemoryMap.h"

namespace q417::cli {
namespace {

int ClampedRecordCount(int count) {
    return std::clamp(count, 0, kRecordCapacity);
}

std::string SiteRange(int firstRecord, int recordCount) {
    if (recordCount <= 1) {
        return "site " + std::to_string(firstRecord + 1);
    }
    return "sites " + std::to_string(firstRecord + 1) + " to " +
           std::to_string(firstRecord + recordCount);
}

}  // namespace

RecordTransfer::RecordTransfer(ReadoutCommands& commands, Clock& clock, std::ostream* progress)
    : commands_(commands), clock_(clock), progress_(progress) {}

template <typename Attempt>
bool RecordTransfer::Retried(Attempt attempt) {
    for (int i = 0; i < kAttemptsPerStep; ++i) {
        if (attempt()) {
            return true;
        }
    }
    return false;
}

bool RecordTransfer::Download(SharedSettings& settings, int recordCount) {
    failure_ = {};
    const int total = ClampedRecordCount(recordCount);
    // 38 kB: kept off the stack.
    auto image = std::make_unique<RecordImage>();
    for (int record = 0; record < total; ++record) {
        const bool read =
            Retried([&] { return commands_.ReadRecords(record * kBlocksPerRecord, 1, *image); });
        if (!read) {
            EndProgress();
            failure_ = {Step::ReadRecords, record, 1};
            return false;
        }
        settings.StoreRecords(record, 1, *image);
        ShowProgress("Reading data", record + 1, total);
    }
    EndProgress();
    settings.Update([](ReadoutSettings& s) { s.dataReady = 1; });
    return true;
}

bool RecordTransfer::Upload(const ReadoutSettings& prepared) {
    failure_ = {};
    const int total = ClampedRecordCount(prepared.recordCount);
    // Without an image the records are written as the zero-filled memory the image starts as.
    const std::shared_ptr<const RecordImage> image =
        prepared.records ? prepared.records : std::make_shared<const RecordImage>();
    for (int first = 0; first < total; first += kRecordsPerWrite) {
        const int n = std::min(kRecordsPerWrite, total - first);
        const bool written =
            Retried([&] { return commands_.WriteRecords(first * kBlocksPerRecord, n, *image); });
        if (!written) {
            EndProgress();
            failure_ = {Step::WriteRecords, first, n};
            return false;
        }
        ShowProgress("Writing data", first + n, total);
    }
    EndProgress();
    ReadoutMemoryMap map(commands_, clock_);
    if (!Retried([&] { return map.WriteFileName(prepared.fileName, prepared.infoSize); })) {
        failure_ = {Step::WriteFileName, 0, 0};
        return false;
    }
    if (!Retried([&] { return map.WriteRecordCount(prepared.recordCount); })) {
        failure_ = {Step::WriteRecordCount, 0, 0};
        return false;
    }
    return true;
}

std::string RecordTransfer::FailureText() const {
    const std::string tries = " (" + std::to_string(kAttemptsPerStep) + " tries)";
    switch (failure_.step) {
        case Step::None:
            break;
        case Step::ReadRecords:
            return SiteRange(failure_.firstRecord, failure_.recordCount) +
                   " could not be read from the readout" + tries;
        case Step::WriteRecords:
            return SiteRange(failure_.firstRecord, failure_.recordCount) +
                   " could not be written to the readout" + tries;
        case Step::WriteFileName:
            return "the file name could not be written to the readout" + tries;
        case Step::WriteRecordCount:
            return "the number of sites could not be written to the readout" + tries;
    }
    return {};
}

std::ostream* RecordTransfer::TerminalProgress(std::ostream& err) {
    return &err == &std::cerr && ::isatty(STDERR_FILENO) == 1 ? &err : nullptr;
}

void RecordTransfer::ShowProgress(const char* what, int done, int total) {
    if (progress_ == nullptr || total <= 0) {
        return;
    }
    *progress_ << '\r' << what << ' ' << done * 100 / total << '%' << std::flush;
    progressShown_ = true;
}

void RecordTransfer::EndProgress() {
    if (progressShown_) {
        *progress_ << '\n' << std::flush;
        progressShown_ = false;
    }
}

}  // namespace q417::cli
