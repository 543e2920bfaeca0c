#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "RecordImage.h"
#include "UploadPlan.h"
#include "UploadReport.h"

namespace q417::bench {

// What the simulated readout may hold, block by block, as far as its host can know: the table
// it started with, then what each upload wrote. An upload that finished leaves its blocks
// certain; one that was interrupted leaves the blocks of its answered steps new, and those of
// the step it failed in any content at all (a readout that lost part of a write takes what
// comes as packets). A record download the link accepted either matches what the readout may
// hold, and then is what it holds, or is a bad record accepted.
class ReadoutTruth {
  public:
    using Block = std::array<std::uint8_t, kTransferBlockSize>;
    static constexpr int kBlocks = kRecordCapacity * kBlocksPerRecord;

    // The readout's table is one of starts (a start-up table for each possible start time), its
    // record count recordCount and its file name fileName.
    ReadoutTruth(const std::vector<RecordImage>& starts, int recordCount,
                 const std::string& fileName);

    // An upload the link reported finished. Blocks in refusedBlocks went out with a changed
    // byte, so the readout may have refused them and kept what it held.
    void UploadFinished(const UploadPlan& plan, const std::vector<int>& refusedBlocks);
    // An upload the link left undone, as its report says.
    void UploadInterrupted(const UploadPlan& plan, const UploadReport& report,
                           const std::vector<int>& refusedBlocks);

    struct Check {
        int records = 0;         // records compared
        int badRecords = 0;      // records the readout cannot hold
        int refusedKept = 0;     // blocks of a finished upload the readout refused and kept
        bool countKnown = true;  // the record count was one the readout may hold
    };
    // Compares a finished download of recordCount records with what the readout may hold, and
    // takes every block that matched as what it holds from now on.
    [[nodiscard]] Check Download(const RecordImage& image, int recordCount);

    // Whether the information read after a connection may be the readout's.
    [[nodiscard]] bool CountPossible(int recordCount) const {
        return counts_.contains(recordCount);
    }
    [[nodiscard]] bool FileNamePossible(const std::string& fileName) const;

  private:
    // A later write to blocks 0..blocks-1 decides them afresh.
    void ForgetRefused(int blocks);

    // Empty: any content (a write lost in its middle may have left anything).
    std::array<std::vector<Block>, kBlocks> blocks_;
    // Blocks a finished upload wrote with a changed packet, with the content it meant to write.
    std::vector<std::pair<int, Block>> refusedPending_;
    std::set<int> counts_;
    std::optional<std::set<std::string>> fileNames_;  // nothing: unknown (a name cut short)
};

}  // namespace q417::bench
