#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

#include "Clock.h"
#include "LinkJob.h"

namespace q417 {

// The link's one-entry mailbox. A job is taken only while the slot is open (the link runs) and
// empty; anything else is dropped, without notice. The worker looks at the pending job, acts on
// it and only then empties the slot, so a job that runs at once (a settings write, a capture, a
// battery reset) keeps the slot busy until its message is out.
class JobSlot {
  public:
    // Accepts job when open and empty. Returns whether it was accepted.
    bool Submit(LinkJob job);

    // The pending job, or nothing. The slot stays busy until Finish.
    [[nodiscard]] std::optional<LinkJob> Pending() const;
    // Empties the slot.
    void Finish();
    // True while a job waits or runs.
    [[nodiscard]] bool Busy() const;

    // Pauses on clock for ms, or less: the pause ends when a job is submitted or the slot
    // closes (at once on a real-time clock, within one slice on a manual one). Returns whether a
    // job is pending. For pauses that a waiting job may cut short.
    static constexpr std::int64_t kJobWaitSliceMs = 10;
    bool PauseUnlessSubmitted(Clock& clock, std::int64_t ms) const;

    // Opening empties the slot; closing drops a job not yet taken.
    void Open();
    void Close();

  private:
    mutable std::mutex mutex_;                 // guards open_, pending_ and job_
    mutable std::condition_variable changed_;  // a job came or the slot closed
    bool open_ = false;
    bool pending_ = false;
    LinkJob job_;
};

}  // namespace q417
