#include "ReadoutTruth.h"

#include <algorithm>
#include <cstring>

namespace q417::bench {
namespace {

ReadoutTruth::Block BlockOf(const RecordImage& image, int block) {
    ReadoutTruth::Block b{};
    std::memcpy(b.data(), image.bytes.data() + static_cast<std::size_t>(block) * b.size(),
                b.size());
    return b;
}

void AddCandidate(std::vector<ReadoutTruth::Block>& candidates, const ReadoutTruth::Block& b) {
    // An empty list already allows anything.
    if (!candidates.empty() &&
        std::find(candidates.begin(), candidates.end(), b) == candidates.end()) {
        candidates.push_back(b);
    }
}

}  // namespace

ReadoutTruth::ReadoutTruth(const std::vector<RecordImage>& starts, int recordCount,
                           const std::string& fileName)
    : counts_{recordCount}, fileNames_(std::set<std::string>{fileName}) {
    for (int b = 0; b < kBlocks; ++b) {
        for (const RecordImage& start : starts) {
            const Block block = BlockOf(start, b);
            if (std::find(blocks_[b].begin(), blocks_[b].end(), block) == blocks_[b].end()) {
                blocks_[b].push_back(block);
            }
        }
    }
}

void ReadoutTruth::UploadFinished(const UploadPlan& plan, const std::vector<int>& refusedBlocks) {
    const RecordImage empty{};
    const RecordImage& image = plan.records ? *plan.records : empty;
    const int blocks = std::clamp(plan.recordCount, 0, kRecordCapacity) * kBlocksPerRecord;
    ForgetRefused(blocks);
    for (int b = 0; b < blocks; ++b) {
        const Block written = BlockOf(image, b);
        if (std::find(refusedBlocks.begin(), refusedBlocks.end(), b) != refusedBlocks.end()) {
            AddCandidate(blocks_[b], written);
            refusedPending_.emplace_back(b, written);
        } else {
            blocks_[b] = {written};
        }
    }
    counts_ = {plan.recordCount};
    fileNames_ = std::set<std::string>{plan.fileName};
}

void ReadoutTruth::UploadInterrupted(const UploadPlan& plan, const UploadReport& report,
                                     const std::vector<int>& refusedBlocks) {
    const RecordImage empty{};
    const RecordImage& image = plan.records ? *plan.records : empty;
    const int records = std::clamp(plan.recordCount, 0, kRecordCapacity);
    const int done = std::clamp(report.sitesWritten, 0, records);
    const int stepEnd = std::min(records, done + kRecordsPerUploadStep);
    ForgetRefused(stepEnd * kBlocksPerRecord);
    // The answered steps hold the new blocks (or, refused, the old ones).
    for (int b = 0; b < done * kBlocksPerRecord; ++b) {
        const Block written = BlockOf(image, b);
        if (std::find(refusedBlocks.begin(), refusedBlocks.end(), b) != refusedBlocks.end()) {
            AddCandidate(blocks_[b], written);
        } else {
            blocks_[b] = {written};
        }
    }
    // The step it was in may have left anything.
    for (int b = done * kBlocksPerRecord; b < stepEnd * kBlocksPerRecord; ++b) {
        blocks_[b].clear();
    }
    if (done == records) {
        // Past the records: the file name, then the count (its low byte first; the counts here
        // are below 256, so its high byte stays 0).
        if (report.fileNameWritten) {
            fileNames_ = std::set<std::string>{plan.fileName};
            counts_.insert(records);
        } else {
            fileNames_.reset();  // may be written in part
        }
    }
}

void ReadoutTruth::ForgetRefused(int blocks) {
    std::erase_if(refusedPending_,
                  [blocks](const std::pair<int, Block>& p) { return p.first < blocks; });
}

ReadoutTruth::Check ReadoutTruth::Download(const RecordImage& image, int recordCount) {
    Check check;
    check.countKnown = counts_.contains(recordCount);
    if (check.countKnown) {
        counts_ = {recordCount};
    }
    const int records = std::clamp(recordCount, 0, kRecordCapacity);
    check.records = records;
    for (int r = 0; r < records; ++r) {
        bool bad = false;
        for (int k = 0; k < kBlocksPerRecord; ++k) {
            const int b = r * kBlocksPerRecord + k;
            const Block got = BlockOf(image, b);
            std::vector<Block>& candidates = blocks_[b];
            if (candidates.empty() ||
                std::find(candidates.begin(), candidates.end(), got) != candidates.end()) {
                candidates = {got};
            } else {
                bad = true;
            }
            const auto pending =
                std::find_if(refusedPending_.begin(), refusedPending_.end(),
                             [b](const std::pair<int, Block>& p) { return p.first == b; });
            if (pending != refusedPending_.end()) {
                if (pending->second != got) {
                    ++check.refusedKept;
                }
                refusedPending_.erase(pending);
            }
        }
        if (bad) {
            ++check.badRecords;
        }
    }
    return check;
}

bool ReadoutTruth::FileNamePossible(const std::string& fileName) const {
    return !fileNames_ || fileNames_->contains(fileName);
}

}  // namespace q417::bench
