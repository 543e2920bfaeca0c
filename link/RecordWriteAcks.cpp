#include "RecordWriteAcks.h"

#include <algorithm>

#include "AsciiCase.h"

namespace q417 {

void RecordWriteAcks::Take(std::string_view chunk, std::int64_t nowMs) {
    for (const char c : chunk) {
        rejected_ = rejected_ || c == '?';
        if (c == '\n') {
            continue;
        }
        if (c != '\r') {
            if (!echoEnded_) {
                echo_.push_back(c);
            }
            continue;  // after the echo, anything but a CR is no answer
        }
        if (!echoEnded_ && !echo_.empty()) {
            echoEnded_ = true;
            continue;
        }
        if (answered_ == static_cast<int>(sentAtMs_.size())) {
            unsound_ = true;
            continue;
        }
        unsound_ = unsound_ || nowMs > AnswerDeadlineMs();
        lastCrMs_ = nowMs;
        ++answered_;
        ++unspentCrs_;
    }
}

void RecordWriteAcks::SpendCr() {
    unspentCrs_ = std::max(unspentCrs_ - 1, 0);
}

std::int64_t RecordWriteAcks::AnswerDeadlineMs() const {
    if (sentAtMs_.empty()) {
        return lastCrMs_ == INT64_MIN ? INT64_MIN : lastCrMs_ + deadlineMs_;
    }
    const auto oldest =
        static_cast<std::size_t>(std::min<int>(answered_, static_cast<int>(sentAtMs_.size()) - 1));
    return std::max(sentAtMs_[oldest], lastCrMs_) + deadlineMs_;
}

bool RecordWriteAcks::Sound(const std::string& command, int blocks) const {
    const bool echoed = AsciiUpperText(echo_).find(command) != std::string::npos;
    return echoed && !rejected_ && !unsound_ && answered_ == blocks;
}

}  // namespace q417
